// The build driver on real pictures and templates in a temporary folder: the
// pages and images written, the numbered album folders, the template chain
// and its loop guard, and the failures that delete the pages again.
#include "build/build_album.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "build/grid_build_host.h"
#include "build/progress_log.h"
#include "imaging/worker_pool.h"
#include "pictures/descriptions.h"
#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "platform/file_system.h"
#include "settings/window_state.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;

// Thumbnails at most 100 x 100; pictures at the window's 650 x 450.
constexpr char kGalleryTemplate[] =
    "<!--album-options\n"
    "thumbmaxsize=100x100\n"
    "-->\n"
    "<html><head><title>{PageTitle}</title></head><body>\n"
    "<!--body_start-->\n"
    "<a href=\"{FileUrl}\"><img src=\"{ThumbUrl}\" width=\"{ThumbWidth}\"></a>\n"
    "<!--body_end-->\n"
    "<p>Page {PageIndex} of {PageCount}</p>\n"
    "</body></html>\n";

class BuildAlbumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    folders_.MainDirectory = dir_.path();
    folders_.BaseFolder = dir_.path() + "/";
    folders_.AlbumsFolder = dir_.file("Albums");
    folders_.TemplatesFolder = dir_.file("Templates") + "/";
    folders_.SamplesFolder = dir_.file("Samples");
    folders_.SettingsFolder = dir_.file("Settings");
    folders_.BackgroundsFolder = dir_.file("Backgrounds");
    ForceFolders(folders_.AlbumsFolder);
    window_.vclShellTree = dir_.file("pics");
    window_.edtPageTitle = "Holiday";
    for (const char* name : {"beach", "dunes", "sunset"}) MakePicture(name, "800x600");
  }

  void MakePicture(const std::string& name, const std::string& size) {
    ForceFolders(dir_.file("pics"));
    ASSERT_EQ(test::RunCommand("convert -size " + size + " gradient:red-blue '" +
                               dir_.file("pics/" + name + ".jpg") + "'"),
              0);
  }
  void WriteTemplate(const std::string& name, const std::string& text) {
    test::WriteFile(folders_.TemplatesFolder + name, text);
  }

  // One window with its picture list and a builder on it.
  struct TWindow {
    TWindow(TWindowState& window_state, const TProgramFolders& folders, TUserInterface& ui)
        : state(window_state),
          grid(state, descriptions),
          collection(grid, state, ui),
          host(state, grid, collection, folders.BackgroundsFolder, ui),
          builder(state, host, ui, log, folders) {
      collection.RefreshPictureList(state.vclShellTree, state.cmbFileFilters,
                                    state.edtExclusionFilters);
    }
    TWindowState& state;
    TFileDescriptions descriptions;
    TPictureGrid grid;
    TPictureCollection collection;
    TGridBuildHost host;
    TMemoryProgressLog log;
    TAlbumBuilder builder;
  };

  std::string Album(const std::string& rel) const { return folders_.AlbumsFolder + "/" + rel; }
  static bool LogHas(const TMemoryProgressLog& log, const std::string& text) {
    return std::any_of(log.lines().begin(), log.lines().end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
  std::string Size(const std::string& file) {
    return test::CommandOutput("identify -format '%wx%h' '" + file + "'");
  }

  TTempDir dir_;
  TProgramFolders folders_;
  TWindowState window_;
  test::TScriptedUserInterface ui_;
};

TEST_F(BuildAlbumTest, WritesPagesPicturesAndThumbnailsIntoANumberedFolder) {
  WriteTemplate("Gallery.html", kGalleryTemplate);
  window_.edtMaxImages = "2";
  TWindow w(window_, folders_, ui_);
  w.state.cmbTemplate = "Gallery";
  ASSERT_TRUE(w.builder.BuildAlbumCommand()) << w.log.Text();

  EXPECT_EQ(w.log.lines().front(),
            "Loading template \"" + folders_.TemplatesFolder + "Gallery.html\"");
  EXPECT_EQ(w.log.lines().back(), "Finished building album");
  EXPECT_TRUE(LogHas(w.log, "Adding \"dunes\""));
  // Three pictures, two per page: the first page numbered (the default).
  const std::string page1 = Album("0001/index1.html"), page2 = Album("0001/index2.html");
  EXPECT_EQ(w.builder.ContentsPage, page1);
  EXPECT_EQ(w.builder.WrittenPages, (std::vector<std::string>{page1, page2}));
  const std::string text = test::ReadFile(page1);
  EXPECT_NE(text.find("<title>Holiday</title>"), std::string::npos);
  EXPECT_NE(
      text.find("<a href=\"images/beach.jpg\"><img src=\"images/tn_beach.jpg\" width=\"100\">"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("Page 1 of 2"), std::string::npos);
  EXPECT_NE(test::ReadFile(page2).find("tn_sunset.jpg"), std::string::npos);
  if (test::HaveProgram("identify")) {
    EXPECT_EQ(Size(Album("0001/images/beach.jpg")), "600x450");
    EXPECT_EQ(Size(Album("0001/images/tn_sunset.jpg")), "100x75");
  }
  // The album's files: the pages, and the pictures as media files.
  auto find = [&](const std::string& path) {
    return std::find_if(w.builder.AlbumFiles.begin(), w.builder.AlbumFiles.end(),
                        [&](const TAlbumFile& f) { return f.path == path; });
  };
  ASSERT_NE(find(page2), w.builder.AlbumFiles.end());
  EXPECT_GT(find(page2)->destination, 0);
  ASSERT_NE(find(Album("0001/images/tn_dunes.jpg")), w.builder.AlbumFiles.end());
  EXPECT_LT(find(Album("0001/images/tn_dunes.jpg"))->destination, 0);
  EXPECT_TRUE(w.builder.Commands.btnUploadEnabled);
  // The generated album folder and name go into the boxes.
  EXPECT_EQ(window_.edtOutputDir, "0001");
  EXPECT_EQ(window_.edtOutputName, "index.html");
}

TEST_F(BuildAlbumTest, SecondBuildReusesTheFolderAndANewAlbumTakesTheNextNumber) {
  WriteTemplate("Gallery.html", kGalleryTemplate);
  std::string first_page, first_thumb;
  {
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "Gallery";
    ASSERT_TRUE(w.builder.BuildAlbumCommand());
    first_page = test::ReadFile(w.builder.ContentsPage);
    first_thumb = test::ReadFile(Album("0001/images/tn_beach.jpg"));
    ASSERT_TRUE(w.builder.BuildAlbumCommand()) << w.log.Text();
    EXPECT_EQ(w.builder.ContentsPage, Album("0001/index.html"));
    EXPECT_EQ(test::ReadFile(w.builder.ContentsPage), first_page);
    EXPECT_EQ(test::ReadFile(Album("0001/images/tn_beach.jpg")), first_thumb);
    EXPECT_FALSE(FolderExists(Album("0002")));
  }
  // Another album with empty album file name and folder boxes.
  TWindowState fresh;
  fresh.vclShellTree = window_.vclShellTree;
  TWindow other(fresh, folders_, ui_);
  other.state.cmbTemplate = "Gallery";
  ASSERT_TRUE(other.builder.BuildAlbumCommand());
  EXPECT_EQ(other.builder.ContentsPage, Album("0002/index.html"));
}

TEST_F(BuildAlbumTest, ChainBuildsNamedTemplatesAndStopsAtALoop) {
  WriteTemplate("Main.html",
                "<!--album-options\ntemplatebuild=Slides.php\n-->\n"
                "<!--body_start-->\n{FileName} <!--body_end-->\n");
  WriteTemplate("Slides.php",
                "<!--album-options\niterategrid=0\n-->\n<?php echo '{DefaultExt}'; ?>\n");
  {
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "Main";
    ASSERT_TRUE(w.builder.BuildAlbumCommand()) << w.log.Text();
    // The chained template writes a .php page (named after it, lower-cased
    // with lower-case URLs); its {DefaultExt} is the main template's page
    // extension.
    EXPECT_NE(test::ReadFile(Album("0001/slides.php")).find("echo 'html'"), std::string::npos);
    EXPECT_TRUE(FileExists(Album("0001/index.html")));
  }

  struct TLoop {
    const char* name;
    std::vector<std::pair<std::string, std::string>> templates;
  };
  const TLoop loops[] = {
      {"itself", {{"A.html", "<!--album-options\ntemplatebuild=A\n-->\nA\n"}}},
      {"each other",
       {{"A.html", "<!--album-options\ntemplatebuild=B\n-->\nA\n"},
        {"B.html", "<!--album-options\ntemplatebuild=A.html\n-->\nB\n"}}},
  };
  for (const TLoop& loop : loops) {
    SCOPED_TRACE(loop.name);
    for (const auto& [name, text] : loop.templates) WriteTemplate(name, text);
    TWindowState state;
    state.vclShellTree = window_.vclShellTree;
    state.edtOutputDir = std::string("loop-") + (loop.templates.size() == 1 ? "1" : "2");
    TWindow w(state, folders_, ui_);
    w.state.cmbTemplate = "A";
    EXPECT_FALSE(w.builder.BuildAlbumCommand());
    EXPECT_TRUE(LogHas(
        w.log, "Error: template \"" + folders_.TemplatesFolder + "A.html\" is already being built"))
        << w.log.Text();
    EXPECT_EQ(w.log.lines().back(), "Album building interrupted!");
    // The pages written before the loop was found are deleted again.
    EXPECT_TRUE(w.builder.WrittenPages.empty());
    EXPECT_FALSE(FileExists(Album(state.edtOutputDir + "/A.html")));
  }
}

TEST_F(BuildAlbumTest, MissingTemplateAndUnusableAlbumFolderFailWithALogLine) {
  {
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "Nowhere";
    EXPECT_FALSE(w.builder.BuildAlbumCommand());
    EXPECT_TRUE(LogHas(w.log, "Error: template \"" + folders_.TemplatesFolder +
                                  "Nowhere.html\"containes no data"));
    EXPECT_EQ(w.log.lines().back(), "Album building interrupted!");
  }
  {
    WriteTemplate("Gallery.html", kGalleryTemplate);
    test::WriteFile(dir_.file("plain-file"), "x");
    window_.edtOutputDir = dir_.file("plain-file") + "/album";
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "Gallery";
    EXPECT_FALSE(w.builder.BuildAlbumCommand());
    EXPECT_TRUE(LogHas(
        w.log, "Error: album folder \"" + dir_.file("plain-file") + "/album\" cannot be created"))
        << w.log.Text();
    EXPECT_EQ(w.log.lines().back(), "Album building interrupted!");
    EXPECT_TRUE(w.builder.ContentsPage.empty());
  }
}

TEST_F(BuildAlbumTest, InterruptedOrFailedBuildDeletesItsPages) {
  WriteTemplate("Gallery.html", kGalleryTemplate);
  window_.edtMaxImages = "1";
  {
    // Ctrl+Alt held at the second picture, and the stop question answered Yes.
    window_.edtOutputDir = "stopped";
    ui_.ctrl_alt_after = 1;
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "Gallery";
    EXPECT_FALSE(w.builder.BuildAlbumCommand());
    ASSERT_TRUE(LogHas(w.log, "Saving page \"" + Album("stopped/index1.html") + "\""));
    EXPECT_FALSE(FileExists(Album("stopped/index1.html")));
    EXPECT_EQ(ui_.questions, std::vector<std::string>{"Do you want to stop building the album?"});
    EXPECT_EQ(w.log.lines().back(), "Album building interrupted!");
    EXPECT_TRUE(w.builder.WrittenPages.empty());
    EXPECT_FALSE(w.builder.Commands.btnPreviewLocalEnabled);
  }
  {
    // The second page cannot be written: a folder stands in its place.
    window_.edtOutputDir = "failed";
    ui_.ctrl_alt_after = -1;
    ForceFolders(Album("failed/index2.html"));
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "Gallery";
    EXPECT_FALSE(w.builder.BuildAlbumCommand());
    EXPECT_TRUE(LogHas(w.log, "Saving page \"" + Album("failed/index2.html") + "\" [Error]"))
        << w.log.Text();
    EXPECT_FALSE(ui_.errors.empty());
    EXPECT_FALSE(FileExists(Album("failed/index1.html")));
    EXPECT_EQ(w.log.lines().back(), "Album building interrupted!");
  }
}

TEST_F(BuildAlbumTest, TemplateWithoutIterationWritesOnePageAndNoPicturesStillFinish) {
  WriteTemplate("About.html",
                "<!--album-options\niterategrid=no\noutputname=about\n-->\n"
                "<p>{PageTitle}: {ImageCount} pictures</p>\n");
  {
    TWindow w(window_, folders_, ui_);
    w.state.cmbTemplate = "About";
    ASSERT_TRUE(w.builder.BuildAlbumCommand()) << w.log.Text();
    EXPECT_EQ(w.builder.WrittenPages.size(), 1u);
    EXPECT_NE(test::ReadFile(w.builder.WrittenPages[0]).find("Holiday: 3 pictures"),
              std::string::npos);
  }
  {
    WriteTemplate("Gallery.html", kGalleryTemplate);
    TWindowState empty;
    empty.vclShellTree = dir_.file("no-pictures");
    ForceFolders(empty.vclShellTree);
    TWindow w(empty, folders_, ui_);
    w.state.cmbTemplate = "Gallery";
    EXPECT_TRUE(w.builder.BuildAlbumCommand()) << w.log.Text();
    EXPECT_TRUE(w.builder.WrittenPages.empty());
    EXPECT_FALSE(w.builder.ContentsPage.empty());
    EXPECT_EQ(w.log.lines().back(), "Finished building album");
  }
}

TEST_F(BuildAlbumTest, PrefetchedImagesDoNotDependOnTheWorkerThreads) {
  // Pictures to convert, one to copy as it is, one PNG, and two sources that
  // would write the same converted name (left to the merge).
  MakePicture("small", "300x200");
  MakePicture("portrait", "600x900");
  ASSERT_EQ(test::RunCommand("convert -size 700x500 plasma:fractal -seed 7 '" +
                             dir_.file("pics/beach.png") + "'"),
            0);
  window_.cmbFileFilters = "*.jpg;*.png";
  WriteTemplate("Gallery.html",
                "<!--album-options\nthumbmaxsize=120x90\n-->\n<!--body_start-->\n"
                "<a href=\"{FileUrl}\">{ImageWidth}x{ImageHeight} {ImageSize}"
                "<img src=\"{ThumbUrl}\"></a>\n<!--body_end-->\n");
  auto build = [&](const std::string& folder, bool prefetch, int threads) {
    SetDefaultWorkerThreads(threads);
    TWindowState state = window_;
    state.edtOutputDir = folder;
    TWindow w(state, folders_, ui_);
    w.state.cmbTemplate = "Gallery";
    w.builder.PrefetchImages = prefetch;
    EXPECT_TRUE(w.builder.BuildAlbumCommand()) << w.log.Text();
  };
  build("fields", false, 1);
  build("one-thread", true, 1);
  ui_.statuses.clear();
  build("three-threads", true, 3);
  SetDefaultWorkerThreads(0);
  EXPECT_NE(std::find(ui_.statuses.begin(), ui_.statuses.end(), "Processing images ..."),
            ui_.statuses.end());
  const std::vector<std::string> names = {
      "index.html",          "images/beach.jpg",    "images/tn_beach.jpg",    "images/small.jpg",
      "images/tn_small.jpg", "images/portrait.jpg", "images/tn_portrait.jpg", "images/dunes.jpg"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(FileExists(Album("one-thread/" + name)));
    EXPECT_EQ(test::ReadFile(Album("three-threads/" + name)),
              test::ReadFile(Album("one-thread/" + name)));
  }
  EXPECT_EQ(ReadFolder(Album("three-threads/images")).size(),
            ReadFolder(Album("one-thread/images")).size());
  // The pages are those of a build whose fields make every picture.
  EXPECT_EQ(test::ReadFile(Album("one-thread/index.html")),
            test::ReadFile(Album("fields/index.html")));
  EXPECT_EQ(test::ReadFile(Album("one-thread/images/portrait.jpg")),
            test::ReadFile(Album("fields/images/portrait.jpg")));
}

// The album list and the preview of a Quick Build, recorded.
class TRecordingHost : public TGridBuildHost {
 public:
  using TGridBuildHost::TGridBuildHost;
  void PreviewAlbum(const std::string& page) override { previews.push_back(page); }
  void RegisterBuiltAlbum(const std::string& title, const std::string& page) override {
    registered.push_back(title + "|" + page);
  }
  void RemoveAlbumListEntries(const std::vector<std::string>& pages) override {
    removed.insert(removed.end(), pages.begin(), pages.end());
  }
  std::vector<std::string> previews, registered, removed;
};

TEST_F(BuildAlbumTest, QuickBuildPreviewsOnceAndTheWindowGetsItsBoxesBack) {
  // The options change the pictures per page and the exclusion filter for
  // the build only.
  WriteTemplate("Gallery.html",
                "<!--album-options\npicsperpage=1\nexclude=dunes.*\n-->\n"
                "<!--body_start-->\n{FileName}\n<!--body_end-->\n");
  window_.edtMaxImages = "5";
  window_.cbxAutomaticPreview = true;
  TFileDescriptions descriptions;
  TPictureGrid grid(window_, descriptions);
  TPictureCollection collection(grid, window_, ui_);
  collection.RefreshPictureList(window_.vclShellTree, window_.cmbFileFilters, "");
  TRecordingHost host(window_, grid, collection, folders_.BackgroundsFolder, ui_);
  TMemoryProgressLog log;
  TAlbumBuilder builder(window_, host, ui_, log, folders_);
  window_.cmbTemplate = "Gallery";

  ASSERT_TRUE(builder.QuickBuildCommand()) << log.Text();
  // One picture per page, dunes excluded: two pages.
  EXPECT_EQ(builder.WrittenPages.size(), 2u);
  EXPECT_EQ(host.previews, std::vector<std::string>{builder.ContentsPage});
  EXPECT_EQ(host.registered, std::vector<std::string>{"Holiday|" + builder.ContentsPage});
  EXPECT_EQ(window_.edtMaxImages, "5");
  EXPECT_EQ(window_.edtExclusionFilters, "");
  EXPECT_EQ(grid.IncludedCount(), 3);

  // A plain Build Album previews nothing, and a failed Quick Build neither.
  ASSERT_TRUE(builder.BuildAlbumCommand());
  EXPECT_EQ(host.previews.size(), 1u);
  window_.cmbTemplate = "Missing";
  EXPECT_FALSE(builder.QuickBuildCommand());
  EXPECT_EQ(host.previews.size(), 1u);
  EXPECT_FALSE(builder.Commands.btnPreviewLocalEnabled);
}

}  // namespace
}  // namespace pictavo
