#pragma once
// The template field vocabulary: the 70 field ids and the names templates
// write them by. A conditional field ("_" before the name) has the negated id.
#include <string>
#include <string_view>

namespace pictavo {

// Field ids. Names follow the field names written in templates.
enum TFieldId : int {
  fidDefaultExt = 1,
  fidFileUrl = 2,
  fidFileName = 3,
  fidFileNoExt = 4,
  fidFileDosName = 5,
  fidCharSet = 6,
  fidBaseUrl = 7,
  fidBackImage = 8,
  fidBackColor = 9,
  fidTextColor = 10,
  fidLinkColor = 11,
  fidVLinkColor = 12,
  fidPageName = 13,
  fidPageNext = 14,
  fidPagePrev = 15,
  fidPageFirst = 16,
  fidPageLast = 17,
  fidPageIndex = 18,
  fidPageCount = 19,
  fidPageTitle = 20,
  fidPageInfo = 21,
  fidPageKeywords = 22,
  fidPageContents = 23,
  fidImageFolder = 24,
  fidImageName = 25,
  fidImageIndex = 26,
  fidImageCount = 27,
  fidImageDate = 28,
  fidImageSize = 29,
  fidImageKbSize = 30,
  fidImageWidth = 31,
  fidImageHeight = 32,
  fidImageTagWidth = 33,
  fidImageTagHeight = 34,
  fidItemInfo = 35,
  fidImageHtmlName = 36,
  fidImageInfo = 37,
  fidImageTitle = 38,
  fidThumbUrl = 39,
  fidThumbWidth = 40,
  fidThumbHeight = 41,
  fidThumbDefWidth = 42,
  fidThumbDefHeight = 43,
  fidPageImageIndex = 44,
  fidPageImageCount = 45,
  fidAuthorName = 46,
  fidAuthorEmail = 47,
  fidAuthorHomepage = 48,
  fidAuthorCopyright = 49,
  fidDateToday = 50,
  fidIsSinglePage = 51,
  fidIsMultiPage = 52,
  fidIsMultiItem = 53,
  fidIsFirstPage = 54,
  fidIsMiddlePage = 55,
  fidIsLastPage = 56,
  fidIsImageFile = 57,
  fidIsHtmlFile = 58,
  fidIsLandscape = 59,
  fidIsPortrait = 60,
  fidIsNoItemInfo = 61,
  fidMerge = 62,
  fidLink = 63,
  fidAppName = 64,
  fidAppVersion = 65,
  fidCalc = 66,
  fidClearTags = 67,
  fidUseBest = 68,
  fidUseGreater = 69,
  fidUseSmaller = 70,
};

constexpr int kFirstFieldId = 1;
constexpr int kLastFieldId = 70;
// The predicate fields (IsSinglePage .. IsNoItemInfo).
constexpr int kFirstPredicateFieldId = fidIsSinglePage;
constexpr int kLastPredicateFieldId = fidIsNoItemInfo;
// The parameterised fields (CALC: .. USESMALLER:), evaluated after the merge.
constexpr int kFirstParamFieldId = fidCalc;
constexpr int kLastParamFieldId = fidUseSmaller;

// Id of a field name written without braces: negative for a conditional field
// (leading "_"), 0 for an unknown name. Names are matched without regard to
// case; names shorter than five characters (after the "_") are never fields.
// "CALC:", "CLEARTAGS:", "LINK:", "MERGE:", "USEBEST:", "USEGREATER:" and
// "USESMALLER:" match by their beginning (the argument follows), and a name
// beginning with LINKCOLOR, TEXTCOLOR or VLINKCOLOR is that colour field.
int FieldIdFromName(std::string_view name);

// Canonical name of ids 1 to 61, 64 and 65 ("_" prefixed for a negative id);
// the empty text for every other id.
std::string FieldNameFromId(int id);

}  // namespace pictavo
