#pragma once
// The completion wizard: fill-in markers "^?[prompt=default]" of a template
// are collected into questions, asked in one dialog through the user
// interface, and replaced by the answers.
#include <string>
#include <vector>

#include "platform/user_interface.h"

namespace pictavo {

// A piece of a scanned text: literal text, or a marker of question id.
struct TWizardPiece {
  std::string text;
  int question_id = 0;  // 0 for literal text
};

struct TWizardScan {
  std::vector<TWizardPiece> pieces;
  std::vector<TWizardQuestion> questions;  // in order of first appearance
};

// Splits a text into literal pieces and markers and makes one question per
// distinct prompt (compared without regard to case; a bare "^?" is always a
// new question). Markers are tracked outside the text, so characters the
// text already holds (code 1 included) come through unchanged. At most 255
// questions are made; further markers with new prompts stay in the text.
TWizardScan ScanFillInMarkers(const std::string& text);

// "^^" "^", "^B" form feed, "^C" CR, "^P" CR LF, "^L" LF, "^T" tab; any other
// caret stays.
std::string ExpandCaretEscapes(const std::string& text);

// The answer a question gives for the text its control returned: list
// displays become their values, folders end with "/", kind T becomes an HTML
// attribute text for the file.
std::string WizardAnswerText(const TWizardQuestion& question, const std::string& control_text);

// The refusal text of a combo box limited to its list, or "" when the text
// is acceptable.
std::string WizardListError(const TWizardQuestion& question, const std::string& control_text);

// Runs the wizard over text. Returns false when the user cancelled; the
// markers are then removed. With no markers the text is unchanged.
bool CompleteFields(std::string& text, TUserInterface& ui);

}  // namespace pictavo
