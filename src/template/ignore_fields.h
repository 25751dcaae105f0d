#pragma once
// The ignorefields album option: a template switches off main-window
// controls whose values it does not use. Controls are named as in
// TWindowState; a disabled control is in TWindowState::DisabledControls, and
// each control of the 23 groups carries a TIgnoreMark so that a control that
// was already disabled before the template stays disabled afterwards.
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

struct TWindowState;

// One control group: its keywords (upper case) and its controls.
struct TIgnoreGroup {
  std::vector<std::string_view> keywords;
  std::vector<std::string_view> controls;
};

// The 23 groups in order (group n at index n - 1).
const std::vector<TIgnoreGroup>& IgnoreFieldGroups();

// Group number (1 to 23) of a keyword without regard to case, 0 when the word
// names none. Words shorter than four letters name none; "PICKMANUAL" is
// matched on its first ten letters ("PickManually" counts).
int IgnoreFieldGroup(std::string_view word);

// The groups an ignorefields text names: only letters count, "," and ";"
// separate the words, every other character is dropped ("sub folders" is
// "SUBFOLDERS"). Index n - 1 is true when group n is named.
std::vector<bool> IgnoredGroups(std::string_view text);

// Applies an ignorefields text to the window's controls (nothing happens when
// it equals the text of the previous call). A control of a named group is
// disabled and marked disabled-by-template, or, when it was disabled already
// and has no mark, marked already-disabled. A disabled control of a group not
// named comes back when the template had disabled it (a control disabled for
// another reason, with or without a mark, stays disabled); its mark is
// cleared.
void ApplyIgnoreFields(TWindowState& window, std::string_view text);

// True when the control is not in the window's disabled controls.
bool ControlEnabled(const TWindowState& window, std::string_view control);

}  // namespace pictavo
