#pragma once
// Conditional fields: a field written with "_" before its name removes its
// line when its value is empty. The predicate fields (IsSinglePage ..
// IsNoItemInfo) exist for this; the navigation fields have a conditional form
// that is empty where the plain form names the nearest existing page.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

struct TFileMergeInfo;

// One field token found in a section line: the line (from 0), the position
// in the line where the value goes (from 1) and the field id (negative for a
// conditional field).
struct TIndexObj {
  int line = 0;
  int position = 0;
  int id = 0;
};

// Evaluates the tokens of a section for one copy of it: from the last line
// to the first and, within a line, from right to left. A non-empty value is
// inserted at the token's position; an empty value of a conditional field
// removes the whole line, and the tokens to its left are not evaluated. The
// lines are joined with CR LF after each; strip_final_break removes the last
// CR LF. tokens must be ordered by line and, within a line, by position (as
// the token scan leaves them). Bytes 0x01 to 0x06 in values are dropped, so
// a value can never pass for a token.
std::string EvaluateSectionLines(const std::vector<std::string>& lines,
                                 const std::vector<TIndexObj>& tokens,
                                 const std::function<std::string(int id)>& evaluate,
                                 bool strip_final_break);

// True for the predicate fields 51..61, written with or without "_".
bool IsPredicateField(int id);

// The word of a predicate field ("SinglePage", "LastPage" ...) when its
// condition holds for the record's page and picture (FieldPicture()), else
// the empty text; the empty text for ids that are no predicate fields.
// image_name_if_no_info is the option cbxImageNameIfNoInfo.
std::string PredicateFieldValue(int id, const TFileMergeInfo& info, bool image_name_if_no_info);

// True when the conditional form of a navigation field yields the empty text
// for the record's current page: {_PageNext} on the last page, {_PagePrev} on
// the first page, {_PageFirst} and {_PageLast} when there is only one page.
// False for every other id and for the plain (positive) forms.
bool ConditionalNavigationIsEmpty(int id, const TFileMergeInfo& info);

}  // namespace pictavo
