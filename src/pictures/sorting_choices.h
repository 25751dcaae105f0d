#pragma once
// The picture list's views and its sorting choices (the drop-down list
// `cmbSorting`). A view is an ordered set of columns with widths (width 0
// hides a column); a grid sort column is the signed 1-based column of the
// active view, negative for descending.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pictures/picture_item.h"

namespace pictavo {

enum class TPictureView { RvDefault, RvManual };

struct TViewColumn {
  TPictureField field;
  int width;
};

// "RvDefault" or "RvManual".
const char* PictureViewName(TPictureView view);
// The view's columns with their default widths.
const std::vector<TViewColumn>& DefaultViewColumns(TPictureView view);

struct TSortingChoice {
  std::string caption;  // "Custom", "File Name - descending" ...
  int identifier;       // 1..9, -2..-9; -10 stands for "Custom - descending"
};

// The choices of a view in list order (16 for RvDefault, 18 for RvManual,
// which adds "Path Name" and "Path Name - descending").
std::vector<TSortingChoice> SortingChoices(TPictureView view);
// Grid sort column of a choice identifier in a view (-10 becomes -1).
int SortColumnOfIdentifier(int identifier, TPictureView view);
// 0-based list position of the choice that matches a grid sort column.
int SortingChoiceIndexOfColumn(int column, TPictureView view);
// 0-based position of the choice with this caption (without regard to case).
std::optional<int> FindSortingChoice(std::string_view caption, TPictureView view);

}  // namespace pictavo
