#pragma once
// The project's one exception type: an error a command does not handle.
#include <stdexcept>
#include <string>

namespace pictavo {

// An error raised to the caller; the message is the text shown to the user.
class EPictavo : public std::runtime_error {
 public:
  explicit EPictavo(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace pictavo
