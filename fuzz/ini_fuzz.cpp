// INI text: parsing never fails, and what is written reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/ini_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  pictavo::TIniData ini;
  ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string once = ini.Serialize();
  pictavo::TIniData again;
  again.Parse(once);
  if (again.Serialize() != once) std::abort();
  for (const auto& section : ini.SectionNames())
    for (const auto& key : ini.Keys(section)) (void)ini.Value(section, key);
  return 0;
}
