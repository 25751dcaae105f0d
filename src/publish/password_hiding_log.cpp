#include "publish/password_hiding_log.h"

#include <algorithm>

namespace pictavo {

void TPasswordHidingLog::AddPassword(const std::string& password) {
  if (password.size() < kMinHiddenLength) return;
  if (std::find(passwords_.begin(), passwords_.end(), password) != passwords_.end()) return;
  passwords_.push_back(password);
  std::stable_sort(passwords_.begin(), passwords_.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

std::string TPasswordHidingLog::Hide(const std::string& text) const {
  std::string out = text;
  for (const std::string& password : passwords_) {
    for (size_t at = out.find(password); at != std::string::npos;
         at = out.find(password, at + password.size())) {
      out.replace(at, password.size(), std::string(password.size(), '*'));
    }
  }
  return out;
}

}  // namespace pictavo
