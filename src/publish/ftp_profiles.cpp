#include "publish/ftp_profiles.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/case_fold.h"
#include "platform/user_interface.h"
#include "settings/reg_or_ini.h"
#include "settings/window_state.h"

namespace pictavo {

namespace {

constexpr const char* kSection = "FtpProfiles";
constexpr const char* kList = "Profile";

// The key is made at run time from two stored constants, the first combined
// with the second repeated.
std::array<uint8_t, 20> ScramblerKey() {
  static constexpr uint8_t kBase[20] = {0x5D, 0xA3, 0x1E, 0x77, 0xC4, 0x08, 0x9B, 0x62, 0xF1, 0x3A,
                                        0x86, 0x2F, 0xD9, 0x40, 0x6C, 0xB5, 0x13, 0xE8, 0x97, 0x25};
  static constexpr uint8_t kMix[7] = {0x3C, 0x81, 0x5A, 0xE7, 0x12, 0x9D, 0x46};
  std::array<uint8_t, 20> key{};
  for (size_t i = 0; i < key.size(); ++i) key[i] = kBase[i] ^ kMix[i % 7];
  return key;
}

std::string ProfileSection(const std::string& name) {
  return "Ftp_" + name;
}

bool ValidProfileName(const std::string& name) {
  if (name.empty()) return false;
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return c == '\r' || c == '\n' || c == ']' || c == '\0'; });
}

int FindProfile(const TWindowState& state, const std::string& name) {
  for (size_t i = 0; i < state.cmbProfileNameItems.size(); ++i)
    if (EqualsNoCase(state.cmbProfileNameItems[i], name)) return static_cast<int>(i);
  return -1;
}

bool HasSelection(const TWindowState& state) {
  return state.cmbProfileNameIndex >= 0 &&
         static_cast<size_t>(state.cmbProfileNameIndex) < state.cmbProfileNameItems.size();
}

// Writes the panel's values into the profile's section.
void StorePanel(const TWindowState& state, TRegOrIni& store, const std::string& name) {
  std::string section = ProfileSection(name);
  store.WriteString(section, "Host", state.edtHostName);
  store.WriteString(section, "UserId", state.edtUserId);
  if (state.cbxRememberPassword)
    store.WriteString(section, "Password", ScramblePassword(state.edtPassword));
  store.WriteBool(section, "PassiveMode", state.cbxPassiveMode);
  store.WriteString(section, "HtmlFolder", state.edtHtmlFolder);
  store.WriteString(section, "MediaFolder", state.edtMediaFolder);
}

// Adds the name to the sorted list (when missing) and selects it.
void SelectName(TWindowState& state, const std::string& name) {
  int index = FindProfile(state, name);
  if (index < 0) {
    state.cmbProfileNameItems.push_back(name);
    SortNoCase(state.cmbProfileNameItems);
    index = FindProfile(state, name);
  }
  state.cmbProfileNameIndex = index;
  state.cmbProfileName = state.cmbProfileNameItems[static_cast<size_t>(index)];
}

}  // namespace

std::string ScramblePassword(const std::string& password) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  auto key = ScramblerKey();
  std::string text;
  text.reserve(password.size() * 2);
  for (size_t i = 0; i < password.size(); ++i) {
    uint8_t byte = static_cast<uint8_t>(password[i]) ^ key[(i + 1) % key.size()];
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text;
}

std::string UnscramblePassword(const std::string& scrambled) {
  auto key = ScramblerKey();
  auto value = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : static_cast<int>(static_cast<unsigned char>(c)) - 55;
  };
  std::string password;
  password.reserve(scrambled.size() / 2);
  for (size_t i = 0; i + 1 < scrambled.size(); i += 2) {
    int byte = value(scrambled[i]) * 16 + value(scrambled[i + 1]);
    size_t n = i / 2;
    password += static_cast<char>(static_cast<uint8_t>(byte) ^ key[(n + 1) % key.size()]);
  }
  return password;
}

bool SaveProfile(TWindowState& state, TRegOrIni& store) {
  if (!ValidProfileName(state.cmbProfileName)) return false;
  SelectName(state, state.cmbProfileName);
  StorePanel(state, store, state.cmbProfileName);
  return true;
}

void LoadProfile(TWindowState& state, TRegOrIni& store) {
  if (!HasSelection(state)) {
    state.edtHostName.clear();
    state.edtUserId.clear();
    state.edtPassword.clear();
    state.edtHtmlFolder.clear();
    state.edtMediaFolder.clear();
    return;
  }
  const std::string name =
      state.cmbProfileNameItems[static_cast<size_t>(state.cmbProfileNameIndex)];
  state.cmbProfileName = name;
  std::string section = ProfileSection(name);
  state.edtHostName = store.ReadString(section, "Host", "");
  state.edtUserId = store.ReadString(section, "UserId", "");
  state.edtPassword = state.cbxRememberPassword
                          ? UnscramblePassword(store.ReadString(section, "Password", ""))
                          : std::string();
  state.cbxPassiveMode = store.ReadBool(section, "PassiveMode", state.cbxPassiveMode);
  state.edtHtmlFolder = store.ReadString(section, "HtmlFolder", "");
  state.edtMediaFolder = store.ReadString(section, "MediaFolder", "");
}

bool RenameProfile(TWindowState& state, TRegOrIni& store, TUserInterface& ui) {
  if (!HasSelection(state)) return false;
  const std::string old_name =
      state.cmbProfileNameItems[static_cast<size_t>(state.cmbProfileNameIndex)];
  auto answer = ui.InputText("Rename", "Enter a new name", old_name);
  if (!answer || answer->empty() || *answer == old_name) return false;
  const std::string new_name = *answer;
  if (!ValidProfileName(new_name)) return false;
  // Keep the stored password when it is not remembered from the panel.
  std::string old_password = store.ReadString(ProfileSection(old_name), "Password", "");
  store.EraseSection(ProfileSection(old_name));
  state.cmbProfileNameItems.erase(state.cmbProfileNameItems.begin() + state.cmbProfileNameIndex);
  state.cmbProfileNameIndex = -1;
  int clash = FindProfile(state, new_name);
  if (clash >= 0) {
    // Renaming onto another listed name (in another case) replaces that profile.
    store.EraseSection(ProfileSection(state.cmbProfileNameItems[static_cast<size_t>(clash)]));
    state.cmbProfileNameItems.erase(state.cmbProfileNameItems.begin() + clash);
  }
  SelectName(state, new_name);
  if (!state.cbxRememberPassword && !old_password.empty())
    store.WriteString(ProfileSection(new_name), "Password", old_password);
  StorePanel(state, store, new_name);
  return true;
}

bool DeleteProfile(TWindowState& state, TRegOrIni& store, TUserInterface& ui) {
  if (!HasSelection(state)) return false;
  const std::string name =
      state.cmbProfileNameItems[static_cast<size_t>(state.cmbProfileNameIndex)];
  if (ui.Ask("Are you sure you want to delete the profile \"" + name + "\"?", false) !=
      TAnswer::Yes)
    return false;
  store.EraseSection(ProfileSection(name));
  state.cmbProfileNameItems.erase(state.cmbProfileNameItems.begin() + state.cmbProfileNameIndex);
  state.cmbProfileNameIndex = -1;
  state.cmbProfileName.clear();
  return true;
}

TProfileMenuState ProfileMenuState(const TWindowState& state) {
  TProfileMenuState menu;
  menu.save = !state.cmbProfileName.empty();
  menu.rename = menu.remove = HasSelection(state);
  return menu;
}

void LoadFtpProfiles(TWindowState& state, TRegOrIni& store) {
  store.ReadStrings(kSection, kList, state.cmbProfileNameItems);
  // Drop empty and repeated names a hand-edited store may hold.
  std::vector<std::string> names;
  for (const std::string& name : state.cmbProfileNameItems) {
    if (name.empty()) continue;
    bool seen = std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return EqualsNoCase(n, name); });
    if (!seen) names.push_back(name);
  }
  SortNoCase(names);
  state.cmbProfileNameItems = names;
  state.cmbProfileNameIndex = -1;
  std::string default_profile = store.ReadString(kSection, "DefaultProfile", "");
  int index = default_profile.empty() ? -1 : FindProfile(state, default_profile);
  if (index >= 0) {
    state.cmbProfileNameIndex = index;
    state.cmbProfileName = state.cmbProfileNameItems[static_cast<size_t>(index)];
    LoadProfile(state, store);
    return;
  }
  state.cmbProfileName.clear();
  state.edtHostName = store.ReadString(kSection, "DefaultHost", "");
  state.edtUserId = store.ReadString(kSection, "DefaultUserId", "");
  state.edtPassword = UnscramblePassword(store.ReadString(kSection, "DefaultPassword", ""));
  state.edtHtmlFolder = store.ReadString(kSection, "DefaultHtmlFolder", "");
  state.edtMediaFolder = store.ReadString(kSection, "DefaultMediaFolder", "");
}

void SaveFtpProfiles(const TWindowState& state, TRegOrIni& store) {
  store.WriteStrings(kSection, kList, true, 0, state.cmbProfileNameItems);
  store.WriteString(kSection, "DefaultProfile", state.cmbProfileName);
  if (state.cmbProfileName.empty()) {
    store.WriteString(kSection, "DefaultHost", state.edtHostName);
    store.WriteString(kSection, "DefaultUserId", state.edtUserId);
    store.WriteString(kSection, "DefaultPassword", ScramblePassword(state.edtPassword));
    store.WriteString(kSection, "DefaultHtmlFolder", state.edtHtmlFolder);
    store.WriteString(kSection, "DefaultMediaFolder", state.edtMediaFolder);
  }
}

}  // namespace pictavo
