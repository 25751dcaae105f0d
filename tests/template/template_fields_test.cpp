#include "template/template_fields.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <string>
#include <vector>

#include "imaging/image_conv.h"
#include "imaging/image_obj.h"
#include "pictures/image_info.h"
#include "pictures/picture_item.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "settings/window_state.h"
#include "support/test_support.h"
#include "template/field_ids.h"

namespace pictavo {
namespace {

using test::TTempDir;

// A stand-in for the page-merge engine's page naming with its visible rules:
// page names when asked for and present (empty out of range), else the base
// "Index.html" numbered from page 2 within 1..page count.
std::string TestPageFileName(const TFileMergeInfo& info, int n, bool full_path, bool use_page_names,
                             bool write) {
  EXPECT_FALSE(full_path);
  EXPECT_FALSE(write);
  if (use_page_names && !info.page_names.empty()) {
    if (n < 1 || static_cast<size_t>(n) > info.page_names.size()) return {};
    return info.page_names[static_cast<size_t>(n) - 1];
  }
  n = std::max(1, std::min(n, info.page_count));
  return n < 2 ? "Index.html" : "Index" + std::to_string(n) + ".html";
}

std::time_t LocalTime(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

class TemplateFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_locale_ = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    album_ = dir_.file("album");
    pics_ = dir_.file("pics");
    ASSERT_TRUE(ForceFolders(album_));
    test::WriteFile(pics_ + "/My Photo.jpg", "not decoded here");
    test::WriteFile(dir_.file("bg/Paper.GIF"), "GIF89a");

    picture_.fldPathName = pics_ + "/";
    picture_.fldFileName = "My Photo";
    picture_.fldFileType = "jpg";
    picture_.fldFileDate = LocalTime(2023, 7, 14);
    picture_.fldFileSize = 16;
    picture_.fldImageWidth = 800;
    picture_.fldImageHeight = 600;
    picture_.fldDescription = "Sunset::Taken at <b>the</b> beach & more";
    picture_.fldFullName = pics_ + "/My Photo.jpg";
    picture_.fldIndex = 1;

    window_.cbxPickManually = true;
    window_.edtPageTitle = "Tom & Jerry's <Album> \u00e9";
    window_.edtPageDescription = "<b>Holiday</b> \u00a9 2024";
    window_.edtKeywords = "sea, sand";
    window_.cmbBaseUrl = "HTTP://Example.COM/";
    window_.cmbBackgroundImage = "Paper.GIF";
    window_.btnBackgroundColor = 0x0000FF;  // red
    window_.cmbCharSet = "Latin 1 (Western/West European)";
    window_.cmbName = "Zo\u00eb";
    window_.cmbEMail = "Me@Example.com";
    window_.cmbHomepage = "HTTP://Me.Example.com/";
    window_.cmbCopyright = "(c) <i>me</i> \u00a9";
    window_.cmbDateFormat = "yyyy";

    context_.window = &window_;
    context_.AlbumFolder = album_ + "/";
    context_.PageExt = "html";
    context_.ContentsPage = album_ + "/index.html";
    context_.BackgroundsFolder = dir_.file("bg");
    context_.PageFileName = &TestPageFileName;

    // Page 2 of 3 (5 per page, 12 pictures), seventh picture slot.
    info_.picture_count = 12;
    info_.page_count = 3;
    info_.pictures_per_page = 5;
    info_.current_page = 2;
    info_.running_picture = 7;
    info_.picture_on_page = 2;
    info_.current_picture = &picture_;
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_locale_.c_str()); }

  std::string Field(int id) { return EvaluateField(id, info_, context_); }

  TTempDir dir_;
  std::string album_, pics_, saved_locale_;
  TPictureItem picture_;
  TWindowState window_;
  TBuildContext context_;
  TFileMergeInfo info_;
};

TEST_F(TemplateFieldsTest, EveryFieldForAPictureAndWithoutOne) {
  const std::string year = std::to_string(1900 + [] {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t.tm_year;
  }());
  struct TFieldCase {
    int id;
    std::string with_picture;
    std::string without_picture;
  };
  const std::vector<TFieldCase> cases = {
      {fidDefaultExt, "html", "html"},
      // The picture's own file (no image objects in this build): the names
      // keep their case because only "My Photo.jpg" exists on disk.
      {fidFileUrl, "../pics/My%20Photo.jpg", ""},
      {fidFileName, "My%20Photo.jpg", ""},
      {fidFileNoExt, "my photo", ""},
      {fidFileDosName, "My Photo.jpg", ""},
      {fidCharSet, "ISO-8859-1", "ISO-8859-1"},
      {fidBaseUrl, "http://example.com/", "http://example.com/"},
      {fidBackImage, "../bg/Paper.GIF", "../bg/Paper.GIF"},
      {fidBackColor, "FF0000", "FF0000"},
      {fidTextColor, "000000", "000000"},
      {fidLinkColor, "0000FF", "0000FF"},
      {fidVLinkColor, "800080", "800080"},
      {fidPageName, "index2.html", "index2.html"},
      {fidPageNext, "index3.html", "index3.html"},
      {fidPagePrev, "index.html", "index.html"},
      {fidPageFirst, "index.html", "index.html"},
      {fidPageLast, "index3.html", "index3.html"},
      {fidPageIndex, "2", "2"},
      {fidPageCount, "3", "3"},
      {fidPageTitle, "Tom &amp; Jerry's &lt;Album&gt; &eacute;",
       "Tom &amp; Jerry's &lt;Album&gt; &eacute;"},
      {fidPageInfo, "<b>Holiday</b> &copy; 2024", "<b>Holiday</b> &copy; 2024"},
      {fidPageKeywords, "sea, sand", "sea, sand"},
      {fidPageContents, "index.html", "index.html"},
      {fidImageFolder, "../pics", ""},
      {fidImageName, "My Photo", ""},
      {fidImageIndex, "07", "07"},
      {fidImageCount, "12", "12"},
      {fidImageDate, "2023/07/14", ""},
      {fidImageSize, "0", ""},
      {fidImageKbSize, "0", ""},
      {fidImageWidth, "800", ""},
      {fidImageHeight, "600", ""},
      {fidImageTagWidth, "600", ""},
      {fidImageTagHeight, "450", ""},
      {fidItemInfo, "Sunset::Taken at <b>the</b> beach & more", ""},
      {fidImageHtmlName, "my%20photo.html", ""},
      {fidImageInfo, "Taken at <b>the</b> beach & more", ""},
      {fidImageTitle, "Sunset", ""},
      {fidThumbUrl, "../pics/My%20Photo.jpg", ""},
      {fidThumbWidth, "150", ""},
      {fidThumbHeight, "112", ""},
      {fidThumbDefWidth, "150", "150"},
      {fidThumbDefHeight, "150", "150"},
      {fidPageImageIndex, "2", "2"},
      {fidPageImageCount, "5", "5"},
      {fidAuthorName, "Zo&euml;", "Zo&euml;"},
      {fidAuthorEmail, "Me@Example.com", "Me@Example.com"},
      {fidAuthorHomepage, "http://me.example.com/", "http://me.example.com/"},
      {fidAuthorCopyright, "(c) <i>me</i> &copy;", "(c) <i>me</i> &copy;"},
      {fidDateToday, year, year},
      {fidIsSinglePage, "", ""},
      {fidIsMultiPage, "MultiPage", "MultiPage"},
      {fidIsMultiItem, "IsMultiItem", "IsMultiItem"},
      {fidIsFirstPage, "", ""},
      {fidIsMiddlePage, "MiddlePage", "MiddlePage"},
      {fidIsLastPage, "", ""},
      {fidIsImageFile, "ImageFile", ""},
      {fidIsHtmlFile, "", ""},
      {fidIsLandscape, "Landscape", ""},
      {fidIsPortrait, "", ""},
      {fidIsNoItemInfo, "", "NoItemInfo"},
      {fidMerge, "", ""},
      {fidLink, "", ""},
      {fidAppName, "Pictavo", "Pictavo"},
      {fidAppVersion, "3.5", "3.5"},
      {fidCalc, "", ""},
      {fidClearTags, "", ""},
      {fidUseBest, "", ""},
      {fidUseGreater, "", ""},
      {fidUseSmaller, "", ""},
  };
  // The table names every field id once, in order.
  for (size_t i = 0; i < cases.size(); ++i) ASSERT_EQ(cases[i].id, static_cast<int>(i) + 1);
  ASSERT_EQ(cases.back().id, kLastFieldId);
  for (const TFieldCase& c : cases) {
    SCOPED_TRACE("field " + std::to_string(c.id));
    info_.current_picture = &picture_;
    EXPECT_EQ(Field(c.id), c.with_picture);
    // Without a picture, and no included picture at the page's position.
    info_.current_picture = nullptr;
    EXPECT_EQ(Field(c.id), c.without_picture);
  }
  EXPECT_EQ(Field(0), "");
  EXPECT_EQ(Field(71), "");
  EXPECT_EQ(Field(-66), "");
}

TEST_F(TemplateFieldsTest, WithoutAPictureTheFieldsTakeTheOneAtThePagesPosition) {
  TPictureItem first = picture_, second = picture_;
  first.fldFileName = "first";
  second.fldFileName = "second";
  info_.current_picture = nullptr;
  info_.included_pictures = {&first, &second};
  EXPECT_EQ(Field(fidImageName), "second");  // page 2
  info_.current_page = 3;
  EXPECT_EQ(Field(fidImageName), "");
}

TEST_F(TemplateFieldsTest, NavigationFieldsAndTheirConditionalForms) {
  info_.current_page = 3;
  EXPECT_EQ(Field(fidPageNext), "index3.html");
  EXPECT_EQ(Field(-fidPageNext), "");
  EXPECT_EQ(Field(-fidPagePrev), "index2.html");
  info_.current_page = 1;
  EXPECT_EQ(Field(fidPagePrev), "index.html");
  EXPECT_EQ(Field(-fidPagePrev), "");
  EXPECT_EQ(Field(-fidPageFirst), "index.html");
  info_.page_count = 1;
  EXPECT_EQ(Field(fidPageLast), "index.html");
  EXPECT_EQ(Field(-fidPageLast), "");
  EXPECT_EQ(Field(-fidPageFirst), "");
  // A conditional data field has the same value as the plain one.
  EXPECT_EQ(Field(-fidImageTitle), "Sunset");
}

TEST_F(TemplateFieldsTest, PerPicturePageNames) {
  info_.page_names = {"Alpha.html", "Beta.html", "Gamma.html"};
  info_.page_count = 3;
  info_.current_page = 3;
  EXPECT_EQ(Field(fidPageName), "gamma.html");
  EXPECT_EQ(Field(fidPageNext), "");  // no nearest page with page names
  info_.current_page = 1;
  EXPECT_EQ(Field(fidPagePrev), "");
  // The page of max(running picture, page number); also without a picture.
  info_.running_picture = 2;
  EXPECT_EQ(Field(fidImageHtmlName), "beta.html");
  info_.current_picture = nullptr;
  EXPECT_EQ(Field(fidImageHtmlName), "beta.html");
}

TEST_F(TemplateFieldsTest, ImageHtmlNameReplacesTheLastDotPart) {
  picture_.fldFileName = "my.photo";
  EXPECT_EQ(Field(fidImageHtmlName), "my.html");
  context_.PageExt = "php";
  picture_.fldFileName = "beach";
  EXPECT_EQ(Field(fidImageHtmlName), "beach.php");
}

TEST_F(TemplateFieldsTest, ImageIndexIsPaddedToTheDigitsOfTheCount) {
  info_.picture_count = 120;
  info_.running_picture = 1;
  EXPECT_EQ(Field(fidImageIndex), "001");
  info_.running_picture = 120;
  EXPECT_EQ(Field(fidImageIndex), "120");
  info_.picture_count = 9;
  info_.running_picture = 9;
  EXPECT_EQ(Field(fidImageIndex), "9");
}

TEST_F(TemplateFieldsTest, BaseUrlLocalAndOptionsOff) {
  window_.cmbBaseUrl = "[local]";
  EXPECT_EQ(Field(fidBaseUrl), "");
  window_.cmbBaseUrl = "HTTP://X/";
  window_.cbxLowercaseURLs = false;
  window_.cbxRelativePaths = false;
  window_.cbxUseEntities = false;
  EXPECT_EQ(Field(fidBaseUrl), "HTTP://X/");
  EXPECT_EQ(Field(fidFileNoExt), "My Photo");
  EXPECT_EQ(Field(fidFileUrl), "file://" + pics_ + "/My%20Photo.jpg");
  EXPECT_EQ(Field(fidImageHtmlName), "My%20Photo.html");
  // With entities off, é stays while © still becomes its entity; the
  // picture name always converts with entities.
  EXPECT_EQ(Field(fidPageTitle), "Tom &amp; Jerry's &lt;Album&gt; \u00e9");
  EXPECT_EQ(Field(fidPageInfo), "<b>Holiday</b> &copy; 2024");
  picture_.fldFileName = "Caf\u00e9";
  EXPECT_EQ(Field(fidImageName), "Caf&eacute;");
}

TEST_F(TemplateFieldsTest, LowerCaseUrlsWhenTheLowerCaseNameIsTheFile) {
  // A file the build wrote in lower case, and one that does not exist yet.
  test::WriteFile(album_ + "/images/my photo.jpg", "x");
  picture_.fldFullName = album_ + "/images/My Photo.jpg";
  EXPECT_EQ(Field(fidFileUrl), "images/my%20photo.jpg");
  picture_.fldFullName = album_ + "/Missing/File.JPG";
  EXPECT_EQ(Field(fidFileUrl), "missing/file.jpg");
  EXPECT_EQ(Field(fidFileName), "file.jpg");
}

TEST_F(TemplateFieldsTest, UrlEscaping) {
  window_.cbxRelativePaths = false;
  window_.cbxLowercaseURLs = false;
  EXPECT_EQ(FieldUrl("/a b/c#d%e&f'g;h<i=j>k?l@m[n]o^p`q{r|s}t\\u\"v", context_),
            "file:///a%20b/"
            "c%23d%25e%26f%27g%3Bh%3Ci%3Dj%3Ek%3Fl%40m%5Bn%5Do%5Ep%60q%7Br%7Cs%7Dt%5Cu%22v");
  EXPECT_EQ(FieldUrl("images/caf\u00e9.jpg", context_), "images/caf%C3%A9.jpg");
  EXPECT_EQ(FieldUrl("", context_), "");
}

TEST_F(TemplateFieldsTest, ImageFolderInFolderMode) {
  window_.cbxPickManually = false;
  window_.vclShellTree = pics_ + "/";
  EXPECT_EQ(Field(fidImageFolder), "../pics");
  info_.current_picture = nullptr;
  EXPECT_EQ(Field(fidImageFolder), "../pics");  // the folder tree's folder, also without a picture
  window_.cbxIncludeSubFolders = true;
  info_.current_picture = &picture_;
  picture_.fldPathName = album_ + "/sub/";
  EXPECT_EQ(Field(fidImageFolder), "sub");
}

TEST_F(TemplateFieldsTest, DescriptionsAndTheImageNameInstead) {
  picture_.fldDescription = "no separator \u00e9";
  EXPECT_EQ(Field(fidImageTitle), "");
  EXPECT_EQ(Field(fidImageInfo), "no separator &eacute;");
  picture_.fldDescription = "";
  EXPECT_EQ(Field(fidItemInfo), "");
  window_.cbxImageNameIfNoInfo = true;
  picture_.fldFileName = "A&B";
  EXPECT_EQ(Field(fidItemInfo), "A&amp;B");
  EXPECT_EQ(Field(fidImageInfo), "A&amp;B");
  EXPECT_EQ(Field(fidImageTitle), "");
}

TEST_F(TemplateFieldsTest, TagSizesFollowTheMaximumImageSize) {
  struct TCase {
    int w, h;
    const char* max_w;
    const char* max_h;
    const char* tag_w;
    const char* tag_h;
  } cases[] = {
      {800, 600, "650", "450", "600", "450"},  // the height's factor is smaller
      {1300, 500, "650", "450", "650", "250"},
      {640, 480, "", "", "640", "480"},  // no limits: the image size
      {640, 480, "0", "abc", "640", "480"},
      {640, 480, "1000", "1000", "640", "480"},
      {1234, 1000, "450", "", "450", "364"},  // 364.69 rounds towards zero
      {5000, 2, "100", "", "100", "1"},       // at least 1
  };
  for (const TCase& c : cases) {
    picture_.fldImageWidth = c.w;
    picture_.fldImageHeight = c.h;
    window_.edtImageMaxWidth = c.max_w;
    window_.edtImageMaxHeight = c.max_h;
    EXPECT_EQ(Field(fidImageTagWidth), c.tag_w) << c.w << "x" << c.h;
    EXPECT_EQ(Field(fidImageTagHeight), c.tag_h) << c.w << "x" << c.h;
  }
}

TEST_F(TemplateFieldsTest, ThumbnailSizes) {
  TJwImageConv thumbs;
  thumbs.MaxWidth = 200;
  thumbs.MaxHeight = 100;
  context_.ThumbConverter = &thumbs;
  struct TCase {
    int w, h;
    const char* tw;
    const char* th;
  } cases[] = {
      {800, 600, "133", "100"}, {300, 100, "200", "67"}, {100, 50, "100", "50"},
      {-1, -1, "-1", "-1"},     {250, 2, "200", "2"},
  };
  for (const TCase& c : cases) {
    picture_.fldImageWidth = c.w;
    picture_.fldImageHeight = c.h;
    EXPECT_EQ(Field(fidThumbWidth), c.tw) << c.w << "x" << c.h;
    EXPECT_EQ(Field(fidThumbHeight), c.th) << c.w << "x" << c.h;
  }
  EXPECT_EQ(Field(fidThumbDefWidth), "200");
  EXPECT_EQ(Field(fidThumbDefHeight), "100");
}

TEST_F(TemplateFieldsTest, CharSetNames) {
  EXPECT_EQ(CharSetName("[Omit]"), "");
  EXPECT_EQ(CharSetName("[omit]"), "");
  EXPECT_EQ(CharSetName("Default encoding"), "UTF-8");
  EXPECT_EQ(CharSetName("Latin/Thai"), "ISO-8859-11");
  EXPECT_EQ(CharSetName("Latin 7 (Baltic Rim)"), "ISO-8859-13");
  EXPECT_EQ(CharSetName("Latin 9 (\"Euro\")"), "ISO-8859-15");
  EXPECT_EQ(CharSetName("Latin 6 (Nordic: S\u00e1mi, Inuit, Icelandic)"), "ISO-8859-10");
  EXPECT_EQ(CharSetName("Japanese (EUC-JP)"), "EUC-JP");
  EXPECT_EQ(CharSetName("windows-1251"), "windows-1251");
  EXPECT_EQ(ColorToHtml(0xFFFFFF), "FFFFFF");
  EXPECT_EQ(ColorToHtml(0x123456), "563412");
}

TEST_F(TemplateFieldsTest, BackgroundImageIsCopiedIntoTheImageFolder) {
  TJwImageConv pictures;
  pictures.SetDestFolder(album_ + "/images/");
  context_.ImageConverter = &pictures;
  ASSERT_TRUE(ForceFolders(album_ + "/images"));
  EXPECT_EQ(Field(fidBackImage), "images/paper.gif");
  EXPECT_EQ(test::ReadFile(album_ + "/images/paper.gif"), "GIF89a");
  // Without overwriting an existing copy stays as it is.
  test::WriteFile(album_ + "/images/paper.gif", "older");
  context_.picture_switches.overwrite = false;
  EXPECT_EQ(Field(fidBackImage), "images/paper.gif");
  EXPECT_EQ(test::ReadFile(album_ + "/images/paper.gif"), "older");
  // A copy that fails links to the source.
  context_.picture_switches.overwrite = true;
  window_.cmbBackgroundImage = "Missing.gif";
  EXPECT_EQ(Field(fidBackImage), "../bg/missing.gif");
  // Not copying: the file in the backgrounds folder; none chosen: empty.
  window_.cmbBackgroundImage = "Paper.GIF";
  context_.picture_switches.copy = false;
  EXPECT_EQ(Field(fidBackImage), "../bg/Paper.GIF");
  window_.cmbBackgroundImage = "";
  EXPECT_EQ(Field(fidBackImage), "");
}

}  // namespace
}  // namespace pictavo

namespace pictavo {
namespace {

class TemplateFieldsImageTest : public TemplateFieldsTest {
 protected:
  void SetUp() override {
    TemplateFieldsTest::SetUp();
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is missing";
    ASSERT_EQ(test::RunCommand("convert -size 800x600 xc:red '" + picture_.fldFullName + "'"), 0);
    // Names keep their case here: the lower-case URL rules have tests of
    // their own, and the temporary folder's name has upper-case letters.
    TBuildImageOptions options;
    options.LowercaseUrls = false;
    window_.cbxLowercaseURLs = false;
    setup_ = SetupBuildConverters(options, TAlbumImageOptions{}, album_ + "/", pictures_, thumbs_);
    context_.ImageObjects = &objects_;
    context_.ImageConverter = &pictures_;
    context_.ThumbConverter = &thumbs_;
    context_.picture_switches = setup_.picture_switches;
    context_.thumbnail_switches = setup_.thumbnail_switches;
  }

  TJwImageConv pictures_, thumbs_;
  TBuildImageSetup setup_;
  TImageObjects objects_;
};

TEST_F(TemplateFieldsImageTest, FieldsProduceThePictureAndItsThumbnailOnce) {
  // 800 x 600 exceeds 650 x 450: converted into the image folder.
  EXPECT_EQ(Field(fidFileUrl), "images/My%20Photo.jpg");
  EXPECT_EQ(Field(fidFileName), "My%20Photo.jpg");
  EXPECT_EQ(Field(fidFileDosName), "My Photo.jpg");
  EXPECT_EQ(Field(fidImageWidth), "600");
  EXPECT_EQ(Field(fidImageHeight), "450");
  EXPECT_EQ(Field(fidImageTagWidth), "600");
  int64_t size = FileSize(album_ + "/images/My Photo.jpg");
  ASSERT_GT(size, 0);
  EXPECT_EQ(Field(fidImageSize), std::to_string(size));
  EXPECT_EQ(Field(fidImageKbSize), std::to_string(size / 1024));
  EXPECT_EQ(objects_.size(), 1u);

  EXPECT_EQ(Field(fidThumbUrl), "images/tn_My%20Photo.jpg");
  EXPECT_EQ(Field(fidThumbWidth), "150");
  EXPECT_EQ(Field(fidThumbHeight), "112");
  TImageInfo thumb;
  GetImageInfo(album_ + "/images/tn_My Photo.jpg", thumb);
  EXPECT_TRUE(thumb.valid);
  EXPECT_EQ(thumb.width, 150);
  // Asking again reuses both objects.
  EXPECT_EQ(Field(fidThumbUrl), "images/tn_My%20Photo.jpg");
  EXPECT_EQ(Field(fidFileUrl), "images/My%20Photo.jpg");
  EXPECT_EQ(objects_.size(), 2u);
  // Without a picture nothing is produced.
  info_.current_picture = nullptr;
  EXPECT_EQ(Field(fidFileUrl), "");
  EXPECT_EQ(objects_.size(), 2u);
}

TEST_F(TemplateFieldsImageTest, AMissingPictureFallsBackToItsOwnPath) {
  picture_.fldFullName = pics_ + "/Gone.jpg";
  picture_.fldFileName = "Gone";
  std::string url = Field(fidFileUrl);
  EXPECT_FALSE(url.empty());
  EXPECT_EQ(Field(fidImageWidth), "0");  // an object that could not measure its file
}

}  // namespace
}  // namespace pictavo
