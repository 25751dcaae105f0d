#include "template/field_ids.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

TEST(FieldIds, NamesRoundTripForEveryNamedId) {
  for (int id = kFirstFieldId; id <= kLastFieldId; ++id) {
    const std::string name = FieldNameFromId(id);
    const bool named = (id >= 1 && id <= 61) || id == 64 || id == 65;
    EXPECT_EQ(!name.empty(), named) << id;
    if (!named) continue;
    EXPECT_EQ(FieldIdFromName(name), id) << name;
    EXPECT_EQ(FieldNameFromId(-id), "_" + name);
    EXPECT_EQ(FieldIdFromName("_" + name), -id) << name;
  }
  EXPECT_EQ(FieldNameFromId(0), "");
  EXPECT_EQ(FieldNameFromId(71), "");
  EXPECT_EQ(FieldNameFromId(-71), "");
}

TEST(FieldIds, NameMatching) {
  struct TCase {
    const char* name;
    int id;
  };
  const TCase cases[] = {
      {"ImageName", fidImageName},
      {"imagename", fidImageName},
      {"IMAGENAME", fidImageName},
      {"_imageName", -fidImageName},
      {"Image Name", 0},
      {"ImageNames", 0},
      {"__ImageName", 0},  // only one "_" is removed
      {"CALC:1+2", fidCalc},
      {"calc:", fidCalc},
      {"_CALC:1", -fidCalc},
      {"CALC1+2", 0},
      {"CLEARTAGS:<b>x</b>", fidClearTags},
      {"UseBest:a;b", fidUseBest},
      {"usegreater:1;2", fidUseGreater},
      {"USESMALLER:", fidUseSmaller},
      {"USE:x", 0},
      {"MERGE:Footer", fidMerge},
      {"LINK:style.css", fidLink},
      {"LinkColor", fidLinkColor},
      {"LinkColorful", fidLinkColor},
      {"TEXTCOLOR2", fidTextColor},
      {"VLinkColorX", fidVLinkColor},
      {"_VLinkColor", -fidVLinkColor},
      {"LINKCOLO", 0},
      {"AppName", fidAppName},
      {"appversion", fidAppVersion},
      // Names under five characters are never fields (after the "_").
      {"CALC", 0},
      {"LINK:", fidLink},
      {"_LINK", 0},
      {"", 0},
      {"_", 0},
  };
  for (const TCase& c : cases) EXPECT_EQ(FieldIdFromName(c.name), c.id) << c.name;
}

}  // namespace
}  // namespace pictavo
