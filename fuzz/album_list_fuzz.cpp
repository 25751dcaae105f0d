// "Albums.lst" from bytes, read the way the program reads it at start-up: the
// store's lines, the dropping of dead entries and the rows of the grid. The
// rows must mirror the store, and what is written must read back as the same
// entries.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "pictures/descriptions.h"
#include "platform/user_interface.h"
#include "publish/album_list.h"

namespace {

constexpr size_t kMaxInput = 64 * 1024;

void Check(bool condition) {
  if (!condition) std::abort();
}

// One folder for the whole run, holding the file being read; removed at exit.
class TWorkFolder {
 public:
  TWorkFolder() {
    std::string pattern = "/tmp/pictavo-album-list-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder_ = pattern;
    file_ = folder_ + "/Albums.lst";
  }
  ~TWorkFolder() {
    unlink(file_.c_str());
    rmdir(folder_.c_str());
  }
  const std::string& file() const { return file_; }

 private:
  std::string folder_, file_;
};

const std::string& WorkFile() {
  static const TWorkFolder work;
  return work.file();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  {
    std::ofstream out(WorkFile(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  pictavo::TSilentUserInterface ui;
  pictavo::TAlbumList list(ui, "/nonexistent-pictavo/Albums");
  list.LoadAlbumList(WorkFile());

  const auto& entries = list.Store().Entries();
  Check(list.Rows().size() == entries.size());
  size_t i = 0;
  for (const auto& [key, entry] : entries) {
    const pictavo::TAlbumRow& row = list.Rows()[i++];
    Check(row.path == key && row.title == entry.text);
    Check(list.FindAlbumRow(key) >= 0);
    pictavo::IsRemovableMediaPath(key);
  }
  Check(list.Selected() == (list.Rows().empty() ? -1 : 0));
  Check(list.Buttons().btnShowAlbumEnabled == !list.Rows().empty());

  // The file the list would write reads back as the same entries.
  const std::string written = list.Store().StoreText();
  pictavo::TAlbumDescriptions again(false);
  again.LoadText(written);
  Check(again.StoreText() == written);

  // Every row can be removed again, leaving nothing behind.
  while (list.RemoveSelectedAlbum()) {
  }
  Check(list.Rows().empty() && list.Store().Count() == 0);
  return 0;
}
