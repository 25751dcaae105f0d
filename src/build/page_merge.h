#pragma once
// The page-merge engine: splits the included pictures into pages, repeats the
// body once per picture slot, fills in every field token through the record's
// field callback, removes the lines of empty conditional fields, names the
// page files and writes them (or returns the whole evaluated text).
#include <string>
#include <vector>

#include "build/file_merge_info.h"
#include "template/conditional_fields.h"

namespace pictavo {

struct TPictureItem;
class TUserInterface;

// Picture count (included records), pictures per page, page count and the
// number formats; also fills the record's list of included pictures.
void ComputePaging(TFileMergeInfo& info);

// Name of page n: from the page names when use_page_names is set and there
// are any (never numbered; empty when n is out of range); otherwise the
// record's file name (write set, or no contents base) or the contents base,
// numbered before the last "." of its name from page 2 on (from page 1 with
// number first page) when there are two pages or more. Without full_path
// only the file-name part.
std::string PageFileName(const TFileMergeInfo& info, int n, bool full_path, bool use_page_names,
                         bool write);

// Expands head, body and tail over the pictures. Returns false when the run
// was stopped (Ctrl+Alt answered Yes, the application closing, or a page that
// could not be saved); the page being built is then not written.
bool MergePages(TFileMergeInfo& info, bool iterate, bool write, bool use_page_names,
                bool all_pages);

// Finds the field tokens (0x01 id 0x02) of the lines, removes them from the
// lines and returns them in line order, left to right. A token whose id is no
// number or 0 is removed without being recorded.
std::vector<TIndexObj> ExtractFieldTokens(std::vector<std::string>& lines);

// The section's text for one picture (nullptr: none): the field callback
// gives every token's value, empty conditional fields remove their lines,
// and the lines are joined with CR LF after each (the last one removed when
// strip_final_break is set).
std::string ExpandSectionLines(TFileMergeInfo& info, const TPictureItem* picture,
                               const std::vector<std::string>& lines,
                               const std::vector<TIndexObj>& tokens, bool strip_final_break);

// Writes a page (the text up to its first zero byte) through a temporary file
// and a rename; an existing page keeps its permissions, read-only included.
// Then checks the file's size. False, after an error box through ui (when
// given), when the file could not be written or is shorter than the text.
bool SavePageText(const std::string& text, const std::string& file_name,
                  TUserInterface* ui = nullptr);

}  // namespace pictavo
