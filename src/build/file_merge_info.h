#pragma once
// TFileMergeInfo: the record the page-merge engine works on. The build fills
// the sections, the callbacks and the options; the engine keeps the paging
// counters and the current picture up to date while it runs, and the field
// callback reads them.
#include <functional>
#include <string>
#include <vector>

namespace pictavo {

struct TPictureItem;
class TUserInterface;
struct TFileMergeInfo;

// Value of one simple field token (negative id: conditional form). The
// picture being expanded is TFileMergeInfo::current_picture (nullptr for the
// head, tail, contents and templates that do not iterate).
using TFieldCallback = std::function<std::string(int id, TFileMergeInfo& info)>;

// Page events: what happened, the picture (or nullptr) and the page's full
// file name.
enum TPageEventKind : int {
  pekPictureAdded = 0,
  pekPageAddedToContents = 1,
  pekPageSaved = 2,
  pekSaveFailed = 3,
};
using TPageCallback =
    std::function<void(int kind, const TPictureItem* picture, const std::string& file_name)>;

// Rewrites a finished text in place (the parameterised fields).
using TPostProcessCallback = std::function<void(std::string& text)>;

struct TFileMergeInfo {
  // Options set by the build.
  bool all_rows = true;                 // every row of the list takes part
  bool number_first_page = false;       // cbxNumberFirstPage
  bool merge_mode = false;              // the result is kept as a named text, never written
  std::vector<std::string> page_names;  // PageNames; empty when absent
  std::string stop_question = "Do you want to stop building the album?";
  std::string file_name;              // full path of the first page of this output
  std::string contents_base;          // MainPageBase when the template does not iterate
  std::string page_number_format;     // "%0." + digits of the page count + "d"
  std::string picture_number_format;  // "%0." + digits of the picture count + "d"

  // Sections. After a run without page writing, body holds the whole output.
  std::string head;
  std::string body;
  std::string tail;

  // Callbacks.
  TFieldCallback field_callback;       // EvaluateField
  TPageCallback page_callback;         // PageEvent
  TPostProcessCallback post_callback;  // ApplyParamFields

  // The picture list in display order; a record takes part when fldIndex > 0.
  const std::vector<TPictureItem>* pictures = nullptr;
  // Asked between picture slots: Ctrl+Alt and the stop question. May be null.
  TUserInterface* ui = nullptr;
  // True when the application is closing (stops the run). May be empty.
  std::function<bool()> is_closing;

  // Paging (ComputePaging) and the counters of a run.
  int pictures_per_page = 0;  // from the box; after ComputePaging never 0
  int picture_count = 0;      // included pictures
  int page_count = 0;
  int running_picture = 0;  // picture slots over all pages, from 1
  int current_page = 0;     // from 1
  int picture_on_page = 0;  // slot on the current page, from 1

  // The picture the section is being expanded for, or nullptr.
  const TPictureItem* current_picture = nullptr;
  // The included pictures in display order (filled by ComputePaging), so that
  // "the n-th included picture" costs nothing.
  std::vector<const TPictureItem*> included_pictures;

  // The picture the fields speak of: the picture being expanded; without one,
  // the included picture whose position (from 1) equals the current page
  // number; nullptr when there are fewer included pictures.
  const TPictureItem* FieldPicture() const {
    if (current_picture != nullptr) return current_picture;
    if (current_page >= 1 && static_cast<size_t>(current_page) <= included_pictures.size()) {
      return included_pictures[static_cast<size_t>(current_page) - 1];
    }
    return nullptr;
  }
};

}  // namespace pictavo
