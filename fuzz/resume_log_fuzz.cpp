// A resume log ("FTP script") from bytes, read as "&Resume Upload..." reads
// it. Every line the reader accepts must split into a transfer line that
// formats back to the same text (when it can be written at all), and the
// list must write back to a log that reads as the same list. The paths a
// line names are never touched.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "publish/ftp_profiles.h"
#include "publish/resume_log.h"

namespace {

constexpr size_t kMaxInput = 64 * 1024;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto list = pictavo::ParseResumeLog(bytes, error);
  if (!list) {
    Check(!error.empty());
    return 0;
  }
  Check(!list->empty());
  for (const pictavo::TTransferEntry& entry : *list) {
    Check(entry.tag == 0 && !entry.text.empty());
    const auto line = pictavo::ParseFtpTransferLine(entry.text);
    Check(line.has_value());
    Check(!line->local_path.empty() && !line->host.empty());
    pictavo::UnscramblePassword(line->scrambled_password);
    if (const auto text = pictavo::FormatFtpTransferLine(*line)) {
      // Flags other than "0" read as "1", so only the fields are compared.
      const auto again = pictavo::ParseFtpTransferLine(*text);
      Check(again && again->local_path == line->local_path && again->host == line->host &&
            again->user_id == line->user_id && again->media == line->media &&
            again->html_folder == line->html_folder && again->media_folder == line->media_folder &&
            again->passive == line->passive && again->done == line->done);
    }
  }
  const std::string written = pictavo::ResumeLogText(*list);
  const auto reread = pictavo::ParseResumeLog(written, error);
  Check(reread && reread->size() == list->size());
  for (size_t i = 0; i < list->size(); ++i) Check((*reread)[i].text == (*list)[i].text);
  return 0;
}
