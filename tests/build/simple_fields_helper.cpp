#include "build/simple_fields_helper.h"

#include <cstdlib>
#include <string>

#include "build/page_merge.h"
#include "pictures/picture_item.h"
#include "template/conditional_fields.h"
#include "template/field_ids.h"

namespace pictavo::test {

namespace {

std::string Padded(int value, const std::string& format) {
  const size_t dot = format.find('.');
  const int digits = dot == std::string::npos ? 1 : std::atoi(format.c_str() + dot + 1);
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  }
  return text;
}

std::string PageName(const TFileMergeInfo& info, int page) {
  return PageFileName(info, page, false, true, false);
}

std::string Evaluate(int id, TFileMergeInfo& info) {
  if (IsPredicateField(id)) return PredicateFieldValue(id, info, false);
  if (ConditionalNavigationIsEmpty(id, info)) return "";
  const TPictureItem* picture = info.FieldPicture();
  const std::string description = picture ? picture->fldDescription : std::string();
  const size_t sep = description.find("::");
  switch (std::abs(id)) {
    case fidFileName:
      return picture ? picture->fldFileName + "." + picture->fldFileType : "";
    case fidImageName:
      return picture ? picture->fldFileName : "";
    case fidItemInfo:
      return description;
    case fidImageTitle:
      return sep == std::string::npos ? "" : description.substr(0, sep);
    case fidImageInfo:
      return sep == std::string::npos ? description : description.substr(sep + 2);
    case fidImageWidth:
      return picture ? std::to_string(picture->fldImageWidth) : "";
    case fidImageHeight:
      return picture ? std::to_string(picture->fldImageHeight) : "";
    case fidImageIndex:
      return Padded(info.running_picture, info.picture_number_format);
    case fidImageCount:
      return std::to_string(info.picture_count);
    case fidPageIndex:
      return std::to_string(info.current_page);
    case fidPageCount:
      return std::to_string(info.page_count);
    case fidPageImageIndex:
      return std::to_string(info.picture_on_page);
    case fidPageImageCount:
      return std::to_string(info.pictures_per_page);
    case fidPageName:
      return PageName(info, info.current_page);
    case fidPageNext:
      return PageName(info, info.current_page + 1);
    case fidPagePrev:
      return PageName(info, info.current_page - 1);
    case fidPageFirst:
      return PageName(info, 1);
    case fidPageLast:
      return PageName(info, info.page_count);
    case fidMerge:
    case fidLink:
    case fidCalc:
    case fidClearTags:
    case fidUseBest:
    case fidUseGreater:
    case fidUseSmaller:
      return "";  // resolved at compile time or after the merge
    default:
      return "?" + std::to_string(id) + "?";
  }
}

}  // namespace

TFieldCallback SimpleFieldCallback() {
  return &Evaluate;
}

}  // namespace pictavo::test
