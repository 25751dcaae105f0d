#include "template/field_ids.h"

#include <array>
#include <cstdlib>

namespace pictavo {

namespace {

// Canonical names by id; empty for the ids that have none.
constexpr std::array<std::string_view, kLastFieldId + 1> kFieldNames = {
    "",            // 0
    "DefaultExt",  // 1
    "FileUrl",
    "FileName",
    "FileNoExt",
    "FileDosName",
    "CharSet",
    "BaseUrl",
    "BackImage",
    "BackColor",
    "TextColor",
    "LinkColor",
    "VLinkColor",
    "PageName",
    "PageNext",
    "PagePrev",
    "PageFirst",
    "PageLast",
    "PageIndex",
    "PageCount",
    "PageTitle",
    "PageInfo",
    "PageKeywords",
    "PageContents",
    "ImageFolder",
    "ImageName",
    "ImageIndex",
    "ImageCount",
    "ImageDate",
    "ImageSize",
    "ImageKbSize",
    "ImageWidth",
    "ImageHeight",
    "ImageTagWidth",
    "ImageTagHeight",
    "ItemInfo",
    "ImageHtmlName",
    "ImageInfo",
    "ImageTitle",
    "ThumbUrl",
    "ThumbWidth",
    "ThumbHeight",
    "ThumbDefWidth",
    "ThumbDefHeight",
    "PageImageIndex",
    "PageImageCount",
    "AuthorName",
    "AuthorEmail",
    "AuthorHomepage",
    "AuthorCopyright",
    "DateToday",
    "IsSinglePage",
    "IsMultiPage",
    "IsMultiItem",
    "IsFirstPage",
    "IsMiddlePage",
    "IsLastPage",
    "IsImageFile",
    "IsHtmlFile",
    "IsLandscape",
    "IsPortrait",
    "IsNoItemInfo",
    "",  // 62 MERGE:
    "",  // 63 LINK:
    "AppName",
    "AppVersion",
    "",
    "",
    "",
    "",
    "",  // 66..70 parameterised
};

// Names matched by their beginning: anything may follow.
struct TPrefixName {
  std::string_view prefix;
  int id;
};
constexpr std::array<TPrefixName, 10> kPrefixNames = {{
    {"CALC:", fidCalc},
    {"CLEARTAGS:", fidClearTags},
    {"LINK:", fidLink},
    {"MERGE:", fidMerge},
    {"USEBEST:", fidUseBest},
    {"USEGREATER:", fidUseGreater},
    {"USESMALLER:", fidUseSmaller},
    {"LINKCOLOR", fidLinkColor},
    {"TEXTCOLOR", fidTextColor},
    {"VLINKCOLOR", fidVLinkColor},
}};

char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares the upper-cased name with an exact name, ASCII case only.
bool EqualsUpper(std::string_view upper, std::string_view name) {
  if (upper.size() != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (upper[i] != UpperChar(name[i])) return false;
  }
  return true;
}

}  // namespace

int FieldIdFromName(std::string_view name) {
  bool conditional = false;
  if (!name.empty() && name.front() == '_') {
    conditional = true;
    name.remove_prefix(1);
  }
  if (name.size() < 5) return 0;
  std::string upper(name);
  for (char& c : upper) c = UpperChar(c);

  int id = 0;
  for (const auto& entry : kPrefixNames) {
    if (upper.compare(0, entry.prefix.size(), entry.prefix) == 0) {
      id = entry.id;
      break;
    }
  }
  if (id == 0) {
    for (int i = kFirstFieldId; i <= kLastFieldId; ++i) {
      if (!kFieldNames[static_cast<size_t>(i)].empty() &&
          EqualsUpper(upper, kFieldNames[static_cast<size_t>(i)])) {
        id = i;
        break;
      }
    }
  }
  return conditional ? -id : id;
}

std::string FieldNameFromId(int id) {
  const int absolute = std::abs(id);
  if (absolute < kFirstFieldId || absolute > kLastFieldId) return {};
  std::string_view name = kFieldNames[static_cast<size_t>(absolute)];
  if (name.empty()) return {};
  return id < 0 ? "_" + std::string(name) : std::string(name);
}

}  // namespace pictavo
