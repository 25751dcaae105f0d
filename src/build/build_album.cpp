#include "build/build_album.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <thread>

#include "build/build_host.h"
#include "build/page_merge.h"
#include "build/progress_log.h"
#include "imaging/naming.h"
#include "imaging/worker_pool.h"
#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "platform/user_interface.h"
#include "settings/album_settings_file.h"
#include "settings/window_state.h"
#include "template/field_ids.h"
#include "template/param_fields.h"
#include "template/template_fields.h"

namespace pictavo {

namespace {

// With lower-case URLs the build lower-cases the names it makes. Only the
// last part of a path is lower-cased: the folders above it keep their case,
// since Linux names are case-sensitive and the folders exist as written.
std::string LowerLastPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return LowerAscii(path);
  return path.substr(0, slash + 1) + LowerAscii(path.substr(slash + 1));
}

// "0" when the text is no whole number.
int BoxInteger(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return 0;
  size_t used = 0;
  try {
    const int value = std::stoi(t, &used);
    return used == t.size() ? value : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

bool FolderIsEmptyOrMissing(const std::string& folder) {
  std::error_code ec;
  if (!std::filesystem::exists(folder, ec)) return true;
  return std::filesystem::is_empty(folder, ec) && !ec;
}

bool OptionGiven(const std::string& options_text, const char* key,
                 const TPathMacroFolders& folders) {
  const auto value = BuildOptionValue(options_text, key, folders);
  return value && !value->empty();
}

}  // namespace

TAlbumBuilder::TAlbumBuilder(TWindowState& window, TBuildHost& host, TUserInterface& ui,
                             TProgressLog& log, const TProgramFolders& folders)
    : window_(window), host_(host), ui_(ui), log_(log), folders_(folders) {
  Options.NamedTexts = &NamedTexts;
  Options.ImageConverter = &ImageConverter;
  Options.ThumbConverter = &ThumbConverter;
  ImageConverter.ui = &ui_;
  ThumbConverter.ui = &ui_;
}

TPathMacroFolders TAlbumBuilder::MacroFolders() const {
  TPathMacroFolders f;
  f.album = ExcludeTrailingSlash(folders_.AlbumsFolder);
  f.program = ExcludeTrailingSlash(folders_.MainDirectory);
  f.samples = ExcludeTrailingSlash(folders_.SamplesFolder);
  f.temp = ExcludeTrailingSlash(TempFolder());
  return f;
}

std::string TAlbumBuilder::ResolveTemplatePath(const std::string& name) const {
  return ResolveSettingsPath(name.empty() ? std::string("Default") : name,
                             ExcludeTrailingSlash(folders_.TemplatesFolder), "html", false);
}

// ---------------------------------------------------------------- commands

bool TAlbumBuilder::BuildAlbumCommand() {
  ui_.ProcessEvents();
  host_.CommitDescriptionEdit();
  ImageObjects.clear();
  host_.RememberPictureFolder(true);
  WrittenPages.clear();
  ReferencedFiles.Clear();
  Options.FtpInfos.clear();
  AlbumFiles.clear();
  album_file_index_.clear();
  collected_pages_ = 0;
  collected_references_ = 0;
  log_.Clear();
  Commands = TBuildCommands{};

  const bool ok = BuildAlbum();
  if (ok) {
    Commands.btnPreviewLocalEnabled = !ContentsPage.empty();
    Commands.btnCalculateSizeEnabled = ReferencedFiles.Count() > 0;
    Commands.btnUploadEnabled = !WrittenPages.empty();
    Commands.btnDeletePagesEnabled = !WrittenPages.empty();
    if (quick_build_preview_ && Commands.btnPreviewLocalEnabled) host_.PreviewAlbum(ContentsPage);
  } else {
    DeleteLocalAlbum();
  }
  // The automatic preview of a Quick Build applies to that build alone.
  quick_build_preview_ = false;
  NamedTexts.Clear();
  return ok;
}

bool TAlbumBuilder::QuickBuildCommand() {
  quick_build_preview_ = window_.cbxAutomaticPreview;
  return BuildAlbumCommand();
}

void TAlbumBuilder::DeleteLocalAlbum() {
  // Last page first, so a page is never left pointing at deleted pages.
  for (auto it = WrittenPages.rbegin(); it != WrittenPages.rend(); ++it) DeleteFile(*it);
  host_.RemoveAlbumListEntries(WrittenPages);
  WrittenPages.clear();
  ContentsPage.clear();
  ReferencedFiles.Clear();
  if (!CreatedAlbumFolder.empty()) {
    std::error_code ec;
    if (std::filesystem::is_empty(CreatedAlbumFolder, ec) && !ec) {
      std::filesystem::remove(CreatedAlbumFolder, ec);
    }
  }
  Commands.btnPreviewLocalEnabled = false;
  Commands.btnCalculateSizeEnabled = false;
  Commands.btnDeletePagesEnabled = false;
  Commands.btnUploadEnabled = false;
}

// ---------------------------------------------------------------- the build

void TAlbumBuilder::SetupConverters() {
  ThumbConverter.OutputFormat = kOutputJpeg;
  ThumbConverter.SmartResample = true;
  ThumbConverter.SubName = "tn_";
  ThumbConverter.AddSubName = adAutoDetect;
  ThumbConverter.ResizeMode = scBestFit;
  ThumbConverter.MaxWidth = 150;
  ThumbConverter.MaxHeight = 150;
  ThumbConverter.SetJpgQuality(80);
  ThumbConverter.SetImageSharpness(0);
  ThumbConverter.Overwrite = false;
  ThumbConverter.SetDestFolder(std::string());

  ImageConverter.OutputFormat = kOutputJpeg;
  ImageConverter.SmartResample = true;
  ImageConverter.SubName.clear();
  ImageConverter.ResizeMode = scReduce;
  ImageConverter.MaxWidth = std::max(0, BoxInteger(window_.edtImageMaxWidth));
  ImageConverter.MaxHeight = std::max(0, BoxInteger(window_.edtImageMaxHeight));
  ImageConverter.SetJpgQuality(80);
  ImageConverter.SetImageSharpness(0);
  ImageConverter.Overwrite = true;
  ImageConverter.SetDestFolder(std::string());
}

bool TAlbumBuilder::BuildAlbum() {
  MainPageBase.clear();
  AlbumRelName.clear();
  ContentsPage.clear();
  Options.ChainTemplates.clear();
  Options.PageNames.reset();
  Options.QualityOrSharpnessSet = false;
  Options.ImageConverterChanged = false;
  TAlbumFields snapshot = TakeAlbumFields(window_, host_);
  const bool was_changed = host_.SettingsChanged();
  host_.SuspendChangeTracking(true);
  host_.SuspendFilterHistory(true);
  Busy = true;

  bool result = false;
  try {
    SetupConverters();
    LinkInfo = THtmlLinkInfo{};
    templates_building_.clear();

    result = BuildTemplateChain(window_.cmbTemplate, false);

    if (ContentsPage.empty()) ContentsPage = PageFileName(MergeInfo, 1, true, false, false);
    if (result) {
      std::string title = window_.edtPageTitle;
      if (title.empty() && !ContentsPage.empty()) {
        title = RelativePath(ExcludeTrailingSlash(folders_.AlbumsFolder), ContentsPage);
      }
      if (!title.empty()) host_.RegisterBuiltAlbum(title, ContentsPage);
    }
  } catch (const std::exception& e) {
    // The application's error handler: the message box, and the build ends.
    ui_.ShowError(e.what());
    result = false;
  }
  Options.ChainTemplates.clear();
  host_.SuspendFilterHistory(false);

  if (!AlbumRelName.empty()) {
    if (snapshot.OutputName.empty()) snapshot.OutputName = NamePart(AlbumRelName);
    if (snapshot.OutputDir.empty())
      snapshot.OutputDir = ExcludeTrailingSlash(FolderPart(AlbumRelName));
  }
  RestoreAlbumFields(snapshot, window_, host_);
  Options.PageNames.reset();

  host_.SuspendChangeTracking(false);
  host_.SetSettingsChanged(was_changed);
  Busy = false;
  log_.LogLine(result ? kFinishedBuilding : kBuildInterrupted);
  return result;
}

bool TAlbumBuilder::BuildTemplateChain(const std::string& name, bool sub_build) {
  // A template that is already being built further up the chain would
  // build for ever: the chain stops there.
  const std::string path = ResolveTemplatePath(name);
  for (const std::string& building : templates_building_) {
    if (building == path) {
      log_.LogSeparator();
      log_.LogLine("Error: template \"" + path +
                   "\" is already being built; templatebuild loops back to it");
      return false;
    }
  }
  templates_building_.push_back(path);
  bool result = BuildTemplate(LinkInfo, name, sub_build);
  if (result) {
    CollectAlbumFiles();
    std::string chain = Options.ChainTemplates;
    Options.ChainTemplates.clear();
    while (result && !chain.empty()) {
      const size_t semi = chain.find(';');
      const std::string next = Trim(chain.substr(0, semi));
      chain = semi == std::string::npos ? std::string() : chain.substr(semi + 1);
      if (!next.empty()) result = BuildTemplateChain(next, true);
    }
  }
  templates_building_.pop_back();
  return result;
}

bool TAlbumBuilder::BuildTemplate(THtmlLinkInfo& link, const std::string& name, bool sub_build) {
  bool result = false;
  Options.ChainTemplates.clear();
  log_.LogSeparator();

  // Page extension of this template.
  std::string page_ext;
  std::string template_path;
  if (!name.empty()) {
    template_path = ResolveTemplatePath(name);
    const std::string ext = FileExt(template_path);
    if (EqualsNoCase(ext, "htm") || EqualsNoCase(ext, "html")) {
      page_ext = !window_.cmbDefaultExt.empty() ? window_.cmbDefaultExt : ext;
    } else {
      page_ext = ext;
    }
  } else {
    if (sub_build) return false;
    page_ext = !window_.cmbDefaultExt.empty() ? window_.cmbDefaultExt : "html";
  }
  if (!sub_build) PageExt = page_ext;

  const std::string albums = ExcludeTrailingSlash(folders_.AlbumsFolder);
  // Output folder.
  if (!sub_build) {
    if (!window_.edtOutputDir.empty()) {
      OutputFolder = AbsolutePath(window_.edtOutputDir, albums);
    } else if (!window_.edtOutputName.empty()) {
      OutputFolder = albums;
    } else {
      // The first of 0001, 0002 ... below the albums folder that is still
      // free. A folder that holds anything counts as taken, not only one with
      // an "index.html": with the first page numbered an album's first page is
      // "index1.html", and a new album must not be written over an old one.
      for (int n = 1; n <= 9999; ++n) {
        OutputFolder = JoinPath(albums, fmt::format("{:04d}", n));
        if (!FileExists(JoinPath(OutputFolder, "index.html")) &&
            FolderIsEmptyOrMissing(OutputFolder)) {
          break;
        }
      }
    }
  }

  // Template text.
  std::string text;
  std::time_t template_time = 0;
  std::optional<std::string> editor_text;
  if (!sub_build && !template_path.empty()) editor_text = host_.EditorTemplateText(template_path);
  if (editor_text) {
    text = *editor_text;
  } else {
    if (template_path.empty()) template_path = ResolveTemplatePath(std::string());
    log_.LogLine("Loading template \"" + template_path + "\"");
    text = ReadTemplateFile(template_path);
    if (!sub_build) {
      if (auto st = StatPath(template_path)) template_time = st->mtime;
    }
  }
  if (text.empty()) {
    log_.LogLine("Error: template \"" + template_path + "\"containes no data");
  }

  TAlbumOptionsContext options_context{window_, host_, MacroFolders(), {}, false};
  options_context.complete_fields = CompleteFields;
  TApplyOptionsInput input;
  input.SubBuild = sub_build;
  input.PageExt = page_ext;
  input.TemplatePath = template_path;
  input.OutputFolder = OutputFolder;
  pictures_ = host_.Pictures();
  input.Pictures = &pictures_;
  input.OptionsFromWindow =
      !sub_build && !editor_text &&
      window_.OptionsLoadedAt >= std::chrono::system_clock::from_time_t(template_time);
  if (editor_text) input.OptionsFromWindow = !sub_build;
  const std::string options_text =
      input.OptionsFromWindow ? window_.TemplateOptionsText : OptionsText(text);

  TTemplateOptions options;
  if (!text.empty() && input.OptionsFromWindow) {
    options = ApplyAlbumOptions(text, input, Options, options_context);
    text = options.Text;
  }
  if (text.empty() || (CompleteFields && !CompleteFields(text))) return false;
  if (!input.OptionsFromWindow) {
    options = ApplyAlbumOptions(text, input, Options, options_context);
    text = options.Text;
  }

  // The album date format: the date fields read cmbDateFormat themselves
  // ("mmmm dd, yyyy" when it is empty).

  // The merge record.
  MergeInfo = TFileMergeInfo{};
  MergeInfo.all_rows = true;
  MergeInfo.number_first_page = window_.cbxNumberFirstPage;
  if (Options.PageNames) MergeInfo.page_names = *Options.PageNames;
  MergeInfo.merge_mode = !Options.MergeName.empty();
  if (!Options.PageNames && !sub_build &&
      LowerAscii(window_.edtOutputName).find("{imagename}") != std::string::npos) {
    window_.edtOutputName.clear();
  }

  // The file name of this template's output.
  std::string file_name;
  if (sub_build || !options.NoOutputName) {
    if (!options.NoOutputName) {
      if (!sub_build) {
        window_.edtOutputName = NamePart(options.OutputName);
        const std::string folder = ExcludeTrailingSlash(FolderPart(options.OutputName));
        if (options.OutputName.find('/') != std::string::npos && window_.edtOutputDir.empty() &&
            !folder.empty() && folder != albums) {
          window_.edtOutputDir = folder;
        }
      }
      file_name = NamePart(options.OutputName);
    } else {
      file_name = NamePart(template_path);
      if (!sub_build) window_.edtOutputName = file_name;
    }
  } else if (!window_.edtOutputName.empty()) {
    file_name = JoinPath(OutputFolder, window_.edtOutputName);
  } else {
    file_name = JoinPath(OutputFolder, "index." + page_ext);
    AlbumRelName = RelativePath(albums, file_name);
    window_.edtOutputName = NamePart(file_name);
  }
  file_name = ResolveSettingsPath(file_name, OutputFolder, page_ext, false);
  if (window_.cbxLowercaseURLs) {
    file_name = LowerLastPart(file_name);
    AlbumRelName = LowerLastPart(AlbumRelName);
  }

  // Album folder.
  if (!sub_build) {
    CreatedAlbumFolder.clear();
    if (!AlbumFolder.empty()) {
      file_name = JoinPath(AlbumFolder, NamePart(file_name));
    } else {
      AlbumFolder = ExcludeTrailingSlash(FolderPart(file_name));
    }
    if (!FolderExists(AlbumFolder)) {
      if (!ForceFolders(AlbumFolder)) {
        log_.LogLine("Error: album folder \"" + AlbumFolder + "\" cannot be created");
        return false;
      }
      CreatedAlbumFolder = AlbumFolder;
    }
    if (!CanCreateFileIn(AlbumFolder)) {
      log_.LogLine("Error: album folder \"" + AlbumFolder + "\" is not writable");
      return false;
    }
  }
  MergeInfo.file_name = file_name;

  // Contents base.
  if (options.IterateGrid) {
    MainPageBase = ResolveSettingsPath(window_.edtOutputName, OutputFolder, page_ext, false);
    if (window_.cbxLowercaseURLs) MainPageBase = LowerLastPart(MainPageBase);
  } else {
    MergeInfo.contents_base = MainPageBase;
  }

  // Paging and callbacks.
  MergeInfo.pictures_per_page = std::max(0, BoxInteger(window_.edtMaxImages));
  Context.window = &window_;
  Context.PageFileName = &PageFileName;
  Context.ImageObjects = &ImageObjects;
  Context.ImageConverter = &ImageConverter;
  Context.ThumbConverter = &ThumbConverter;
  Context.BackgroundsFolder = folders_.BackgroundsFolder;
  Context.ui = &ui_;
  MergeInfo.field_callback = MakeFieldCallback(Context);
  MergeInfo.page_callback = [this](int kind, const TPictureItem* picture, const std::string& page) {
    PageEvent(picture, kind, page);
  };
  MergeInfo.post_callback = [](std::string& t) { ApplyParamFields(t); };
  pictures_ = host_.Pictures();
  MergeInfo.pictures = &pictures_;
  MergeInfo.ui = &ui_;
  MergeInfo.is_closing = IsClosing;

  // Contents page.
  if (options.IsContentsPage || ContentsPage.empty()) {
    if (window_.cbxNumberFirstPage && !options.IsContentsPage && MergeInfo.page_names.empty()) {
      ComputePaging(MergeInfo);
      ContentsPage = PageFileName(MergeInfo, 1, true, false, true);
    } else {
      ContentsPage = file_name;
    }
  }

  // Link settings.
  if (sub_build) {
    link.template_folder = IncludeTrailingSlash(FolderPart(template_path));
  } else {
    link.relative = window_.cbxRelativePaths;
    link.publish = false;
    link.keep_folders = true;
    link.lower_case = window_.cbxLowercaseURLs;
    link.template_folder = template_path.empty() ? IncludeTrailingSlash(folders_.TemplatesFolder)
                                                 : IncludeTrailingSlash(FolderPart(template_path));
    link.album_folder = link.relative ? IncludeTrailingSlash(AlbumFolder) : std::string();
    link.referenced_files = &ReferencedFiles;
  }

  // Image folder and the switches of the image objects.
  bool copy = window_.cbxCopyImages;
  bool process = window_.cbxAutomaticResize;
  if (copy) {
    const std::string folder = window_.edtImageFolder.empty()
                                   ? AlbumFolder
                                   : AbsolutePath(window_.edtImageFolder, AlbumFolder);
    if (ForceFolders(folder) && CanCreateFileIn(folder)) {
      ImageConverter.SetDestFolder(IncludeTrailingSlash(folder));
      ThumbConverter.SetDestFolder(IncludeTrailingSlash(folder));
      if (!options.ThumbOverwriteGiven) ThumbConverter.Overwrite = true;
    } else {
      copy = false;
      process = false;
    }
  }
  if (!copy) {
    ImageConverter.SetDestFolder(std::string());
    ThumbConverter.SetDestFolder(std::string());
  }
  if (Options.ImageConverterChanged && process) {
    ImageObjects.clear();
    Options.ImageConverterChanged = false;
  }
  // An album option that sets a converter's overwrite flag decides for its
  // objects; otherwise the "Overwrite images" box, within the converter's rule.
  const TPathMacroFolders macro_folders = MacroFolders();
  bool picture_option = false, thumbnail_option = false;
  for (const char* key : {"imagemaxsize", "imagequality", "imagesharpness", "imageoverwrite"}) {
    if (OptionGiven(options_text, key, macro_folders)) picture_option = true;
  }
  for (const char* key : {"thumbmaxsize", "thumbquality", "thumbsharpness", "thumboverwrite"}) {
    if (OptionGiven(options_text, key, macro_folders)) thumbnail_option = true;
  }
  const bool lower = window_.cbxLowercaseURLs;
  Context.picture_switches = {process, Options.QualityOrSharpnessSet, copy,
                              picture_option
                                  ? ImageConverter.Overwrite
                                  : (window_.cbxOverwriteImages && ImageConverter.Overwrite),
                              lower};
  Context.thumbnail_switches = {process, Options.QualityOrSharpnessSet, copy,
                                thumbnail_option
                                    ? ThumbConverter.Overwrite
                                    : (window_.cbxOverwriteImages && ThumbConverter.Overwrite),
                                lower};
  Context.AlbumFolder = AlbumFolder;
  Context.PageExt = PageExt;
  Context.ContentsPage = ContentsPage;

  // Links, fields, sections.
  text = ScanHtmlLinks(text, link, false);
  std::string compiled = CompileTemplate(text, NamedTexts);

  TContentsCut contents = CutContentsSection(compiled);
  if (contents.found) {
    ui_.ShowStatus("Building album contents ...");
    MergeInfo.head.clear();
    MergeInfo.tail.clear();
    MergeInfo.body = contents.contents;
    MergePages(MergeInfo, false, false, true, true);
    compiled = contents.text;
    compiled.insert(std::min(contents.insert_pos, compiled.size()), MergeInfo.body);
    ui_.ShowStatus(kReadyStatus);
  }

  if (!options.IterateGrid) {
    ui_.ShowStatus("Building album ...");
    MergeInfo.head.clear();
    MergeInfo.tail.clear();
    MergeInfo.body = compiled;
    result = MergePages(MergeInfo, false, false, false, false);
    compiled = MergeInfo.body;
  }

  TBodySections sections = CutBodySections(compiled);

  if (options.IterateGrid) {
    ui_.ShowStatus("Building album ... (Press Ctrl+Alt to interrupt)");
    MergeInfo.head = std::move(sections.head);
    MergeInfo.body = std::move(sections.body);
    MergeInfo.tail = std::move(sections.tail);
    pictures_done_ = 0;
    picture_total_ = 0;
    for (const TPictureItem& p : pictures_) {
      if (p.Included()) ++picture_total_;
    }
    if (PrefetchImages) PrefetchImageObjects(MergeInfo.body);
    result = MergePages(MergeInfo, true, true, true, true);
    if (MergeInfo.merge_mode) NamedTexts.Add(Options.MergeName, MergeInfo.body);
  } else if (result) {
    std::string page = sections.head + sections.body + sections.tail;
    if (MergeInfo.merge_mode) {
      NamedTexts.Add(Options.MergeName, page);
    } else {
      std::string target = MergeInfo.file_name;
      if (window_.cbxLowercaseURLs) target = LowerLastPart(target);
      const bool saved = SavePageText(page, target, &ui_);
      // A page that could not be saved fails the template, as it does for
      // the pages of a template that iterates.
      PageEvent(nullptr, pekPageSaved, target);
      if (!saved) {
        PageEvent(nullptr, pekSaveFailed, target);
        result = false;
      }
    }
  }
  ui_.ShowStatus(kReadyStatus);
  return result;
}

void TAlbumBuilder::PrefetchImageObjects(const std::string& body) {
  // Which image objects the body asks for for every picture: those of the
  // fields on its lines without a conditional field (a line that a
  // conditional field removes may never ask for its other fields).
  std::vector<std::string> lines = SplitLines(body);
  const std::vector<TIndexObj> tokens = ExtractFieldTokens(lines);
  std::set<int> conditional_lines;
  for (const TIndexObj& t : tokens) {
    if (t.id < 0) conditional_lines.insert(t.line);
  }
  bool want_picture = false, want_thumbnail = false;
  for (const TIndexObj& t : tokens) {
    if (conditional_lines.count(t.line) != 0) continue;
    switch (t.id) {
      case fidFileUrl:
      case fidFileName:
      case fidFileDosName:
      case fidImageSize:
      case fidImageKbSize:
      case fidImageWidth:
      case fidImageHeight:
      case fidImageTagWidth:
      case fidImageTagHeight:
        want_picture = true;
        break;
      case fidThumbUrl:
        want_thumbnail = true;
        break;
      default:
        break;
    }
  }
  if (!want_picture && !want_thumbnail) return;

  // The keys the fields use: the source for its picture, the thumbnail
  // converter's name for its thumbnail.
  struct TJob {
    std::string source, picture_key, thumbnail_key;
    bool picture = false, thumbnail = false;
    std::unique_ptr<TImageObj> picture_object, thumbnail_object;
    std::vector<std::string> errors;
  };
  TNamingOptions thumb_naming = ThumbConverter.NamingOptions();
  thumb_naming.lowercase_name = Context.thumbnail_switches.lower_case;
  std::vector<TJob> jobs;
  std::set<std::string> seen;
  // Files that two sources would both write (the same name without
  // extension, or a picture named like another's thumbnail) are left to the
  // merge, which makes them one after the other in list order.
  std::map<std::string, std::set<std::string>> names;
  for (const TPictureItem& p : pictures_) {
    if (!p.Included() || !seen.insert(p.fldFullName).second) continue;
    TJob job;
    job.source = p.fldFullName;
    job.picture_key = p.fldFullName;
    job.thumbnail_key = DestinationName(thumb_naming, p.fldFullName, 0, true);
    if (job.thumbnail_key.empty()) job.thumbnail_key = p.fldFullName;
    job.picture = want_picture && ImageObjects.count(job.picture_key) == 0;
    job.thumbnail = want_thumbnail && job.thumbnail_key != job.picture_key &&
                    ImageObjects.count(job.thumbnail_key) == 0;
    if (!job.picture && !job.thumbnail) continue;
    names[LowerAscii(NameWithoutExt(job.source))].insert(job.source);
    names[LowerAscii(NameWithoutExt(job.thumbnail_key))].insert(job.source);
    jobs.push_back(std::move(job));
  }
  std::set<std::string> clashing;
  for (const auto& [name, sources] : names) {
    if (sources.size() > 1) clashing.insert(sources.begin(), sources.end());
  }
  std::erase_if(jobs, [&](const TJob& j) { return clashing.count(j.source) != 0; });
  if (jobs.empty()) return;

  ui_.ShowStatus("Processing images ...");
  const TImageSwitches picture_switches = Context.picture_switches;
  const TImageSwitches thumbnail_switches = Context.thumbnail_switches;
  auto closing = IsClosing;
  std::atomic<bool> stop_prefetch{false};
  // Progress is reported from the calling thread only (it works on the
  // bands too); the callbacks are not made for other threads.
  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<int> done{0};
  const int total = static_cast<int>(jobs.size());
  DefaultWorkerPool().ParallelFor(0, total, 1, [&](int first, int last) {
    const bool on_caller = std::this_thread::get_id() == caller;
    for (int i = first; i < last; ++i) {
      if (on_caller) {
        if (OnPictureProgress) OnPictureProgress(done.load(), total);
        if (closing && closing()) stop_prefetch = true;
      }
      if (stop_prefetch.load()) return;
      TJob& job = jobs[static_cast<size_t>(i)];
      // Converter copies of this picture alone: the objects set their
      // converter's switches while they work (and use it only while they
      // are made, so the copies may go when the job ends).
      TJwImageConv picture = ImageConverter;
      TJwImageConv thumbnail = ThumbConverter;
      for (TJwImageConv* c : {&picture, &thumbnail}) {
        c->ui = nullptr;
        c->OnError = [&job](const std::string& message, bool&) { job.errors.push_back(message); };
      }
      try {
        // A picture and its thumbnail are made together from one decoding of
        // the source.
        if (job.picture && job.thumbnail) {
          auto made = TImageObj::MakePair(job.source, picture, picture_switches, thumbnail,
                                          thumbnail_switches, nullptr);
          job.picture_object = std::move(made.first);
          job.thumbnail_object = std::move(made.second);
        } else if (job.picture) {
          job.picture_object =
              std::make_unique<TImageObj>(job.source, picture, picture_switches, nullptr);
        } else {
          job.thumbnail_object =
              std::make_unique<TImageObj>(job.source, thumbnail, thumbnail_switches, nullptr);
        }
      } catch (const std::exception&) {
        // Left to the merge, which falls back to the picture's own file.
        job.picture_object.reset();
        job.thumbnail_object.reset();
      }
      ++done;
    }
  });
  for (TJob& job : jobs) {
    for (const std::string& message : job.errors) ui_.ShowError(message);
    if (job.picture_object) ImageObjects[job.picture_key] = std::move(job.picture_object);
    if (job.thumbnail_object) ImageObjects[job.thumbnail_key] = std::move(job.thumbnail_object);
  }
}

void TAlbumBuilder::PageEvent(const TPictureItem* picture, int kind, const std::string& file_name) {
  switch (kind) {
    case pekPictureAdded:
      log_.LogLine("Adding \"" + (picture ? picture->fldFileName : std::string()) + "\"");
      ++pictures_done_;
      if (OnPictureProgress) OnPictureProgress(pictures_done_, picture_total_);
      break;
    case pekPageAddedToContents:
      log_.LogLine("Adding page \"" + file_name + "\" to contents");
      break;
    case pekPageSaved: {
      bool known = false;
      for (const std::string& page : WrittenPages) {
        if (page == file_name) {
          known = true;
          break;
        }
      }
      if (!known) WrittenPages.push_back(file_name);
      log_.LogLine("Saving page \"" + file_name + "\"");
      break;
    }
    case pekSaveFailed:
      log_.LogAppend(" [Error]");
      break;
    default:
      break;
  }
}

void TAlbumBuilder::AddAlbumFile(const std::string& path, int destination) {
  if (album_file_index_.count(path) != 0) return;
  album_file_index_.emplace(path, AlbumFiles.size());
  AlbumFiles.push_back({path, destination});
}

void TAlbumBuilder::CollectAlbumFiles() {
  const int d = 1 + static_cast<int>(Options.FtpInfos.size());
  for (; collected_pages_ < WrittenPages.size(); ++collected_pages_) {
    const std::string& page = WrittenPages[collected_pages_];
    AddAlbumFile(page, d);
    if (auto text = TryReadFileBytes(page)) {
      THtmlLinkInfo scan = LinkInfo;
      scan.template_folder = IncludeTrailingSlash(AlbumFolder);
      scan.referenced_files = &ReferencedFiles;
      ScanHtmlLinks(*text, scan, true);
    }
  }
  const auto& items = ReferencedFiles.Items();
  for (; collected_references_ < items.size(); ++collected_references_) {
    const TReferencedFile& file = items[collected_references_];
    AddAlbumFile(file.path, file.media ? -d : d);
  }
}

}  // namespace pictavo
