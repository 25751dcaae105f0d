// Description store files from bytes: the input is read both as an
// "Albums.ids" (key "=" text lines) and as a "descript.ion" (name, space,
// text lines). What is read, written and read again must give the same
// entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pictures/descriptions.h"

namespace {

constexpr size_t kMaxInput = 64 * 1024;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameEntries(const pictavo::TDescriptionEntries& a, const pictavo::TDescriptionEntries& b) {
  if (a.size() != b.size()) return false;
  for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
    if (ia->first != ib->first || ia->second.text != ib->second.text) return false;
  }
  return true;
}

// A written file that begins with a byte-order mark loses it on reading.
bool StartsWithBom(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (bool ignore_case : {true, false}) {
    pictavo::TAlbumDescriptions store(ignore_case);
    store.LoadText(bytes);
    std::string written = store.StoreText();
    pictavo::TAlbumDescriptions again(ignore_case);
    again.LoadText(written);
    if (!StartsWithBom(written)) Check(SameEntries(store.Entries(), again.Entries()));
    for (const std::string& key : store.Keys()) store.GetDescription(key);
  }

  pictavo::TFileDescriptions pictures;
  auto list = pictures.NewList();
  pictures.MergeFolderText("/f/", bytes, list);
  std::string written = pictavo::TFileDescriptions::FolderFileText("/f/", list);
  auto again = pictures.NewList();
  pictures.MergeFolderText("/f/", written, again);
  if (!StartsWithBom(written)) Check(SameEntries(list, again));

  // The entries through the ordinary calls, and the store file they make.
  pictures.save_with_images = false;
  for (const auto& entry : list) {
    pictures.SetDescription(entry.first, entry.second.text);
    Check(pictures.GetDescription(entry.first) == entry.second.text);
  }
  // Keys holding "=" cannot be stored in that file and are left out.
  pictavo::TFileDescriptions reread;
  reread.LoadText(pictures.StoreText());
  size_t storable = 0;
  for (const auto& [key, entry] : pictures.Entries()) {
    if (key.find('=') != std::string::npos) continue;
    ++storable;
    auto it = reread.Entries().find(key);
    Check(it != reread.Entries().end() && it->second.text == entry.text);
  }
  Check(storable == reread.Count());
  return 0;
}
