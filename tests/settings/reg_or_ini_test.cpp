#include "settings/reg_or_ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/file_system.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::ReadFile;
using test::TTempDir;
using test::WriteFile;

// A store in a temporary folder with its own per-user registry root.
struct StoreFixture : ::testing::Test {
  TTempDir dir;
  std::string ini = dir.file("prog/pictavo.ini");
  std::string reg_root = dir.file("config");
  std::unique_ptr<TRegOrIni> Make(const std::string& path = {}) {
    ForceFolders(dir.file("prog"));
    return std::make_unique<TRegOrIni>(path.empty() ? ini : path, dir.file("prog"), reg_root);
  }
};

TEST(IniData, ReadAndWriteRules) {
  TIniData d;
  d.Parse("orphan=1\n; comment\n\n[Main]\nKey=first\nkey=second\nnot a pair\r\n[Other]\rA=x=y\n"
          "[MAIN]\nLate=1\n");
  EXPECT_FALSE(d.Value("Main", "orphan"));
  EXPECT_EQ(*d.Value("main", "KEY"), "first");
  EXPECT_EQ(*d.Value("Other", "a"), "x=y");
  EXPECT_EQ(*d.Value("Main", "Late"), "1");  // a repeated section is merged, nothing lost
  d.SetValue("main", "KEY", "new");
  d.SetValue("Main", "Added", "v");
  d.SetValue("Third", "T", "");
  EXPECT_EQ(d.Serialize(),
            "[Main]\r\nKEY=new\r\nkey=second\r\nnot a pair\r\nLate=1\r\nAdded=v\r\n\r\n"
            "[Other]\r\nA=x=y\r\n\r\n[Third]\r\nT=\r\n\r\n");
  d.EraseSection("OTHER");
  EXPECT_FALSE(d.HasSection("Other"));
}

TEST_F(StoreFixture, FirstRunStartsEmptyAndCreatesPrivateFileOnClose) {
  auto store = Make();
  EXPECT_TRUE(store->FirstRun);
  EXPECT_TRUE(store->UseIni);
  EXPECT_EQ(store->SettingsVersion, kSettingsVersion);
  EXPECT_EQ(store->ReadString("Author", "Name", "dflt"), "dflt");
  EXPECT_FALSE(FileExists(ini));
  store->WriteString("Author", "Name", "Ann");
  EXPECT_FALSE(FileExists(ini));  // the INI back end writes on close
  store->Close();
  EXPECT_EQ(ReadFile(ini), "[Author]\r\nName=Ann\r\n\r\n");
  EXPECT_EQ(StatPath(ini)->mode & 0777, 0600u);
  store->SaveApplicationInfo(true);
  auto again = Make();
  EXPECT_FALSE(again->FirstRun);
  EXPECT_EQ(again->ReadString("author", "name", ""), "Ann");
}

TEST_F(StoreFixture, ValueConversionsFallBackToDefaults) {
  WriteFile(ini,
            "[S]\nB1=1\nB0=0\nBx=yes\nI=-42\nIbad=12a\nIspace= 5\nF=2.5\nFbad=2,5x\n"
            "Q=\"  padded  \"\nU=\"x\"\nL=\"\"\nP=10;20;300\nFont=Arial;12;bi;255;0\n");
  auto s = Make();
  EXPECT_TRUE(s->ReadBool("S", "B1", false));
  EXPECT_FALSE(s->ReadBool("S", "B0", true));
  EXPECT_TRUE(s->ReadBool("S", "Bx", true));
  EXPECT_EQ(s->ReadInteger("S", "I", 0), -42);
  EXPECT_EQ(s->ReadInteger("S", "Ibad", 7), 7);
  EXPECT_EQ(s->ReadInteger("S", "Ispace", 7), 7);
  EXPECT_DOUBLE_EQ(s->ReadFloat("S", "F", 0), 2.5);
  EXPECT_DOUBLE_EQ(s->ReadFloat("S", "Fbad", 1.5), 1.5);
  EXPECT_EQ(s->ReadQuotedString("S", "Q", ""), "  padded  ");
  EXPECT_EQ(s->ReadString("S", "U", ""), "x");
  EXPECT_EQ(s->ReadString("S", "L", "d"), "");
  TPlacement p{1, 2, 3, 4, 5, 6};
  EXPECT_TRUE(s->ReadPlacement("S", "P", ppAll, p));
  EXPECT_EQ(p.Left, 10);
  EXPECT_EQ(p.Top, 20);
  EXPECT_EQ(p.Width, 300);
  EXPECT_EQ(p.Height, 4);
  EXPECT_EQ(p.State, 5);
  EXPECT_FALSE(s->ReadPlacement("S", "Missing", ppAll, p));
  TFontSpec f = StringToFont(s->ReadString("S", "Font", ""));
  EXPECT_EQ(f.name, "Arial");
  EXPECT_EQ(f.size, 12);
  EXPECT_TRUE(f.bold && f.italic && !f.underline);
  EXPECT_EQ(f.color, 255);
  EXPECT_EQ(StringToFont(FontToString(f)), f);
  EXPECT_EQ(StringToFont("Mono").color, clWindowText);
}

TEST_F(StoreFixture, ListsAndPlacementsWrite) {
  auto s = Make();
  std::vector<std::string> items;
  for (int i = 1; i <= 20; ++i) items.push_back(" item " + std::to_string(i));
  s->WriteString("History", "Other", "x");
  s->WriteStrings("History", "Folder", true, 15, items);
  std::vector<std::string> back;
  s->ReadStrings("History", "Folder", back);
  ASSERT_EQ(back.size(), 15u);
  EXPECT_EQ(back[0], " item 1");
  EXPECT_EQ(s->ReadString("History", "Other", "gone"), "gone");
  EXPECT_EQ(s->ReadString("History", "Folder_16", "none"), "none");

  s->WritePlacement("Win", "Main", ppAll, {1, 2, 3, 4, 0, 1});
  s->WritePlacement("Win", "Main", ppState, {9, 9, 9, 9, 2, 9});
  EXPECT_EQ(s->ReadString("Win", "Main", ""), "1;2;3;4;2;1");
}

TEST_F(StoreFixture, ChainOfIniFilesIsFollowedAndLoopsEnd) {
  std::string b = dir.file("b.ini"), c = dir.file("c.ini");
  WriteFile(ini, "[Application]\nIniFileName=" + b + "\n");
  WriteFile(b, "[Application]\nIniFileName=" + c + "\n");
  WriteFile(c, "[Application]\nIniFileName=" + c + "\n[X]\nK=from c\n");
  EXPECT_EQ(Make()->IniFileName, c);
  EXPECT_EQ(Make()->ReadString("X", "K", ""), "from c");
  // A names B, B names A: the start ends at B instead of running forever.
  WriteFile(b, "[Application]\nIniFileName=" + ini + "\n");
  EXPECT_EQ(Make()->IniFileName, b);
}

TEST_F(StoreFixture, PendingReplacementFileTakesOver) {
  WriteFile(ini, "[A]\nK=old\n");
  WriteFile(dir.file("prog/!pictavo.ini"), "[A]\nK=new\n");
  EXPECT_EQ(Make()->ReadString("A", "K", ""), "new");
  EXPECT_FALSE(FileExists(dir.file("prog/!pictavo.ini")));
  // A file whose own name starts with "!" is never replaced.
  std::string bang = dir.file("prog/!own.ini");
  WriteFile(bang, "[A]\nK=own\n");
  WriteFile(dir.file("prog/!!own.ini"), "[A]\nK=other\n");
  EXPECT_EQ(Make(bang)->ReadString("A", "K", ""), "own");
}

TEST_F(StoreFixture, RegistryModeKeepsVersionInIniAndSwitchesBack) {
  auto s = Make();
  s->WriteString("Author", "Name", "Ann");
  s->SetUseIni(false);  // erases the INI file's sections first
  s->WriteString("Author", "Name", "Bob");
  s->WriteString("Author", "Quoted", "\"q\"");
  EXPECT_FALSE(s->UseIni);
  std::string reg = s->RegistryFileName();
  EXPECT_EQ(reg, reg_root + "/JW Pictavo/registry.ini");
  EXPECT_TRUE(FileExists(reg));  // registry writes are immediate
  EXPECT_EQ(StatPath(reg)->mode & 0777, 0600u);
  s.reset();
  std::string text = ReadFile(ini);
  EXPECT_EQ(text.find("Ann"), std::string::npos);
  EXPECT_NE(text.find("UseRegistry=1"), std::string::npos);
  EXPECT_NE(text.find("Version=3500"), std::string::npos);

  auto again = Make();
  EXPECT_FALSE(again->UseIni);
  EXPECT_FALSE(again->FirstRun);
  EXPECT_EQ(again->ReadString("Author", "Name", ""), "Bob");
  EXPECT_EQ(again->ReadString("Author", "Quoted", ""), "\"q\"");  // no quote dropping here
  again->SetUseIni(true);
  EXPECT_FALSE(FileExists(reg));
  EXPECT_EQ(again->ReadString("Author", "Name", "none"), "none");
}

TEST_F(StoreFixture, ReadOnlyIniIsNeverWritten) {
  WriteFile(ini, "[Application]\nVersion=3400\n[A]\nK=v\n");
  chmod(ini.c_str(), 0444);
  auto s = Make();
  EXPECT_FALSE(s->StoreWritable);
  EXPECT_EQ(s->SettingsVersion, 3400);
  s->WriteString("A", "K", "changed");
  s->SaveApplicationInfo(true);
  s.reset();
  EXPECT_EQ(ReadFile(ini), "[Application]\nVersion=3400\n[A]\nK=v\n");
}

TEST(ResolveIniFileName, DefaultsAndSwitch) {
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(ResolveIniFileName("", "/prog"), "/cfg/pictavo/pictavo.ini");
  EXPECT_EQ(ResolveIniFileName("alt", "/prog"), "/prog/alt.ini");
  EXPECT_EQ(ResolveIniFileName("/x/y.cfg", "/prog"), "/x/y.cfg");
  unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace pictavo
