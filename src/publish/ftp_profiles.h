#pragma once
// FTP profiles: named sets of upload panel values kept in the settings store
// (section "Ftp_" + name; the list and the panel defaults in "FtpProfiles"),
// and the password scrambler used for stored passwords and resume logs.
//
// The scrambler is obfuscation, not encryption: it keeps a password from
// being read at a glance in the INI file or a resume log, but anyone with the
// program can turn it back. Those files are therefore created with mode 0600.
#include <string>

namespace pictavo {

class TRegOrIni;
class TUserInterface;
struct TWindowState;

// Each byte i of the password xor key byte (i + 1) mod 20, written as two
// upper-case hexadecimal digits; "" gives "".
std::string ScramblePassword(const std::string& password);
// The reverse. Text that is not hexadecimal unscrambles to whatever its
// characters give (a digit counts its value, any other character its code
// minus 55); a last odd character is ignored. Never throws.
std::string UnscramblePassword(const std::string& scrambled);

// Stores the panel (edtHostName ... cbxPassiveMode of state) under the name
// in the profile box (cmbProfileName); a new name is added to the sorted
// list and selected. The password is written only while
// cbxRememberPassword is on. False (and nothing stored) for an empty name or
// one holding a line break or "]".
bool SaveProfile(TWindowState& state, TRegOrIni& store);
// Fills the panel from the selected profile (cmbProfileNameIndex); with none
// selected, host, user id, password and both folders are cleared.
void LoadProfile(TWindowState& state, TRegOrIni& store);
// "&Rename...": asks for a new name (input box "Rename", "Enter a new name");
// moves the stored values to it. True when renamed.
bool RenameProfile(TWindowState& state, TRegOrIni& store, TUserInterface& ui);
// "&Delete...": asks "Are you sure you want to delete the profile "name"?";
// Yes erases the profile and its list entry; the panel keeps its values.
bool DeleteProfile(TWindowState& state, TRegOrIni& store, TUserInterface& ui);

// Which items of the profile box's context menu are enabled.
struct TProfileMenuState {
  bool save = false;    // "&Save": the profile box holds text
  bool rename = false;  // "&Rename...": a listed profile is selected
  bool remove = false;  // "&Delete...": a listed profile is selected
};
TProfileMenuState ProfileMenuState(const TWindowState& state);

// Program start (with the program options): reads the profile list and
// either selects and loads "DefaultProfile" or fills the panel from the
// stored defaults.
void LoadFtpProfiles(TWindowState& state, TRegOrIni& store);
// Program end: writes the list (section "FtpProfiles" erased first),
// "DefaultProfile", and the panel defaults when no profile name is in use.
void SaveFtpProfiles(const TWindowState& state, TRegOrIni& store);

}  // namespace pictavo
