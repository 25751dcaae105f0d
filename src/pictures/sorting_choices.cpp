#include "pictures/sorting_choices.h"

#include <cstdlib>

#include "platform/case_fold.h"

namespace pictavo {

const char* PictureViewName(TPictureView view) {
  return view == TPictureView::RvDefault ? "RvDefault" : "RvManual";
}

const std::vector<TViewColumn>& DefaultViewColumns(TPictureView view) {
  using F = TPictureField;
  static const std::vector<TViewColumn> kDefault = {
      {F::SortIndex, 0}, {F::FileName, 150},  {F::FileType, 40},    {F::FileDate, 0},
      {F::FileSize, 60}, {F::ImageWidth, 45}, {F::ImageHeight, 45}, {F::Description, 222}};
  static const std::vector<TViewColumn> kManual = {
      {F::SortIndex, 0},   {F::PathName, 150},   {F::FileName, 150},
      {F::FileType, 40},   {F::FileDate, 0},     {F::FileSize, 60},
      {F::ImageWidth, 45}, {F::ImageHeight, 45}, {F::Description, 222}};
  return view == TPictureView::RvDefault ? kDefault : kManual;
}

std::vector<TSortingChoice> SortingChoices(TPictureView view) {
  std::vector<TSortingChoice> choices = {{"Custom", 1},
                                         {"File Name", 2},
                                         {"Type", 3},
                                         {"Date", 4},
                                         {"Size", 5},
                                         {"Width", 6},
                                         {"Height", 7},
                                         {"Description", 8},
                                         {"Custom - descending", -10},
                                         {"File Name - descending", -2},
                                         {"Type - descending", -3},
                                         {"Date - descending", -4},
                                         {"Size - descending", -5},
                                         {"Width - descending", -6},
                                         {"Height - descending", -7},
                                         {"Description - descending", -8}};
  if (view == TPictureView::RvManual) {
    choices.insert(choices.begin() + 1, {"Path Name", 9});
    choices.insert(choices.begin() + 10, {"Path Name - descending", -9});
  }
  return choices;
}

int SortColumnOfIdentifier(int identifier, TPictureView view) {
  if (identifier == -10) identifier = -1;
  if (view == TPictureView::RvDefault) return identifier;
  const int sign = identifier < 0 ? -1 : 1;
  const int magnitude = std::abs(identifier);
  if (magnitude == 9) return sign * 2;
  if (magnitude >= 2 && magnitude <= 8) return sign * (magnitude + 1);
  return identifier;
}

int SortingChoiceIndexOfColumn(int column, TPictureView view) {
  const int per_direction = view == TPictureView::RvDefault ? 8 : 9;
  return std::abs(column) - 1 + (column < 0 ? per_direction : 0);
}

std::optional<int> FindSortingChoice(std::string_view caption, TPictureView view) {
  const auto choices = SortingChoices(view);
  for (size_t i = 0; i < choices.size(); ++i) {
    if (EqualsNoCase(choices[i].caption, caption)) return static_cast<int>(i);
  }
  return std::nullopt;
}

}  // namespace pictavo
