#include "pictures/picture_item.h"

#include <fmt/format.h>

namespace pictavo {

const char* PictureFieldCaption(TPictureField field) {
  switch (field) {
    case TPictureField::SortIndex:
      return "Sort Index";
    case TPictureField::PathName:
      return "Path Name";
    case TPictureField::FileName:
      return "File Name";
    case TPictureField::FileType:
      return "Type";
    case TPictureField::FileDate:
      return "Date";
    case TPictureField::FileSize:
      return "Size";
    case TPictureField::ImageWidth:
      return "Width";
    case TPictureField::ImageHeight:
      return "Height";
    case TPictureField::Description:
      return "Description";
    case TPictureField::FullName:
      return "Full Name";
    case TPictureField::Index:
      return "Id";
  }
  return "";
}

bool IsNumericPictureField(TPictureField field) {
  switch (field) {
    case TPictureField::SortIndex:
    case TPictureField::FileDate:
    case TPictureField::FileSize:
    case TPictureField::ImageWidth:
    case TPictureField::ImageHeight:
    case TPictureField::Index:
      return true;
    default:
      return false;
  }
}

namespace {

std::string IntOrEmpty(int64_t value) {
  return value == -1 ? std::string() : fmt::format("{}", value);
}

std::string DateText(std::time_t time) {
  if (time <= 0) return {};
  std::tm tm{};
  if (!localtime_r(&time, &tm)) return {};
  return fmt::format("{:04}/{:02}/{:02}", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

}  // namespace

std::string PictureCellText(const TPictureItem& item, TPictureField field) {
  switch (field) {
    case TPictureField::SortIndex:
      return fmt::format("{}", item.fldSortIndex);
    case TPictureField::PathName:
      return item.fldPathName;
    case TPictureField::FileName:
      return item.fldFileName;
    case TPictureField::FileType:
      return item.fldFileType;
    case TPictureField::FileDate:
      return item.fldFileSize == -1 ? std::string() : DateText(item.fldFileDate);
    case TPictureField::FileSize:
      return IntOrEmpty(item.fldFileSize);
    case TPictureField::ImageWidth:
      return IntOrEmpty(item.fldImageWidth);
    case TPictureField::ImageHeight:
      return IntOrEmpty(item.fldImageHeight);
    case TPictureField::Description:
      return item.fldDescription;
    case TPictureField::FullName:
      return item.fldFullName;
    case TPictureField::Index:
      return fmt::format("{}", item.fldIndex);
  }
  return {};
}

}  // namespace pictavo
