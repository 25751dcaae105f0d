// Fill-in markers of a template: scanning and replacing never fails, and a
// text without markers comes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/completion_wizard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  pictavo::TSilentUserInterface ui;
  bool names_files = false;
  for (auto& q : pictavo::ScanFillInMarkers(text).questions) {
    // File kinds look at the file system; keep the fuzzer off it.
    if (q.kind == 'T' || q.kind == 'D' || q.kind == 'O' || q.kind == 'S') {
      names_files = true;
      continue;
    }
    (void)pictavo::WizardAnswerText(q, q.default_value);
    (void)pictavo::WizardListError(q, "x");
  }
  if (names_files) return 0;
  std::string completed = text;
  pictavo::CompleteFields(completed, ui);
  if (text.find("^?") == std::string::npos && completed != text) std::abort();
  return 0;
}
