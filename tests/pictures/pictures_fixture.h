#pragma once
// A picture page on disk for the picture list tests: a temporary folder, the
// window's boxes, a description store, the grid and the collection.
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/descriptions.h"
#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "settings/window_state.h"
#include "support/test_support.h"

namespace pictavo::test {

// Bytes of a real picture made by ImageMagick ("jpg", "png", "gif"), cached.
inline std::string PictureBytes(const std::string& ext, int width, int height) {
  static std::map<std::string, std::string> cache;
  const std::string key = ext + std::to_string(width) + "x" + std::to_string(height);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  TTempDir dir;
  const std::string out = dir.file("p." + ext);
  const std::string cmd = "convert -size " + std::to_string(width) + "x" + std::to_string(height) +
                          " xc:steelblue '" + out + "'";
  EXPECT_EQ(RunCommand(cmd), 0) << cmd;
  return cache[key] = ReadFile(out);
}

class PicturePage : public ::testing::Test {
 protected:
  PicturePage() : grid(state, store), collection(grid, state, ui) {
    store.save_with_images = true;
    grid.OnSettingsChanged = [this] { ++settings_changed; };
    state.vclShellTree = dir.path();
  }

  // Row texts of one field in display order.
  std::vector<std::string> Column(TPictureField field) const {
    std::vector<std::string> out;
    for (int r = 0; r < grid.List().RowCount(); ++r) {
      out.push_back(PictureCellText(grid.List().Row(r), field));
    }
    return out;
  }
  std::vector<std::string> Names() const { return Column(TPictureField::FileName); }
  void Select(const std::vector<int>& rows) {
    TPictureList& list = grid.List();
    for (int r = 0; r < list.RowCount(); ++r) list.SetSelected(r, false);
    for (int r : rows) list.SetSelected(r, true);
    grid.SelectionChanged();
  }
  void Refresh() {
    collection.RefreshPictureList(state.vclShellTree, state.cmbFileFilters,
                                  state.edtExclusionFilters);
  }

  TTempDir dir;
  TWindowState state;
  TFileDescriptions store;
  TScriptedUserInterface ui;
  TPictureGrid grid;
  TPictureCollection collection;
  int settings_changed = 0;
};

}  // namespace pictavo::test
