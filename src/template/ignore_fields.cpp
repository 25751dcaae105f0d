#include "template/ignore_fields.h"

#include "platform/case_fold.h"
#include "settings/window_state.h"

namespace pictavo {

const std::vector<TIgnoreGroup>& IgnoreFieldGroups() {
  static const std::vector<TIgnoreGroup> groups = {
      {{"PICKMANUAL"}, {"cbxPickManually"}},
      {{"INCLUDESUBFOLDERS", "SUBFOLDERS"}, {"cbxIncludeSubFolders"}},
      {{"FOLDER", "IMAGEFOLDER", "IMAGEDIR"},
       {"cmbPreviousFolders", "lblShellTree", "vclShellTree"}},
      {{"FILEFILTERS"}, {"cmbFileFilters"}},
      {{"EXCLUSIONFILTERS"}, {"edtExclusionFilters"}},
      {{"EXCLUDE"}, {"btnInclude", "btnExclude"}},
      {{"SORT"}, {"cmbSorting", "btnUp", "btnDown"}},
      {{"OUTPUTNAME"}, {"edtOutputName"}},
      {{"BASEURL"}, {"cmbBaseUrl"}},
      {{"BACKIMAGE"}, {"cmbBackgroundImage"}},
      {{"BACKCOLOR"}, {"btnBackgroundColor"}},
      {{"TEXTCOLOR"}, {"btnTextColor"}},
      {{"LINKCOLOR"}, {"btnLinkColor"}},
      {{"VLINKCOLOR"}, {"btnVLinkColor"}},
      {{"PAGETITLE"}, {"edtPageTitle"}},
      {{"PAGEINFO", "PAGEIMAGECOUNT"}, {"edtPageDescription"}},
      {{"PAGEKEYWORDS"}, {"edtKeywords"}},
      {{"PICSPERPAGE"}, {"edtMaxImages"}},
      {{"HOST"}, {"edtHostName"}},
      {{"USERID"}, {"edtUserId"}},
      {{"PASSWORD"}, {"edtPassword"}},
      {{"HTMLDIR"}, {"edtHtmlFolder"}},
      {{}, {"edtMediaFolder"}},
  };
  return groups;
}

int IgnoreFieldGroup(std::string_view word) {
  if (word.size() < 4) return 0;
  const std::string upper = UpperAscii(word);
  if (upper.compare(0, 10, "PICKMANUAL") == 0) return 1;
  const auto& groups = IgnoreFieldGroups();
  for (size_t g = 0; g < groups.size(); ++g) {
    for (std::string_view keyword : groups[g].keywords) {
      if (upper == keyword) return static_cast<int>(g) + 1;
    }
  }
  return 0;
}

std::vector<bool> IgnoredGroups(std::string_view text) {
  std::vector<bool> ignored(IgnoreFieldGroups().size(), false);
  std::string word;
  auto flush = [&] {
    if (int g = IgnoreFieldGroup(word); g > 0) ignored[static_cast<size_t>(g - 1)] = true;
    word.clear();
  };
  for (char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      word += c;
    } else if (c == ',' || c == ';') {
      flush();
    }
  }
  flush();
  return ignored;
}

void ApplyIgnoreFields(TWindowState& window, std::string_view text) {
  if (text == window.IgnoreFieldsText) return;
  window.IgnoreFieldsText = std::string(text);
  const std::vector<bool> ignored = IgnoredGroups(text);
  const auto& groups = IgnoreFieldGroups();
  for (size_t g = 0; g < groups.size(); ++g) {
    for (std::string_view control : groups[g].controls) {
      const std::string name(control);
      const bool enabled = !window.DisabledControls.contains(name);
      auto mark_it = window.IgnoreMarks.find(name);
      const TIgnoreMark mark =
          mark_it == window.IgnoreMarks.end() ? TIgnoreMark::None : mark_it->second;
      if (enabled && ignored[g]) {
        window.DisabledControls.insert(name);
        window.IgnoreMarks[name] = TIgnoreMark::DisabledByTemplate;
      } else if (!enabled && !ignored[g]) {
        if (mark == TIgnoreMark::DisabledByTemplate) window.DisabledControls.erase(name);
        if (mark_it != window.IgnoreMarks.end()) window.IgnoreMarks.erase(mark_it);
      } else if (!enabled && ignored[g] && mark == TIgnoreMark::None) {
        window.IgnoreMarks[name] = TIgnoreMark::AlreadyDisabled;
      } else if (enabled && !ignored[g] && mark_it != window.IgnoreMarks.end()) {
        // Enabled meanwhile by the window: the old mark means nothing now.
        window.IgnoreMarks.erase(mark_it);
      }
    }
  }
}

bool ControlEnabled(const TWindowState& window, std::string_view control) {
  return !window.DisabledControls.contains(std::string(control));
}

}  // namespace pictavo
