#include "template/conditional_fields.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "build/file_merge_info.h"
#include "pictures/picture_item.h"
#include "template/field_ids.h"

namespace pictavo {
namespace {

// Evaluates from a table of values and records the order of the calls.
struct TValues {
  std::map<int, std::string> values;
  std::vector<int> asked;
  std::string operator()(int id) {
    asked.push_back(id);
    auto it = values.find(id);
    return it == values.end() ? std::string() : it->second;
  }
};

std::string Evaluate(const std::vector<std::string>& lines, const std::vector<TIndexObj>& tokens,
                     TValues& values, bool strip = false) {
  return EvaluateSectionLines(
      lines, tokens, [&values](int id) { return values(id); }, strip);
}

TEST(EvaluateSectionLines, RightToLeftWithLineRemoval) {
  // Line 0: "<a>|</a>" with a token at 4; line 1: "x||y" with tokens at 2 and 3
  // (the conditional one at 3); line 2 without tokens.
  const std::vector<std::string> lines = {"<a></a>", "xy", "plain"};
  const std::vector<TIndexObj> tokens = {{0, 4, 25}, {1, 2, 39}, {1, 2, -14}};
  TValues values;
  values.values = {{25, "Name"}, {39, "thumb.jpg"}, {-14, "page2.html"}};
  EXPECT_EQ(Evaluate(lines, tokens, values), "<a>Name</a>\r\nxthumb.jpgpage2.htmly\r\nplain\r\n");
  // Last line first, right to left within a line.
  EXPECT_EQ(values.asked, (std::vector<int>{-14, 39, 25}));

  // The empty conditional value removes its line; the token to its left on
  // that line is not asked for.
  values.values.erase(-14);
  values.asked.clear();
  EXPECT_EQ(Evaluate(lines, tokens, values, true), "<a>Name</a>\r\nplain");
  EXPECT_EQ(values.asked, (std::vector<int>{-14, 25}));

  // A token to the right of the empty conditional one was already asked for
  // (its thumbnail exists) although the line goes.
  values.asked.clear();
  const std::vector<TIndexObj> thumb_right = {{1, 2, -14}, {1, 3, 39}};
  EXPECT_EQ(Evaluate(lines, thumb_right, values), "<a></a>\r\nplain\r\n");
  EXPECT_EQ(values.asked, (std::vector<int>{39, -14}));

  // An empty plain value inserts nothing and the line stays.
  values.values = {};
  values.asked.clear();
  const std::vector<TIndexObj> plain = {{1, 2, 39}};
  EXPECT_EQ(Evaluate(lines, plain, values), "<a></a>\r\nxy\r\nplain\r\n");
}

TEST(EvaluateSectionLines, TwoConditionalFieldsOnALineAreAnAnd) {
  const std::vector<std::string> lines = {"ab"};
  const std::vector<TIndexObj> tokens = {{0, 2, -37}, {0, 3, -38}};
  const std::pair<const char*, const char*> cases[] = {{"i", "t"}, {"i", ""}, {"", "t"}, {"", ""}};
  for (const auto& [info, title] : cases) {
    TValues values;
    if (*info) values.values[-37] = info;
    if (*title) values.values[-38] = title;
    const bool stays = *info && *title;
    EXPECT_EQ(Evaluate(lines, tokens, values), stays ? "aibt\r\n" : "") << info << "/" << title;
  }
}

TEST(EvaluateSectionLines, ValuesCannotForgeTokens) {
  const std::vector<std::string> lines = {"[]"};
  TValues values;
  values.values[3] = std::string("a\x01") + "25\x02\x03" + "66\x04" + "1\x04";
  EXPECT_EQ(Evaluate(lines, {{0, 2, 3}}, values), "[a25661]\r\n");
}

TEST(EvaluateSectionLines, BadTokenPositionsAreClamped) {
  const std::vector<std::string> lines = {"ab"};
  TValues values;
  values.values = {{1, "X"}, {2, "Y"}};
  EXPECT_EQ(Evaluate(lines, {{0, 0, 1}, {0, 99, 2}, {5, 1, 1}}, values), "XabY\r\n");
  EXPECT_EQ(Evaluate({}, {}, values), "");
}

// A record with pictures and paging set up by hand (the merge's own
// ComputePaging is tested with the merge).
struct TPagingFixture {
  std::vector<TPictureItem> pictures;
  TFileMergeInfo info;
  TPagingFixture(int count, int per_page) {
    pictures.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) pictures[static_cast<size_t>(i)].fldIndex = i + 1;
    for (auto& p : pictures) info.included_pictures.push_back(&p);
    info.picture_count = count;
    info.pictures_per_page = per_page;
    info.page_count = count / per_page + (count % per_page ? 1 : 0);
  }
  // The words of the page predicates on each page, joined.
  std::string Words(int id) {
    std::string out;
    for (int page = 1; page <= info.page_count; ++page) {
      info.current_page = page;
      out += "[" + PredicateFieldValue(id, info, false) + "]";
    }
    return out;
  }
};

TEST(PredicateFields, PagePredicates) {
  TPagingFixture seven(7, 3);
  EXPECT_EQ(seven.Words(fidIsMultiItem), "[IsMultiItem][IsMultiItem][]");
  EXPECT_EQ(seven.Words(fidIsFirstPage), "[FirstPage][][]");
  EXPECT_EQ(seven.Words(-fidIsMiddlePage), "[][MiddlePage][]");
  EXPECT_EQ(seven.Words(fidIsLastPage), "[][][LastPage]");
  EXPECT_EQ(seven.Words(fidIsMultiPage), "[MultiPage][MultiPage][MultiPage]");
  EXPECT_EQ(seven.Words(fidIsSinglePage), "[][][]");

  TPagingFixture six(6, 3);
  EXPECT_EQ(six.Words(fidIsMultiItem), "[IsMultiItem][IsMultiItem]");
  TPagingFixture one_each(4, 1);
  EXPECT_EQ(one_each.Words(fidIsMultiItem), "[][][][]");
  TPagingFixture single(5, 10);
  EXPECT_EQ(single.Words(fidIsSinglePage), "[SinglePage]");
  EXPECT_EQ(single.Words(fidIsFirstPage), "[]");
  EXPECT_EQ(single.Words(fidIsLastPage), "[]");
  EXPECT_EQ(single.Words(fidIsMultiItem), "[IsMultiItem]");
}

TEST(PredicateFields, PicturePredicates) {
  TFileMergeInfo info;
  TPictureItem picture;
  info.current_picture = &picture;
  struct TCase {
    int width, height;
    const char* type;
    const char* words;  // ImageFile, Landscape, Portrait, HtmlFile
  };
  const TCase cases[] = {
      {640, 480, "jpg", "ImageFile|Landscape||"},
      {480, 640, "png", "ImageFile||Portrait|"},
      {500, 500, "gif", "ImageFile|||"},
      {-1, -1, "jpg", "|||"},  // unreadable: none of them
      {-1, -1, "html", "|||HtmlFile"},
      {0, 0, "PHP", "|||HtmlFile"},
  };
  for (const TCase& c : cases) {
    picture.fldImageWidth = c.width;
    picture.fldImageHeight = c.height;
    picture.fldFileType = c.type;
    const std::string words = PredicateFieldValue(fidIsImageFile, info, false) + "|" +
                              PredicateFieldValue(fidIsLandscape, info, false) + "|" +
                              PredicateFieldValue(-fidIsPortrait, info, false) + "|" +
                              PredicateFieldValue(fidIsHtmlFile, info, false);
    EXPECT_EQ(words, c.words) << c.width << "x" << c.height << " " << c.type;
  }

  picture.fldDescription = "";
  EXPECT_EQ(PredicateFieldValue(fidIsNoItemInfo, info, false), "NoItemInfo");
  EXPECT_EQ(PredicateFieldValue(fidIsNoItemInfo, info, true), "");
  picture.fldDescription = "Sunset";
  EXPECT_EQ(PredicateFieldValue(fidIsNoItemInfo, info, false), "");

  // Without any picture: no picture predicate holds, NoItemInfo does.
  info.current_picture = nullptr;
  EXPECT_EQ(PredicateFieldValue(fidIsImageFile, info, false), "");
  EXPECT_EQ(PredicateFieldValue(fidIsNoItemInfo, info, false), "NoItemInfo");
  EXPECT_EQ(PredicateFieldValue(fidImageName, info, false), "");
  EXPECT_FALSE(IsPredicateField(fidImageName));
  EXPECT_TRUE(IsPredicateField(-fidIsNoItemInfo));
}

TEST(PredicateFields, WithoutAPictureTheFieldsSpeakOfThePagesPicture) {
  TPagingFixture album(3, 1);
  album.pictures[1].fldImageWidth = 10;
  album.pictures[1].fldImageHeight = 20;
  album.info.current_page = 2;
  EXPECT_EQ(PredicateFieldValue(fidIsPortrait, album.info, false), "Portrait");
  album.info.current_page = 4;  // more pages than pictures
  EXPECT_EQ(album.info.FieldPicture(), nullptr);
}

TEST(ConditionalNavigation, EmptyWhereThePlainFormNamesTheNearestPage) {
  TFileMergeInfo info;
  info.page_count = 3;
  const int ids[] = {-fidPageNext, -fidPagePrev, -fidPageFirst, -fidPageLast, fidPageNext};
  const char* expected[] = {"FFT", "TFF", "FFF", "FFF", "FFF"};
  for (size_t i = 0; i < 5; ++i) {
    std::string got;
    for (int page = 1; page <= 3; ++page) {
      info.current_page = page;
      got += ConditionalNavigationIsEmpty(ids[i], info) ? 'T' : 'F';
    }
    EXPECT_EQ(got, expected[i]) << ids[i];
  }
  info.page_count = 1;
  info.current_page = 1;
  for (int id : {-fidPageNext, -fidPagePrev, -fidPageFirst, -fidPageLast}) {
    EXPECT_TRUE(ConditionalNavigationIsEmpty(id, info)) << id;
  }
  EXPECT_FALSE(ConditionalNavigationIsEmpty(-fidImageName, info));
}

}  // namespace
}  // namespace pictavo
