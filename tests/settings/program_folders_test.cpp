#include "settings/program_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/file_system.h"
#include "settings/reg_or_ini.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TTempDir;
using test::WriteFile;

// A home folder of its own, with the XDG variables pointing into it.
struct FoldersFixture : ::testing::Test {
  TTempDir home;
  std::string program = home.file("program");
  void SetUp() override {
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.file("config").c_str(), 1);
    WriteFile(program + "/Templates/Default.html", "<html></html>");
    WriteFile(program + "/Backgrounds/paper.jpg", "jpg");
    WriteFile(program + "/Samples/a.jpg", "jpg");
    WriteFile(program + "/Settings/Demo Default.alb", "[Settings]\n");
  }
  void TearDown() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
  }
  TProgramFolders Resolve(const std::string& ini_text = "") {
    if (!ini_text.empty()) WriteFile(home.file("p.ini"), ini_text);
    TRegOrIni store(home.file("p.ini"), program, home.file("config"));
    return ResolveProgramFolders(store);
  }
};

TEST_F(FoldersFixture, DefaultsFollowTheUserFoldersAndSeedTemplatesOnce) {
  WriteFile(home.file("config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  TProgramFolders f = Resolve();
  EXPECT_EQ(f.MainDirectory, program);
  EXPECT_EQ(f.BaseFolder, home.file("data/pictavo/"));
  EXPECT_EQ(f.SettingsFolder, home.file("data/pictavo/Settings"));
  EXPECT_EQ(f.AlbumsFolder, home.file("Docs/Pictavo/Albums"));
  EXPECT_EQ(f.UserDataFolder, home.file("Docs/Pictavo/"));
  EXPECT_EQ(f.SamplesFolder, program + "/Samples");
  EXPECT_TRUE(FileExists(f.TemplatesFolder + "/Default.html"));
  EXPECT_TRUE(FileExists(f.BackgroundsFolder + "/paper.jpg"));
  EXPECT_TRUE(FileExists(f.SettingsFolder + "/Demo Default.alb"));
  // A template the user deleted is not brought back at the next start.
  DeleteFile(f.TemplatesFolder + "/Default.html");
  Resolve();
  EXPECT_FALSE(FileExists(f.TemplatesFolder + "/Default.html"));
}

TEST_F(FoldersFixture, BaseFolderOption) {
  std::string base = home.file("mybase");
  ForceFolders(base);
  TProgramFolders f = Resolve("[Options]\nBaseFolder=" + base + "\n");
  EXPECT_EQ(f.BaseFolder, base + "/");
  EXPECT_EQ(f.AlbumsFolder, base + "/Albums");
  EXPECT_EQ(f.TemplatesFolder, base + "/Templates");
  // A base folder that does not exist falls back to the default.
  f = Resolve("[Options]\nBaseFolder=" + home.file("missing") + "\n");
  EXPECT_EQ(f.BaseFolder, home.file("data/pictavo/"));
  EXPECT_EQ(UserPicturesFolder(), home.file("Pictures"));
}

}  // namespace
}  // namespace pictavo
