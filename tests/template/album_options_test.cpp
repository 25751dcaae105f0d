#include "template/album_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/image_conv.h"
#include "pictures/picture_item.h"
#include "platform/text_lines.h"
#include "settings/window_state.h"
#include "support/test_support.h"
#include "template/color_value.h"
#include "template/ignore_fields.h"
#include "template/text_to_bool.h"

namespace pictavo {
namespace {

using test::TTempDir;

// ---- value helpers

TEST(TextToBoolTest, StrictAndLenientReadings) {
  struct TCase {
    const char* text;
    bool lenient;
    bool strict;
  };
  const TCase cases[] = {
      {"", false, false},        {"0", false, false},      {"00", true, false},
      {"1", true, true},         {"+1", true, true},       {"-1", true, true},
      {"+2", true, false},       {"2", true, false},       {"on", true, true},
      {"ON", true, true},        {"Off", false, false},    {"offline", true, false},
      {"no", false, false},      {"N", false, false},      {"nope", true, false},
      {"Yes", true, true},       {"y", true, true},        {"yesterday", true, false},
      {"TRUE", true, true},      {"trueish", true, false}, {"false", false, false},
      {"falsely", false, false}, {"F", true, false},       {" 0", true, false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(TextToBool(c.text, false), c.lenient) << "lenient \"" << c.text << '"';
    EXPECT_EQ(TextToBool(c.text, true), c.strict) << "strict \"" << c.text << '"';
  }
}

TEST(ExpandThumbSpecsTest, PrefixAndSuffixForms) {
  struct TCase {
    const char* value;
    const char* prefix;
    const char* expected;
  };
  const TCase cases[] = {
      {"{THUMBSPECS}", "tn_", "tn_*.*"},
      {"{thumbspecs}", "_small", "*_small.*"},
      {"*.bmp;{THUMBSPECS}", "tn_", "*.bmp;tn_*.*"},
      {"{THUMBSPECS};*.bmp", ".t", "*.t.*;*.bmp"},
      {"{THUMBSPECS}", "-x", "*-x.*"},
      {"{THUMBSPECS}", "_", "_*.*"},  // one character is a prefix
      {"*.gif;{THUMBSPECS}", "", "*.gif;"},
      {"a{THUMBSPECS}b{THUMBSPECS}", "t", "at*.*b{THUMBSPECS}"},
      {"*.jpg", "tn_", "*.jpg"},
      {"{THUMBSPECS", "tn_", "{THUMBSPECS"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ExpandThumbSpecs(c.value, c.prefix), c.expected) << c.value << " / " << c.prefix;
  }
}

TEST(ParseMaxSizeTest, WidthAndHeight) {
  struct TCase {
    const char* value;
    int width, height;
  };
  const TCase cases[] = {
      {"200", 200, 200},     {"200x", 200, 200},  {"x120", 150, 120},
      {"200X100", 200, 100}, {"abc", 150, 150},   {"abcx", 150, 150},
      {"80 x 60", 80, 60},   {"-5x-7", 150, 150}, {"99999999999x3", 150, 3},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ParseMaxSize(c.value, 150), std::make_pair(c.width, c.height)) << c.value;
  }
  EXPECT_EQ(ParseMaxSize("zz", 600), std::make_pair(600, 600));
}

TEST(OptionIntegerTest, WholeNumbersOnly) {
  EXPECT_EQ(OptionInteger("12"), 12);
  EXPECT_EQ(OptionInteger(" +7 "), 7);
  EXPECT_EQ(OptionInteger("-3"), -3);
  EXPECT_EQ(OptionInteger("0"), 0);
  for (const char* bad : {"", "abc", "12a", "1.5", "++1", "+-1", "+", "99999999999"}) {
    EXPECT_EQ(OptionInteger(bad), std::nullopt) << bad;
  }
}

// Colours come back as blue * 65536 + green * 256 + red.
TEST(ColorFromTextTest, AcceptedForms) {
  struct TCase {
    const char* text;
    uint32_t color;
  };
  const TCase cases[] = {
      {"#FF8000", 0x0080FF},        {"#ff8000", 0x0080FF},      {"$0080FF", 0x0080FF},
      {"0080FF", 0x0080FF},         {"$FF", 0x0000FF},          {"Red", 0x0000FF},
      {"clRed", 0x0000FF},          {"CLRED", 0x0000FF},        {"Teal", 0x808000},
      {"clFuchsia", 0xFF00FF},      {"Gray", 0x808080},         {"Silver", 0xC0C0C0},
      {"CornflowerBlue", 0xED9564}, {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
      {"SkyBlue", 0xEBCE87},        {"clBtnFace", 0xC8D0D4},    {"ButtonFace", 0xC8D0D4},
      {"$FF00000F", 0xC8D0D4},      {"clWindow", 0xFFFFFF},     {"clWindowText", 0x000000},
      {"cl3DDkShadow", 0x404040},   {"clInfoBk", 0xE1FFFF},     {"clHighlight", 0x6A240A},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ColorFromText(c.text), c.color) << c.text;
  }
  for (const char* bad : {"", "#12345", "#1234567", "#GG0000", "$", "$xyz", "clNoSuchColour", "cl",
                          "$1FFFFFFF", "$FF0000FF", "123456789", "Red "}) {
    EXPECT_EQ(ColorFromText(bad), std::nullopt) << bad;
  }
}

// ---- reading the block

TEST(OptionsBlockTest, FirstBlockUpToFirstEnd) {
  const std::string text = "a<!--Album-Options\r\nx=1\r\n-->b<!--album-options\r\ny=2\r\n-->";
  const auto block = FindOptionsBlock(text);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->start, 1u);
  EXPECT_EQ(text.substr(block->end, 1), "b");
  EXPECT_EQ(OptionsText(text), "\r\n\r\nx=1\r\n");
  EXPECT_FALSE(FindOptionsBlock("<!--album-options\nx=1\n"));  // no "-->"
  EXPECT_FALSE(FindOptionsBlock("<!-- album-options x=1 -->"));
  EXPECT_EQ(OptionsText("no block"), "");
}

TEST(OptionsBlockTest, BothReadersAgreeOnWhichLineCounts) {
  const TPathMacroFolders folders{"/albums", "/program", "/samples", "/tmp"};
  // LF, CR and CR LF line breaks; an indented key; a blank before "=";
  // repeated keys (the first wins); keys in any case.
  const std::string options =
      "\r\nFolder={SAMPLESPATH}/x  \n indented=1\rspaced =2\r\nfolder=second\n"
      "INFO=  a b  \r\nempty=\n";
  EXPECT_EQ(PickOptionValue(options, "folder"), "{SAMPLESPATH}/x  ");
  EXPECT_EQ(BuildOptionValue(options, "folder", folders), "/samples/x");
  EXPECT_EQ(PickOptionValue(options, "info"), "  a b  ");
  EXPECT_EQ(BuildOptionValue(options, "info", folders), "a b");
  EXPECT_EQ(PickOptionValue(options, "empty"), "");
  EXPECT_EQ(BuildOptionValue(options, "empty", folders), "");
  for (const char* key : {"indented", "spaced", "missing"}) {
    EXPECT_EQ(PickOptionValue(options, key), std::nullopt) << key;
    EXPECT_EQ(BuildOptionValue(options, key, folders), std::nullopt) << key;
    EXPECT_FALSE(HasOptionLine(options, key)) << key;
  }
  EXPECT_TRUE(HasOptionLine(options, "EMPTY"));
}

// ---- ignorefields

TEST(IgnoreFieldsTest, KeywordsOfTheGroups) {
  struct TCase {
    const char* word;
    int group;
  };
  const TCase cases[] = {
      {"PickManual", 1},  {"pickmanually", 1},    {"pickmanu", 0}, {"SubFolders", 2},
      {"imagedir", 3},    {"Folder", 3},          {"exclude", 6},  {"sort", 7},
      {"VLinkColor", 14}, {"PageImageCount", 16}, {"host", 19},    {"hos", 0},
      {"htmldir", 22},    {"mediafolder", 0},     {"sorting", 0},  {"", 0},
  };
  for (const TCase& c : cases) EXPECT_EQ(IgnoreFieldGroup(c.word), c.group) << c.word;

  // Only letters count: blanks and underscores vanish inside a word.
  const std::vector<bool> groups = IgnoredGroups("Page Title, back_color;sort,,x1y");
  for (size_t g = 0; g < groups.size(); ++g) {
    EXPECT_EQ(groups[g], g + 1 == 15 || g + 1 == 11 || g + 1 == 7) << "group " << g + 1;
  }
}

TEST(IgnoreFieldsTest, DisablesAndRestoresControlsWithMarks) {
  TWindowState window;
  // btnUp is disabled by the window itself (nothing selected), edtPageTitle
  // too, for a reason unknown to the template.
  window.DisabledControls = {"btnUp", "edtPageTitle"};

  ApplyIgnoreFields(window, "sort, pagetitle");
  for (const char* c : {"cmbSorting", "btnUp", "btnDown", "edtPageTitle"}) {
    EXPECT_FALSE(ControlEnabled(window, c)) << c;
  }
  EXPECT_EQ(window.IgnoreMarks["cmbSorting"], TIgnoreMark::DisabledByTemplate);
  EXPECT_EQ(window.IgnoreMarks["btnUp"], TIgnoreMark::AlreadyDisabled);
  EXPECT_TRUE(ControlEnabled(window, "cmbFileFilters"));

  // The same text again changes nothing, even after the window moved on.
  window.DisabledControls.erase("btnDown");
  ApplyIgnoreFields(window, "sort, pagetitle");
  EXPECT_TRUE(ControlEnabled(window, "btnDown"));

  // The next template ignores nothing: what the template disabled comes
  // back, what was disabled before stays disabled; the marks go.
  ApplyIgnoreFields(window, "");
  EXPECT_TRUE(ControlEnabled(window, "cmbSorting"));
  EXPECT_FALSE(ControlEnabled(window, "btnUp"));
  EXPECT_FALSE(ControlEnabled(window, "edtPageTitle"));
  EXPECT_TRUE(window.IgnoreMarks.empty());

  // A control the window disabled on its own (no mark) is not enabled by a
  // template that ignores nothing.
  window.DisabledControls.insert("cmbFileFilters");
  ApplyIgnoreFields(window, "host");
  ApplyIgnoreFields(window, "");
  EXPECT_FALSE(ControlEnabled(window, "cmbFileFilters"));
  EXPECT_TRUE(ControlEnabled(window, "edtHostName"));
}

// ---- picking a template

// Records what the options readers ask of the window.
class TRecordingWindow : public TAlbumOptionsWindow {
 public:
  void PickManuallyUnticked() override { calls.push_back("unticked"); }
  void FolderShown(const std::string& folder) override { calls.push_back("folder " + folder); }
  void PictureFilterChanged() override { calls.push_back("filter changed"); }
  bool HasHandExcludedPictures() const override { return hand_excluded; }
  void ClearHandExcludedPictures() override { hand_excluded = false; }
  void RefreshPictureList(const std::string& folder, const std::string& filter) override {
    calls.push_back("refresh " + folder + " " + filter);
  }
  void ApplyExclusionFilters(const std::string& filters, bool re_include) override {
    calls.push_back("exclude " + filters + (re_include ? " re-include" : ""));
  }
  bool SelectSortEntry(const std::string& caption) override {
    calls.push_back("sort " + caption);
    return true;
  }
  bool SelectBackgroundImage(const std::string& name) override {
    calls.push_back("background " + name);
    return true;
  }
  void ShowTemplateInfo(const std::string& info) override { calls.push_back("info " + info); }

  bool hand_excluded = false;
  std::vector<std::string> calls;
};

class AlbumOptionsFixture : public ::testing::Test {
 protected:
  AlbumOptionsFixture()
      : context{window, host, {"/albums", "/program", temp.path(), "/tmp"}, {}, false} {}

  bool Called(const std::string& call) const {
    return std::find(host.calls.begin(), host.calls.end(), call) != host.calls.end();
  }

  TTempDir temp;
  TWindowState window;
  TRecordingWindow host;
  TAlbumOptionsContext context;
};

TEST_F(AlbumOptionsFixture, PickReadsEveryWindowKey) {
  const std::string folder = temp.file("pictures");
  test::WriteFile(folder + "/a.jpg", "x");
  window.cbxIncludeSubFolders = true;
  window.edtHostName = "old.host";
  window.cmbProfileName = "Profile";
  window.cmbProfileNameIndex = 2;
  window.edtMediaFolder = "keep";
  host.hand_excluded = true;
  const std::string text =
      "<html>\n<!--ALBUM-OPTIONS\n"
      "ftp_host=ftp.example.org\nftp_userid=me\nftp_password=\nftp_htmldir={ALBUMPATH}/web\n"
      "folder={SAMPLESPATH}/pictures\nthumbprefix=_small\ninclude=*.jpg;{THUMBSPECS}\n"
      "exclude=tmp*;{THUMBSPECS}\nsort=Date - descending\noutputname=/srv/site/Album.html\n"
      "picsperpage=12\nbackimage=paper.jpg\nbackcolor=#102030\ntextcolor=clBtnFace\n"
      "linkcolor=no colour\ninfo=Line 1^PLine 2^pEnd\nignorefields=sort; backcolor\n"
      "autoshowinfo=yes\n-->\n<body></body>";
  LoadTemplateOptions(text, true, context);

  EXPECT_NE(window.OptionsLoadedAt, std::chrono::system_clock::time_point{});
  EXPECT_EQ(window.TemplateOptionsText.substr(0, 3), "\r\n\n");
  // Upload boxes: a present key sets its box (an empty value empties it), an
  // absent one leaves it.
  EXPECT_EQ(window.cmbProfileName, "");
  EXPECT_EQ(window.cmbProfileNameIndex, -1);
  EXPECT_EQ(window.edtHostName, "ftp.example.org");
  EXPECT_EQ(window.edtUserId, "me");
  EXPECT_EQ(window.edtPassword, "");
  EXPECT_EQ(window.edtHtmlFolder, "/albums/web");
  EXPECT_EQ(window.edtMediaFolder, "keep");
  // Picture selection: the folder is shown, subfolders unticked, the hand
  // exclusions dropped and the list rebuilt before the exclusion filters.
  EXPECT_EQ(window.vclShellTree, folder);
  EXPECT_FALSE(window.cbxIncludeSubFolders);
  EXPECT_EQ(window.ThumbPrefix, "_small");
  EXPECT_EQ(window.cmbFileFilters, "*.jpg;*_small.*");
  EXPECT_EQ(window.edtExclusionFilters, "tmp*;*_small.*");
  EXPECT_EQ(host.calls,
            (std::vector<std::string>{"folder " + folder, "filter changed",
                                      "refresh " + folder + " *.jpg;*_small.*",
                                      "exclude tmp*;*_small.*", "sort Date - descending",
                                      "background paper.jpg", "info Line 1\r\nLine 2\r\nEnd"}));
  EXPECT_FALSE(host.hand_excluded);
  // Album file: the folder part fills the empty album folder box.
  EXPECT_EQ(window.edtOutputDir, "/srv/site");
  EXPECT_EQ(window.edtOutputName, "Album.html");
  EXPECT_EQ(window.edtMaxImages, "12");
  // Colours: a value that does not convert leaves its button.
  EXPECT_EQ(window.btnBackgroundColor, 0x302010u);
  EXPECT_EQ(window.btnTextColor, 0xC8D0D4u);
  EXPECT_EQ(window.btnLinkColor, 0xFF0000u);
  EXPECT_EQ(window.TemplateInfo, "Line 1\r\nLine 2\r\nEnd");
  EXPECT_FALSE(ControlEnabled(window, "cmbSorting"));
  EXPECT_FALSE(ControlEnabled(window, "btnBackgroundColor"));
}

TEST_F(AlbumOptionsFixture, PickWithoutPageLookOrBlockChangesLittle) {
  const std::string text =
      "<!--album-options\nbackcolor=Red\nbackimage=x.jpg\nignorefields=pagetitle\ninfo=Hi\n-->";
  LoadTemplateOptions(text, false, context);
  EXPECT_EQ(window.btnBackgroundColor, 0xFFFFFFu);
  EXPECT_FALSE(Called("background x.jpg"));
  EXPECT_FALSE(ControlEnabled(window, "edtPageTitle"));
  EXPECT_EQ(window.TemplateInfo, "Hi");
  EXPECT_EQ(window.ThumbPrefix, "tn_");  // folder mode: the default prefix

  // The next template has no block: the previous one's traces go, the boxes
  // stay as they are.
  window.edtPageTitle = "Title";
  window.OptionsLoadedAt = {};
  LoadTemplateOptions("<html>no options</html>", true, context);
  EXPECT_TRUE(ControlEnabled(window, "edtPageTitle"));
  EXPECT_EQ(window.TemplateInfo, "");
  EXPECT_EQ(window.TemplateOptionsText, "");
  EXPECT_EQ(window.ThumbPrefix, "");
  EXPECT_EQ(window.edtPageTitle, "Title");
  EXPECT_NE(window.OptionsLoadedAt, std::chrono::system_clock::time_point{});
}

TEST_F(AlbumOptionsFixture, PickInManualModeKeepsThePictureSelection) {
  window.cbxPickManually = true;
  window.cmbFileFilters = "*.png";
  LoadTemplateOptions("<!--album-options\ninclude=*.jpg\nexclude=x*\nsort=Size\n-->", true,
                      context);
  EXPECT_TRUE(window.cbxPickManually);
  EXPECT_EQ(window.cmbFileFilters, "*.png");
  EXPECT_EQ(window.edtExclusionFilters, "");
  EXPECT_EQ(window.ThumbPrefix, "");
  EXPECT_TRUE(host.calls.empty());

  // A folder switches to folder mode; a folder that does not exist is not
  // shown, but the filter of the same block then applies.
  LoadTemplateOptions("<!--album-options\nfolder=/no/such/folder\ninclude=*.jpg\n-->", true,
                      context);
  EXPECT_FALSE(window.cbxPickManually);
  EXPECT_EQ(window.vclShellTree, "");
  EXPECT_EQ(window.cmbFileFilters, "*.jpg");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"unticked", "filter changed"}));
}

TEST_F(AlbumOptionsFixture, PickedFolderKeepsSubfoldersTheTemplateAsksFor) {
  LoadTemplateOptions("<!--album-options\nincludesubfolders=1\nfolder=" + temp.path() + "\n-->",
                      true, context);
  EXPECT_EQ(window.vclShellTree, temp.path());
  EXPECT_TRUE(window.cbxIncludeSubFolders);
  // The same folder again (with a trailing "/") is not shown again.
  host.calls.clear();
  LoadTemplateOptions("<!--album-options\nfolder=" + temp.path() + "/\n-->", true, context);
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(AlbumOptionsFixture, PicturesPerPageAtPick) {
  struct TCase {
    const char* line;  // "" for no picsperpage line
    bool loading;
    const char* expected;
  };
  const TCase cases[] = {
      {"picsperpage=8", false, "8"},   {"picsperpage=0", false, ""},   {"picsperpage=", false, ""},
      {"picsperpage=abc", false, "5"}, {"picsperpage=-2", false, "5"}, {"", false, "5"},
      {"picsperpage=8", true, "5"},  // loading album settings keeps a filled box
  };
  for (const TCase& c : cases) {
    window.edtMaxImages = "5";
    context.SettingsLoading = c.loading;
    LoadTemplateOptions(std::string("<!--album-options\n") + c.line + "\n-->", true, context);
    EXPECT_EQ(window.edtMaxImages, c.expected) << c.line << (c.loading ? " loading" : "");
  }
  window.edtMaxImages = "";
  context.SettingsLoading = true;
  LoadTemplateOptions("<!--album-options\npicsperpage=8\n-->", true, context);
  EXPECT_EQ(window.edtMaxImages, "8");
}

TEST_F(AlbumOptionsFixture, LoadingSettingsAppliesTheBoxsExclusionFilters) {
  window.edtExclusionFilters = "old*";
  context.SettingsLoading = true;
  LoadTemplateOptions("<!--album-options\nsort=\n-->", true, context);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"exclude old*"}));
}

TEST_F(AlbumOptionsFixture, WizardCompletesTheOptionsText) {
  int runs = 0;
  context.complete_fields = [&](std::string& options) {
    ++runs;
    const size_t marker = options.find("^?[Pictures per page=4]");
    if (marker != std::string::npos) options.replace(marker, 23, "9");
    return true;
  };
  LoadTemplateOptions("<!--album-options\npicsperpage=^?[Pictures per page=4]\n-->", true, context);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(window.edtMaxImages, "9");
  EXPECT_EQ(window.TemplateOptionsText, "\r\n\npicsperpage=9\n");

  // Cancel: the markers are gone and the pick goes on without answers.
  context.complete_fields = [](std::string& options) {
    options = ReplaceAll(options, "^?[Title]", "");
    return false;
  };
  LoadTemplateOptions("<!--album-options\noutputname=^?[Title]x.html\n-->", true, context);
  EXPECT_EQ(window.edtOutputName, "x.html");
}

// ---- build time

class ApplyOptionsFixture : public AlbumOptionsFixture {
 protected:
  ApplyOptionsFixture() {
    build.NamedTexts = &named;
    build.ThumbConverter = &thumbs;
    build.ImageConverter = &images;
    thumbs.SubName = "tn_";
    thumbs.MaxWidth = thumbs.MaxHeight = 150;
    thumbs.Overwrite = false;
    input.PageExt = "html";
    input.TemplatePath = "/templates/_Gallery.html";
    input.OutputFolder = "/albums/0001";
    input.Pictures = &pictures;
  }

  void AddPicture(const std::string& name, bool included = true) {
    TPictureItem item;
    item.fldFileName = name;
    item.fldIndex = included ? static_cast<int>(pictures.size()) + 1 : -1;
    pictures.push_back(item);
  }

  TTemplateOptions Apply(const std::string& block_lines) {
    return ApplyAlbumOptions("<!--album-options\n" + block_lines + "-->\n<p>", input, build,
                             context);
  }

  std::vector<TPictureItem> pictures;
  TNamedTexts named;
  TJwImageConv thumbs, images;
  TAlbumOptionsBuild build;
  TApplyOptionsInput input;
};

TEST_F(ApplyOptionsFixture, RemovesTheFirstBlockAndOneLineBreak) {
  const std::string text =
      "a\r\n<!--album-options\r\nx=1\r\n-->\r\n\r\nb<!--album-options\nmerge=m\n-->";
  const TTemplateOptions result = ApplyAlbumOptions(text, input, build, context);
  EXPECT_EQ(result.Text, "a\r\n\r\nb<!--album-options\nmerge=m\n-->");
  EXPECT_EQ(build.MergeName, "");
  EXPECT_EQ(ApplyAlbumOptions("x<!--album-options-->\ny", input, build, context).Text, "xy");

  // Without a block nothing is applied and no FTP record is added.
  const TTemplateOptions none = ApplyAlbumOptions("<p>{ImageName}</p>", input, build, context);
  EXPECT_EQ(none.Text, "<p>{ImageName}</p>");
  EXPECT_TRUE(none.IterateGrid);
  EXPECT_FALSE(none.IsContentsPage);
  EXPECT_TRUE(none.NoOutputName);
  EXPECT_EQ(build.FtpInfos.size(), 2u);  // one per block above
}

TEST_F(ApplyOptionsFixture, FtpRecordsFromTheFileGoIntoTheWindow) {
  window.edtUserId = "window user";
  window.cmbProfileName = "Profile";
  window.cmbProfileNameIndex = 2;
  Apply(
      "ftp_autoconnect=2\nftp_passivemode=2\nftp_host= {ALBUMPATH}/upload \n"
      "ftp_password=secret\nftp_htmldir=\n");
  ASSERT_EQ(build.FtpInfos.size(), 1u);
  const TFtpInfoRec& first = build.FtpInfos[0].Info;
  EXPECT_FALSE(first.AutoConnect);  // strict
  EXPECT_TRUE(first.PassiveMode);   // lenient
  EXPECT_EQ(first.Host, "/albums/upload");
  EXPECT_EQ(first.UserId, "");
  EXPECT_EQ(first.Password, "secret");
  EXPECT_EQ(window.cmbProfileName, "");
  EXPECT_EQ(window.cmbProfileNameIndex, -1);
  EXPECT_TRUE(window.cbxPassiveMode);
  EXPECT_EQ(window.edtHostName, "/albums/upload");
  EXPECT_EQ(window.edtUserId, "window user");  // empty values leave the boxes
  EXPECT_EQ(window.edtPassword, "secret");

  // The next template starts from a copy of the last record.
  Apply("ftp_userid=other\nftp_autoconnect=yes\n");
  ASSERT_EQ(build.FtpInfos.size(), 2u);
  const TFtpInfoRec& second = build.FtpInfos[1].Info;
  EXPECT_TRUE(second.AutoConnect);
  EXPECT_FALSE(second.PassiveMode);  // absent: false
  EXPECT_EQ(second.Host, "/albums/upload");
  EXPECT_EQ(second.UserId, "other");
}

TEST_F(ApplyOptionsFixture, FtpRecordTakesTheWindowsEditedBoxes) {
  window.edtHostName = "edited.host";
  window.edtHtmlFolder = "www";
  window.cbxPassiveMode = true;
  window.cmbProfileName = "Profile";
  window.cmbProfileNameIndex = 2;
  input.OptionsFromWindow = true;
  window.TemplateOptionsText = "\r\nftp_host=file.host\r\nftp_passivemode=0\r\n";
  // The template text's own block is not read: the window's options text is.
  const TTemplateOptions result =
      ApplyAlbumOptions("<!--album-options\nftp_host=ignored\n-->body", input, build, context);
  EXPECT_EQ(result.Text, "body");
  ASSERT_EQ(build.FtpInfos.size(), 1u);
  const TFtpInfoRec& rec = build.FtpInfos[0].Info;
  EXPECT_EQ(rec.Host, "edited.host");
  EXPECT_EQ(rec.HtmlDir, "www");
  EXPECT_TRUE(rec.PassiveMode);
  EXPECT_EQ(window.cmbProfileNameIndex, 2);
}

TEST_F(ApplyOptionsFixture, ChainsMergesAndNamedTexts) {
  named.Add("Footer", "from an earlier template");
  Apply(
      "templatebuild=_a.html; _b.html\nmerge=Part\n"
      "variables={Footer:new}{ Title : Hello } junk {Empty:}{:x}{NoColon}{Url:{ALBUMPATH}/x\n");
  EXPECT_EQ(build.ChainTemplates, "_a.html; _b.html");
  EXPECT_EQ(build.MergeName, "Part");
  EXPECT_EQ(named.Find("footer")->text, "from an earlier template");
  ASSERT_NE(named.Find("TITLE"), nullptr);
  EXPECT_EQ(named.Find("TITLE")->text, "Hello");
  EXPECT_EQ(named.Find("Empty"), nullptr);
  EXPECT_EQ(named.Find("Url"), nullptr);  // no closing brace
  EXPECT_EQ(named.size(), 3u);

  // One definition without braces; an empty templatebuild keeps the chain;
  // a template without merge is written, not merged.
  Apply("templatebuild=\nvariables=Head: <b>bold</b>\n");
  EXPECT_EQ(build.ChainTemplates, "_a.html; _b.html");
  EXPECT_EQ(build.MergeName, "");
  EXPECT_EQ(named.Find("Head")->text, "<b>bold</b>");

  // A chained template without any block does not inherit a merge name.
  Apply("merge=Part\n");
  ApplyAlbumOptions("<p>{ImageName}</p>", input, build, context);
  EXPECT_EQ(build.MergeName, "");
}

TEST_F(ApplyOptionsFixture, ConverterSettings) {
  window.ThumbPrefix = "_small";
  Apply(
      "thumbmaxsize=x120\nthumbquality=abc\nthumbsharpness=3\nimageprefix=web_\n"
      "imagemaxsize=800\nimagequality=70\nimageoverwrite=0\n");
  // thumbprefix absent: the window's prefix is emptied and the converter
  // keeps its own.
  EXPECT_EQ(window.ThumbPrefix, "");
  EXPECT_EQ(thumbs.SubName, "tn_");
  EXPECT_EQ(thumbs.MaxWidth, 150);
  EXPECT_EQ(thumbs.MaxHeight, 120);
  EXPECT_EQ(thumbs.JpgQuality(), 80);
  EXPECT_EQ(thumbs.ImageSharpness(), 3);
  EXPECT_TRUE(thumbs.Overwrite);
  EXPECT_EQ(images.SubName, "web_");
  EXPECT_EQ(images.MaxWidth, 800);
  EXPECT_EQ(images.MaxHeight, 800);
  EXPECT_EQ(images.JpgQuality(), 70);
  EXPECT_FALSE(images.Overwrite);
  EXPECT_TRUE(build.QualityOrSharpnessSet);
  EXPECT_TRUE(build.ImageConverterChanged);
}

TEST_F(ApplyOptionsFixture, ThumbOverwriteIsStrictOnlyWhileTheFlagIsSet) {
  // The flag is set by thumbmaxsize: "2" is not a strict true.
  TTemplateOptions result = Apply("thumbprefix=pre_\nthumbmaxsize=200\nthumboverwrite=2\n");
  EXPECT_FALSE(thumbs.Overwrite);
  EXPECT_TRUE(result.ThumbOverwriteGiven);
  EXPECT_EQ(thumbs.SubName, "pre_");
  EXPECT_EQ(thumbs.MaxWidth, 200);
  EXPECT_EQ(thumbs.MaxHeight, 200);
  // The flag is not set: "2" is a lenient true.
  result = Apply("thumboverwrite=2\n");
  EXPECT_TRUE(thumbs.Overwrite);
  result = Apply("imagemaxsize=wide\n");
  EXPECT_FALSE(result.ThumbOverwriteGiven);
  EXPECT_EQ(images.MaxWidth, 600);
  EXPECT_EQ(images.MaxHeight, 600);
}

TEST_F(ApplyOptionsFixture, IterationAndContentsPage) {
  struct TCase {
    const char* lines;
    bool iterate, contents;
  };
  const TCase cases[] = {
      {"", true, false},
      {"iterategrid=0\niscontentspage=yes\n", false, true},
      {"iterategrid=nope\niscontentspage=2\n", true, false},
      {"iterategrid=\niscontentspage=\n", true, false},
  };
  for (const TCase& c : cases) {
    const TTemplateOptions result = Apply(c.lines);
    EXPECT_EQ(result.IterateGrid, c.iterate) << c.lines;
    EXPECT_EQ(result.IsContentsPage, c.contents) << c.lines;
  }
}

TEST_F(ApplyOptionsFixture, PictureSelectionOnlyWhenOptionsAreNotFromTheWindow) {
  window.edtMaxImages = "5";
  window.cmbFileFilters = "*.png";
  Apply("picsperpage=\ninclude={THUMBSPECS}\nthumbprefix=tn_\nexclude=*.bmp;{THUMBSPECS}\n");
  EXPECT_EQ(window.edtMaxImages, "");  // an empty line empties the box at build time
  EXPECT_EQ(window.cmbFileFilters, "tn_*.*");
  EXPECT_EQ(window.edtExclusionFilters, "*.bmp;tn_*.*");
  EXPECT_TRUE(Called("exclude *.bmp;tn_*.* re-include"));

  window.edtMaxImages = "5";
  Apply("picsperpage=many\n");
  EXPECT_EQ(window.edtMaxImages, "5");
  Apply("sort=Size\n");
  EXPECT_EQ(window.edtMaxImages, "5");
  EXPECT_TRUE(Called("sort Size"));

  // Manual mode: exclusion filters and sort still apply, the filter does not.
  window.cbxPickManually = true;
  host.calls.clear();
  Apply("include=*.gif\nexclude=x*\npicsperpage=3\n");
  EXPECT_EQ(window.cmbFileFilters, "tn_*.*");
  EXPECT_EQ(window.edtMaxImages, "3");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"exclude x* re-include"}));

  input.OptionsFromWindow = true;
  window.TemplateOptionsText = "\r\npicsperpage=\r\nexclude=y*\r\n";
  host.calls.clear();
  ApplyAlbumOptions("<!--album-options-->", input, build, context);
  EXPECT_EQ(window.edtMaxImages, "3");
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(ApplyOptionsFixture, PageNamesForImageName) {
  AddPicture("a");
  AddPicture("skipped", false);
  AddPicture("b");
  window.edtMaxImages = "12";
  const TTemplateOptions result = Apply("outputname={imagename}\n");
  ASSERT_TRUE(build.PageNames);
  EXPECT_EQ(*build.PageNames,
            (std::vector<std::string>{"/albums/0001/a.html", "/albums/0001/b.html"}));
  EXPECT_EQ(result.OutputName, "/albums/0001/a.html");
  EXPECT_FALSE(result.NoOutputName);
  EXPECT_EQ(window.edtMaxImages, "1");
}

TEST_F(ApplyOptionsFixture, RepeatedPageNamesAreNumbered) {
  struct TCase {
    std::vector<std::string> pictures;
    const char* value;
    bool lowercase;
    std::vector<std::string> expected;  // names in /albums/0001/
  };
  const TCase cases[] = {
      {{"a", "a", "a02", "a"},
       "{imagename}",
       false,
       {"a.html", "a02.html", "a0202.html", "a03.html"}},
      {{"A", "a"}, "{ImageName}", true, {"a.html", "a02.html"}},
      {{"A", "a"}, "{imagename}", false, {"A.html", "a.html"}},
      {{"x"}, "pages/{imagename}.htm", false, {"pages/x.htm"}},
      // Lower-case URLs lower the page's name, not the folders above it.
      {{"X"}, "Pages/{imagename}", true, {"Pages/x.html"}},
      {{"x"}, "{imagename}.", false, {"x.html"}},
      {{"x"}, "p_{imagename}.txt", false, {"p_x.txt.html"}},
      {{"50%"}, "{imagename}", false, {"50%.html"}},
      {{"v1.2", "v1.2"}, "{imagename}", false, {"v1.2.html", "v1.202.html"}},
  };
  for (const TCase& c : cases) {
    pictures.clear();
    for (const auto& name : c.pictures) AddPicture(name);
    window.cbxLowercaseURLs = c.lowercase;
    build.Clear();
    Apply(std::string("outputname=") + c.value + "\n");
    std::vector<std::string> expected;
    for (const auto& name : c.expected) expected.push_back("/albums/0001/" + name);
    ASSERT_TRUE(build.PageNames) << c.value;
    EXPECT_EQ(*build.PageNames, expected) << c.value;
  }
}

TEST_F(ApplyOptionsFixture, OutputNames) {
  struct TCase {
    const char* value;
    bool sub_build;
    const char* expected;
  };
  window.edtOutputName = "My Album.html";
  window.edtOutputDir = "site";
  window.cbxLowercaseURLs = true;
  const TCase cases[] = {
      {"{ALBUMNAME}", false, "/albums/0001/my album.html"},
      {"sub/page", false, "/albums/0001/page.html"},     // the album folder box wins
      {"sub/page", true, "/albums/0001/sub/page.html"},  // a sub-build keeps folders
      {"page.php", false, "/albums/0001/page.php"},
  };
  for (const TCase& c : cases) {
    input.SubBuild = c.sub_build;
    const TTemplateOptions result = Apply(std::string("outputname=") + c.value + "\n");
    EXPECT_EQ(result.OutputName, c.expected) << c.value;
    EXPECT_FALSE(build.PageNames) << c.value;
  }

  // No pictures: no page names, so the template's own name without "_".
  input.SubBuild = false;
  TTemplateOptions result = Apply("outputname={imagename}\n");
  ASSERT_TRUE(build.PageNames);
  EXPECT_TRUE(build.PageNames->empty());
  EXPECT_EQ(result.OutputName, "Gallery.html");
  // Page names made by an earlier template of the build are not made again.
  AddPicture("a");
  result = Apply("outputname={imagename}\n");
  EXPECT_TRUE(build.PageNames->empty());
  // An empty album file name box under {albumname}: the template's name.
  window.edtOutputName.clear();
  EXPECT_EQ(Apply("outputname={albumname}\n").OutputName, "Gallery.html");
  // No outputname: no output name.
  EXPECT_TRUE(Apply("merge=x\n").NoOutputName);
}

}  // namespace
}  // namespace pictavo
