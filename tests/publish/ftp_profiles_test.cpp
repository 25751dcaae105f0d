// FTP profiles in a real settings store (an INI file in a temporary folder)
// and the password scrambler.
#include <gtest/gtest.h>

#include "publish/ftp_profiles.h"
#include "settings/reg_or_ini.h"
#include "settings/window_state.h"
#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TScriptedUserInterface;
using test::TTempDir;

TEST(PasswordScrambler, RoundTripAndShape) {
  for (std::string password :
       {std::string("a"), std::string("secret"), std::string("pässwörd with blanks; and = signs"),
        std::string(45, 'x'), std::string("\x01\xff\x80", 3)}) {
    std::string scrambled = ScramblePassword(password);
    EXPECT_EQ(scrambled.size(), 2 * password.size());
    EXPECT_EQ(scrambled.find_first_not_of("0123456789ABCDEF"), std::string::npos) << scrambled;
    EXPECT_EQ(scrambled.find(password), std::string::npos);
    EXPECT_EQ(UnscramblePassword(scrambled), password);
  }
  EXPECT_EQ(ScramblePassword(""), "");
  EXPECT_EQ(UnscramblePassword(""), "");
  // The key repeats every 20 bytes, offset by one: the same letter scrambles
  // differently at neighbouring places.
  std::string aa = ScramblePassword("aa");
  EXPECT_NE(aa.substr(0, 2), aa.substr(2, 2));
  // Garbage unscrambles to something, of half its length, without failing.
  EXPECT_EQ(UnscramblePassword("zz!!?").size(), 2u);
}

class ProfilesFixture : public ::testing::Test {
 protected:
  TTempDir dir;
  std::unique_ptr<TRegOrIni> store = Open();
  TWindowState state;

  std::unique_ptr<TRegOrIni> Open() {
    return std::make_unique<TRegOrIni>(dir.file("pictavo.ini"), dir.path(), dir.file("config"));
  }
  void FillPanel(const std::string& host) {
    state.edtHostName = host;
    state.edtUserId = "user-" + host;
    state.edtPassword = "pw-" + host;
    state.edtHtmlFolder = "www";
    state.edtMediaFolder = "www/img";
    state.cbxPassiveMode = false;
  }
  void Pick(const std::string& name) {
    for (size_t i = 0; i < state.cmbProfileNameItems.size(); ++i)
      if (state.cmbProfileNameItems[i] == name) state.cmbProfileNameIndex = static_cast<int>(i);
    LoadProfile(state, *store);
  }
};

TEST_F(ProfilesFixture, SaveAddsSortedNamesAndLoadFillsThePanel) {
  state.cbxRememberPassword = true;
  for (const char* name : {"zeta", "Alpha", "mid"}) {
    state.cmbProfileName = name;
    FillPanel(std::string(name) + ".example.com");
    ASSERT_TRUE(SaveProfile(state, *store));
    EXPECT_EQ(state.cmbProfileNameItems[static_cast<size_t>(state.cmbProfileNameIndex)], name);
  }
  EXPECT_EQ(state.cmbProfileNameItems, (std::vector<std::string>{"Alpha", "mid", "zeta"}));
  // The stored password is scrambled, never plain.
  EXPECT_EQ(store->ReadString("Ftp_mid", "Password", ""), ScramblePassword("pw-mid.example.com"));

  state.cbxPassiveMode = true;
  Pick("mid");
  EXPECT_EQ(state.edtHostName, "mid.example.com");
  EXPECT_EQ(state.edtUserId, "user-mid.example.com");
  EXPECT_EQ(state.edtPassword, "pw-mid.example.com");
  EXPECT_EQ(state.edtMediaFolder, "www/img");
  EXPECT_FALSE(state.cbxPassiveMode);

  // No listed profile selected: the fields are cleared, passive mode stays.
  state.cmbProfileNameIndex = -1;
  state.cbxPassiveMode = true;
  LoadProfile(state, *store);
  EXPECT_EQ(state.edtHostName, "");
  EXPECT_EQ(state.edtPassword, "");
  EXPECT_TRUE(state.cbxPassiveMode);

  // Saving an existing name in another case does not add it twice.
  state.cmbProfileName = "MID";
  FillPanel("new");
  SaveProfile(state, *store);
  EXPECT_EQ(state.cmbProfileNameItems.size(), 3u);
  state.cmbProfileName = "";
  EXPECT_FALSE(SaveProfile(state, *store));
  state.cmbProfileName = "bad\nname]";
  EXPECT_FALSE(SaveProfile(state, *store));
}

TEST_F(ProfilesFixture, PasswordsNotRememberedStayOutOfThePanelAndUntouchedInTheStore) {
  state.cbxRememberPassword = true;
  state.cmbProfileName = "site";
  FillPanel("site");
  SaveProfile(state, *store);
  state.cbxRememberPassword = false;
  state.edtPassword = "changed";
  SaveProfile(state, *store);
  EXPECT_EQ(UnscramblePassword(store->ReadString("Ftp_site", "Password", "")), "pw-site");
  Pick("site");
  EXPECT_EQ(state.edtPassword, "");
  EXPECT_EQ(state.edtHostName, "site");
}

TEST_F(ProfilesFixture, RenameMovesValuesAndDeleteKeepsThePanel) {
  TScriptedUserInterface ui;
  state.cbxRememberPassword = false;
  store->WriteString("Ftp_old", "Password", ScramblePassword("kept"));
  state.cmbProfileName = "old";
  FillPanel("old");
  SaveProfile(state, *store);

  ui.inputs.push_back(std::string("old"));  // unchanged name: nothing happens
  EXPECT_FALSE(RenameProfile(state, *store, ui));
  ui.inputs.push_back(std::nullopt);  // cancelled
  EXPECT_FALSE(RenameProfile(state, *store, ui));
  ui.inputs.push_back(std::string("new"));
  ASSERT_TRUE(RenameProfile(state, *store, ui));
  EXPECT_EQ(state.cmbProfileNameItems, std::vector<std::string>{"new"});
  EXPECT_EQ(state.cmbProfileName, "new");
  EXPECT_EQ(store->ReadString("Ftp_old", "Host", "gone"), "gone");
  EXPECT_EQ(store->ReadString("Ftp_new", "Host", ""), "old");
  // A password that is not remembered from the panel moves with the profile.
  EXPECT_EQ(UnscramblePassword(store->ReadString("Ftp_new", "Password", "")), "kept");

  EXPECT_TRUE(ProfileMenuState(state).remove);
  ui.answers.push_back(TAnswer::No);
  EXPECT_FALSE(DeleteProfile(state, *store, ui));
  ui.answers.push_back(TAnswer::Yes);
  ASSERT_TRUE(DeleteProfile(state, *store, ui));
  EXPECT_EQ(ui.questions.back(), "Are you sure you want to delete the profile \"new\"?");
  EXPECT_TRUE(state.cmbProfileNameItems.empty());
  EXPECT_EQ(state.cmbProfileNameIndex, -1);
  EXPECT_EQ(store->ReadString("Ftp_new", "Host", "gone"), "gone");
  EXPECT_EQ(state.edtHostName, "old");  // the panel keeps its values
  auto menu = ProfileMenuState(state);
  EXPECT_FALSE(menu.save);
  EXPECT_FALSE(menu.rename);
}

TEST_F(ProfilesFixture, ProgramEndAndStartRoundTrip) {
  state.cbxRememberPassword = true;
  state.cmbProfileName = "beta";
  FillPanel("beta");
  SaveProfile(state, *store);
  state.cmbProfileName = "Alpha";
  FillPanel("alpha");
  SaveProfile(state, *store);

  // A profile in use: it is selected and loaded at the next start.
  SaveFtpProfiles(state, *store);
  store.reset();
  store = Open();
  TWindowState next;
  next.cbxRememberPassword = true;
  LoadFtpProfiles(next, *store);
  EXPECT_EQ(next.cmbProfileNameItems, (std::vector<std::string>{"Alpha", "beta"}));
  EXPECT_EQ(next.cmbProfileName, "Alpha");
  EXPECT_EQ(next.cmbProfileNameIndex, 0);
  EXPECT_EQ(next.edtHostName, "alpha");
  EXPECT_EQ(next.edtPassword, "pw-alpha");

  // No profile in use: the panel's values are the defaults, password scrambled.
  next.cmbProfileName.clear();
  next.cmbProfileNameIndex = -1;
  next.edtHostName = "plain.example.com";
  next.edtPassword = "default-pw";
  SaveFtpProfiles(next, *store);
  EXPECT_EQ(store->ReadString("FtpProfiles", "DefaultPassword", ""),
            ScramblePassword("default-pw"));
  store.reset();
  store = Open();
  TWindowState third;
  LoadFtpProfiles(third, *store);
  EXPECT_EQ(third.cmbProfileNameItems.size(), 2u);
  EXPECT_EQ(third.cmbProfileNameIndex, -1);
  EXPECT_EQ(third.edtHostName, "plain.example.com");
  EXPECT_EQ(third.edtPassword, "default-pw");
  EXPECT_EQ(third.edtMediaFolder, "www/img");
}

}  // namespace
}  // namespace pictavo
