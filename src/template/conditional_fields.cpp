#include "template/conditional_fields.h"

#include <cstdlib>

#include "build/file_merge_info.h"
#include "pictures/html_title.h"
#include "pictures/picture_item.h"
#include "template/field_ids.h"

namespace pictavo {

namespace {

void AppendValue(std::string& out, const std::string& value) {
  for (char c : value) {
    if (c < '\x01' || c > '\x06') out.push_back(c);
  }
}

}  // namespace

std::string EvaluateSectionLines(const std::vector<std::string>& lines,
                                 const std::vector<TIndexObj>& tokens,
                                 const std::function<std::string(int id)>& evaluate,
                                 bool strip_final_break) {
  const size_t line_count = lines.size();
  // Per line: kept or removed, and the line text with its values when it
  // holds tokens. Lines without tokens are taken as they are.
  std::vector<char> removed(line_count, 0);
  std::vector<std::string> filled(line_count);
  std::vector<char> has_tokens(line_count, 0);
  std::vector<std::string> values;

  size_t t = tokens.size();
  while (t > 0) {
    const int line = tokens[t - 1].line;
    size_t first = t;  // tokens [first, t) belong to this line
    while (first > 0 && tokens[first - 1].line == line) --first;
    if (line < 0 || static_cast<size_t>(line) >= line_count) {
      t = first;
      continue;
    }
    const auto index = static_cast<size_t>(line);
    has_tokens[index] = 1;
    values.assign(t - first, std::string());
    for (size_t k = t; k > first; --k) {
      const TIndexObj& token = tokens[k - 1];
      std::string value = evaluate(token.id);
      if (value.empty() && token.id < 0) {
        removed[index] = 1;
        break;
      }
      values[k - 1 - first] = std::move(value);
    }
    if (!removed[index]) {
      const std::string& source = lines[index];
      std::string& out = filled[index];
      size_t pos = 0;
      for (size_t k = first; k < t; ++k) {
        size_t at = tokens[k].position > 0 ? static_cast<size_t>(tokens[k].position - 1) : 0;
        if (at > source.size()) at = source.size();
        if (at < pos) at = pos;
        out.append(source, pos, at - pos);
        AppendValue(out, values[k - first]);
        pos = at;
      }
      out.append(source, pos, std::string::npos);
    }
    t = first;
  }

  std::string text;
  for (size_t i = 0; i < line_count; ++i) {
    if (removed[i]) continue;
    text.append(has_tokens[i] ? filled[i] : lines[i]);
    text.append("\r\n");
  }
  if (strip_final_break && text.size() >= 2) text.resize(text.size() - 2);
  return text;
}

bool IsPredicateField(int id) {
  const int a = std::abs(id);
  return a >= kFirstPredicateFieldId && a <= kLastPredicateFieldId;
}

std::string PredicateFieldValue(int id, const TFileMergeInfo& info, bool image_name_if_no_info) {
  const int n = info.picture_count;
  const int pages = info.page_count;
  const int c = info.current_page;
  const int p = info.pictures_per_page;
  const TPictureItem* picture = info.FieldPicture();
  switch (std::abs(id)) {
    case fidIsSinglePage:
      return pages <= 1 ? "SinglePage" : "";
    case fidIsMultiPage:
      return pages > 1 ? "MultiPage" : "";
    case fidIsMultiItem: {
      if (n <= pages) return "";
      // The last page of a multi-page album must hold more than one picture.
      if (c == pages && pages >= 2 && p > 0 && n % p == 1) return "";
      return "IsMultiItem";
    }
    case fidIsFirstPage:
      return pages > 1 && c == 1 ? "FirstPage" : "";
    case fidIsMiddlePage:
      return pages > 1 && c > 1 && c < pages ? "MiddlePage" : "";
    case fidIsLastPage:
      return pages > 1 && c == pages ? "LastPage" : "";
    case fidIsImageFile:
      return picture != nullptr && picture->fldImageWidth + picture->fldImageHeight > 0
                 ? "ImageFile"
                 : "";
    case fidIsHtmlFile:
      return picture != nullptr && IsHtmlFileExt(picture->fldFileType) ? "HtmlFile" : "";
    case fidIsLandscape:
      return picture != nullptr && picture->fldImageHeight < picture->fldImageWidth ? "Landscape"
                                                                                    : "";
    case fidIsPortrait:
      return picture != nullptr && picture->fldImageWidth < picture->fldImageHeight ? "Portrait"
                                                                                    : "";
    case fidIsNoItemInfo:
      return !image_name_if_no_info && (picture == nullptr || picture->fldDescription.empty())
                 ? "NoItemInfo"
                 : "";
    default:
      return "";
  }
}

bool ConditionalNavigationIsEmpty(int id, const TFileMergeInfo& info) {
  switch (id) {
    case -fidPageNext:
      return info.current_page >= info.page_count;
    case -fidPagePrev:
      return info.current_page <= 1;
    case -fidPageFirst:
    case -fidPageLast:
      return info.page_count <= 1;
    default:
      return false;
  }
}

}  // namespace pictavo
