// pictavo-cli build [--ini FILE] [--album FILE.alb] [--answer "prompt=value"...]
//                   [Section.Key=Value...] [PICTURE...]
//                   [--upload Upload.Key=Value...]  (see cli/upload_options.h)
// Builds an album exactly as the Build Album command does. The program
// options come from the INI file, the album from an album settings file (the
// "Default" settings when none is named); Section.Key=Value overrides them
// in memory (Settings.* the album settings keys, Options.* and Author.* the
// program options), so no file on disk changes because of an override.
// Pictures named on the command line are picked by hand (manual mode).
// The progress log goes to standard output line by line, the contents page's
// path last. Exit status: 0 when the log ends with "Finished building
// album", 1 otherwise, 2 for bad usage.
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "app/album_settings.h"
#include "app/completion_wizard.h"
#include "build/build_album.h"
#include "build/grid_build_host.h"
#include "build/progress_log.h"
#include "cli/commands.h"
#include "cli/upload_options.h"
#include "publish/album_list.h"
#include "publish/album_list_build_host.h"
#include "pictures/descriptions.h"
#include "pictures/picture_collection.h"
#include "pictures/picture_grid.h"
#include "platform/case_fold.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/text_lines.h"
#include "platform/user_interface.h"
#include "settings/album_settings_file.h"
#include "settings/program_folders.h"
#include "settings/program_options.h"
#include "settings/reg_or_ini.h"
#include "settings/window_state.h"
#include "template/album_options.h"
#include "template/compile_template.h"

namespace pictavo::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
}

// The progress bar on standard error, shown only when it is a terminal.
class TProgressBar {
 public:
  TProgressBar() : enabled_(isatty(STDERR_FILENO) != 0) {}
  void Show(int done, int total) {
    if (!enabled_ || total <= 0) return;
    done_ = done;
    total_ = total;
    Draw();
  }
  // Removes the bar before a line goes to standard output.
  void Hide() {
    if (!enabled_ || !shown_) return;
    std::cerr << "\r\033[K" << std::flush;
    shown_ = false;
  }
  void Redraw() {
    if (enabled_ && total_ > 0 && !shown_) Draw();
  }
  void Finish() {
    Hide();
    total_ = 0;
  }

 private:
  void Draw() {
    constexpr int kWidth = 30;
    const int filled = total_ > 0 ? std::min(kWidth, done_ * kWidth / total_) : 0;
    std::cerr << "\r[" << std::string(static_cast<size_t>(filled), '#')
              << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << done_ << "/"
              << total_ << " pictures" << std::flush;
    shown_ = true;
  }
  bool enabled_;
  bool shown_ = false;
  int done_ = 0;
  int total_ = 0;
};

// The progress log printed as it grows. A line is printed once the next one
// starts, the progress bar moves or the log ends, so that text appended to it
// (" [Error]") is usually printed with it.
class TPrintingProgressLog : public TMemoryProgressLog {
 public:
  explicit TPrintingProgressLog(TProgressBar& bar) : bar_(bar) {}
  void Flush() {
    if (!pending_) return;
    bar_.Hide();
    std::cout << lines().back() << "\n" << std::flush;
    pending_ = false;
    bar_.Redraw();
  }

 protected:
  void DoAddLine(const std::string& text) override {
    Flush();
    TMemoryProgressLog::DoAddLine(text);
    pending_ = !lines().empty();
  }
  void DoAppendToLast(const std::string& text) override {
    // A line printed already is printed again with its new end.
    TMemoryProgressLog::DoAppendToLast(text);
    pending_ = !lines().empty();
  }
  void DoReplaceLast(const std::string& text) override {
    TMemoryProgressLog::DoReplaceLast(text);
    pending_ = !lines().empty();
  }
  void DoClear() override {
    Flush();
    TMemoryProgressLog::DoClear();
  }

 private:
  TProgressBar& bar_;
  bool pending_ = false;
};

// Answers from the command line: the completion wizard from --answer
// "prompt=value" (prompts compared without regard to case), every other
// question with its default. Errors and messages go to standard error.
class TCliUserInterface : public TSilentUserInterface {
 public:
  TCliUserInterface(std::map<std::string, std::string> answers, TProgressBar& bar)
      : answers_(std::move(answers)), bar_(bar) {}
  void ShowError(const std::string& message) override {
    bar_.Hide();
    std::cout.flush();
    std::cerr << "pictavo-cli: " << message << "\n";
  }
  void ShowMessage(const std::string& message) override {
    bar_.Hide();
    std::cout.flush();
    std::cerr << message << "\n";
  }
  void ShowStatus(const std::string&) override {}
  bool AskWizard(std::vector<TWizardQuestion>& asked) override {
    for (TWizardQuestion& q : asked) {
      auto it = answers_.find(FoldCase(q.prompt));
      if (it != answers_.end()) {
        q.answer = it->second;
        used_.insert(it->first);
      } else {
        q.answer = q.default_value;
      }
    }
    return true;
  }
  // The --answer prompts no question asked for.
  std::vector<std::string> UnusedAnswers() const {
    std::vector<std::string> unused;
    for (const auto& [prompt, value] : answers_) {
      if (used_.count(prompt) == 0) unused.push_back(prompt);
    }
    return unused;
  }

 private:
  std::map<std::string, std::string> answers_;  // folded prompt -> value
  std::set<std::string> used_;
  TProgressBar& bar_;
};

struct TOverride {
  std::string section;  // "Settings", "Options" or "Author" (as written)
  std::string key;
  std::string value;
};

// The keys of an album settings file's section "Settings" and their kinds:
// 'b' boolean, 'i' integer, 's' text.
const std::map<std::string, char>& SettingsKeys() {
  static const std::map<std::string, char> keys = {
      {"pickmanual", 'b'},        {"picturefilter", 's'}, {"exclusionfilters", 's'},
      {"includesubfolders", 'b'}, {"picturefolder", 's'}, {"sortcolumn", 's'},
      {"customorder", 'b'},       {"template", 's'},      {"outputname", 's'},
      {"outputdir", 's'},         {"charset", 's'},       {"backgroundimage", 's'},
      {"backgroundcolor", 'i'},   {"textcolor", 'i'},     {"linkcolor", 'i'},
      {"vlinkcolor", 'i'},        {"pagetitle", 's'},     {"pagedescription", 's'},
      {"pagekeywords", 's'},      {"baseurl", 's'},       {"maximages", 'i'},
  };
  return keys;
}

bool IsWholeNumber(const std::string& text) {
  if (text.empty()) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size() || text.size() > 11) return false;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

// Splits "Section.Key=Value"; nullopt when the argument has no such form.
std::optional<TOverride> ParseOverride(const std::string& arg) {
  const size_t eq = arg.find('=');
  if (eq == std::string::npos) return std::nullopt;
  const size_t dot = arg.find('.');
  if (dot == std::string::npos || dot == 0 || dot > eq || dot + 1 == eq) return std::nullopt;
  TOverride o{arg.substr(0, dot), arg.substr(dot + 1, eq - dot - 1), arg.substr(eq + 1)};
  for (char c : o.section) {
    if (!std::isalpha(static_cast<unsigned char>(c))) return std::nullopt;
  }
  for (char c : o.key) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return std::nullopt;
  }
  return o;
}

// The reason an override is refused, or "".
std::string CheckOverride(const TOverride& o) {
  if (EqualsNoCase(o.section, "Settings")) {
    const auto it = SettingsKeys().find(LowerAscii(o.key));
    if (it == SettingsKeys().end()) return "unknown album settings key";
    if (it->second == 'b' && o.value != "0" && o.value != "1") return "the value must be 0 or 1";
    if (it->second == 'i' && !IsWholeNumber(o.value)) return "the value must be a whole number";
    return {};
  }
  if (EqualsNoCase(o.section, "Options") || EqualsNoCase(o.section, "Author")) return {};
  return "unknown section (Settings, Options or Author)";
}

// Opens the settings store read-only and applies the program option
// overrides in memory: to the INI file's data, which is never written back,
// or, with the registry back end, to a private copy of the registry file.
std::unique_ptr<TRegOrIni> OpenStore(const std::string& ini_path, const std::string& program_folder,
                                     const std::vector<TOverride>& overrides,
                                     std::string& private_root) {
  auto store = std::make_unique<TRegOrIni>(ini_path, program_folder);
  // A build saves no program options: nothing the run does reaches the
  // user's settings files.
  store->StoreWritable = false;
  std::vector<const TOverride*> options;
  for (const TOverride& o : overrides) {
    if (!EqualsNoCase(o.section, "Settings")) options.push_back(&o);
  }
  if (options.empty()) return store;
  if (store->UseIni) {
    store->Open();
    for (const TOverride* o : options)
      store->IniFile->Data().SetValue(o->section, o->key, o->value);
    return store;
  }
  // The registry back end writes every change at once: work on a copy.
  const std::string registry_file = store->RegistryFileName();
  const std::string ini_name = NamePart(store->IniFileName);
  const std::string main_directory = store->MainDirectory;
  private_root = JoinPath(TempFolder(), "pictavo-cli-" + std::to_string(getpid()));
  const std::string key_folder = NamePart(ExcludeTrailingSlash(FolderPart(registry_file)));
  const std::string copy_key = JoinPath(JoinPath(private_root, key_folder), "registry.ini");
  TIniData data;
  if (auto text = TryReadFileBytes(registry_file)) data.Parse(*text);
  for (const TOverride* o : options) data.SetValue(o->section, o->key, o->value);
  ForceFolders(FolderPart(copy_key));
  WriteFileAtomic(copy_key, data.Serialize(), 0600);
  const std::string copy_ini = JoinPath(private_root, ini_name);
  WriteFileAtomic(copy_ini, "[Application]\r\nUseRegistry=1\r\n", 0600);
  store.reset();
  store = std::make_unique<TRegOrIni>(copy_ini, program_folder, private_root);
  store->MainDirectory = main_directory;
  store->StoreWritable = false;
  return store;
}

// Puts album settings into the window and the picture grid, as loading an
// album settings file does.
void ApplyAlbumSettings(const TAlbumSettings& s, const TProgramFolders& folders, bool manual,
                        TWindowState& window, TPictureGrid& grid) {
  window.cbxPickManually = manual;
  grid.FolderMode = !manual;
  window.edtExclusionFilters = s.ExclusionFilters;
  window.cmbFileFilters = s.PictureFilter;
  window.cbxIncludeSubFolders = !manual && s.IncludeSubFolders;
  window.vclShellTree = AlbumPictureFolder(s.PictureFolder, folders);
  grid.UpdateView();
  try {
    grid.RestoreSortChoice(s.SortColumn);
  } catch (const std::exception&) {
    // A sort entry that cannot be applied is ignored, as on loading.
  }
  window.cmbSorting = grid.SortingChoiceText();
  PutAlbumPageSettings(s, window);
  grid.IgnoredNames().Assign(s.IgnoreImages);
}

int RunBuild(const std::string& ini_option, const std::string& album_option,
             const std::vector<std::string>& answer_args, const std::vector<std::string>& args,
             bool upload) {
  // Arguments: overrides and pictures (and the Upload.* fields of --upload).
  std::vector<TOverride> overrides;
  std::vector<std::string> pictures;
  std::vector<std::string> upload_args;
  for (const std::string& arg : args) {
    if (IsUploadArgument(arg)) {
      upload_args.push_back(arg);
      continue;
    }
    if (auto o = ParseOverride(arg)) {
      if (std::string why = CheckOverride(*o); !why.empty()) {
        std::cerr << "pictavo-cli build: " << arg << ": " << why << "\n";
        return 2;
      }
      overrides.push_back(*o);
    } else {
      pictures.push_back(AbsolutePath(arg));
    }
  }
  if (!upload && !upload_args.empty()) {
    std::cerr << "pictavo-cli build: " << upload_args.front() << ": Upload.* needs --upload\n";
    return 2;
  }
  if (std::string why = CheckUploadArguments(upload_args); !why.empty()) {
    std::cerr << "pictavo-cli build: " << why << "\n";
    return 2;
  }
  std::map<std::string, std::string> answers;
  for (const std::string& a : answer_args) {
    const size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) {
      std::cerr << "pictavo-cli build: --answer wants \"prompt=value\": " << a << "\n";
      return 2;
    }
    answers[FoldCase(a.substr(0, eq))] = a.substr(eq + 1);
  }

  // Program options.
  const std::string program_folder = FindProgramFolder();
  std::string ini_path = ResolveIniFileName(ini_option, program_folder);
  if (!ini_option.empty()) {
    if (!FileExists(ini_path)) {
      std::cerr << "pictavo-cli build: INI file not found: " << ini_path << "\n";
      return 1;
    }
  }
  if (FileExists(ini_path) && !TryReadFileBytes(ini_path)) {
    std::cerr << "pictavo-cli build: INI file cannot be read: " << ini_path << "\n";
    return 1;
  }
  std::string private_root;
  struct TCleanup {
    std::string* root;
    ~TCleanup() {
      if (!root->empty()) {
        std::error_code ec;
        std::filesystem::remove_all(*root, ec);
      }
    }
  } cleanup{&private_root};
  std::unique_ptr<TRegOrIni> store = OpenStore(ini_path, program_folder, overrides, private_root);
  const TProgramFolders folders = ResolveProgramFolders(*store);
  TWindowState window;
  LoadProgramOptions(*store, folders, window);
  const TPathMacroFolders macros = PathMacroFoldersOf(folders);

  // Album settings.
  std::string album_path;
  TIniData album_ini;
  if (!album_option.empty()) {
    album_path = ResolveSettingsPath(album_option, ExcludeTrailingSlash(folders.SettingsFolder),
                                     "alb", true);
    if (!FileExists(album_path)) {
      std::cerr << "pictavo-cli build: album settings file not found: " << album_path << "\n";
      return 1;
    }
    if (!TryReadFileBytes(album_path)) {
      std::cerr << "pictavo-cli build: album settings file cannot be read: " << album_path << "\n";
      return 1;
    }
  } else {
    const std::string default_path =
        ResolveSettingsPath("Default", ExcludeTrailingSlash(folders.SettingsFolder), "alb", true);
    if (FileExists(default_path)) album_path = default_path;
  }
  if (!album_path.empty()) album_ini = ReadAlbumSettingsIni(album_path);
  for (const TOverride& o : overrides) {
    if (EqualsNoCase(o.section, "Settings")) album_ini.SetValue("Settings", o.key, o.value);
  }
  TAlbumSettings defaults;
  defaults.PictureFolder = ExcludeTrailingSlash(folders.SamplesFolder);
  defaults.CharSet = "[Omit]";
  const TAlbumSettings settings = AlbumSettingsFromIni(album_ini, defaults);

  // The window, the picture grid and the build.
  TProgressBar bar;
  TCliUserInterface ui(answers, bar);
  TPrintingProgressLog log(bar);
  // Picture descriptions as the program keeps them ("Albums.ids" and, when
  // they are kept with the pictures, each folder's "descript.ion").
  TFileDescriptions descriptions;
  descriptions.save_with_images = window.cbxDescriptionsWithImages;
  if (!folders.SettingsFolder.empty()) {
    try {
      descriptions.Load(JoinPath(folders.SettingsFolder, "Albums.ids"));
    } catch (const std::exception& e) {
      std::cerr << "pictavo-cli build: " << e.what() << "\n";
    }
  }
  TPictureGrid grid(window, descriptions);
  TPictureCollection collection(grid, window, ui);
  // The built album joins the album list, as after the Build Album command.
  TAlbumList album_list(ui, folders.AlbumsFolder);
  if (!folders.SettingsFolder.empty()) album_list.LoadAlbumList(AlbumListPath(folders.SettingsFolder));
  TAlbumListBuildHost host(window, grid, collection, album_list, folders.BackgroundsFolder, ui);
  const bool manual = settings.PickManual || !pictures.empty();
  ApplyAlbumSettings(settings, folders, manual, window, grid);

  TAlbumBuilder builder(window, host, ui, log, folders);
  window.cmbTemplate = settings.Template;
  builder.IsClosing = [] { return g_interrupted != 0; };
  builder.CompleteFields = [&ui](std::string& t) { return CompleteFields(t, ui); };
  builder.OnPictureProgress = [&bar, &log](int done, int total) {
    log.Flush();
    bar.Show(done, total);
  };

  // Choosing the template reads its options into the window; the album
  // settings' own values (pictures per page ...) win, as when they are loaded.
  {
    const std::string template_path =
        ResolveSettingsPath(settings.Template.empty() ? std::string("Default") : settings.Template,
                            ExcludeTrailingSlash(folders.TemplatesFolder), "html", false);
    const std::string text = ReadTemplateFile(template_path);
    if (!text.empty()) {
      TAlbumOptionsContext context{window, host, macros, {}, true};
      context.complete_fields = [&ui](std::string& t) { return CompleteFields(t, ui); };
      LoadTemplateOptions(text, false, context);
    }
  }

  // The pictures.
  try {
    if (manual) {
      if (pictures.empty()) {
        if (auto list = ReadPictureListFile(PictureListFileName(album_path))) pictures = *list;
      }
      collection.FillPictureList(pictures, true);
    } else {
      collection.RefreshPictureList(window.vclShellTree, window.cmbFileFilters,
                                    window.edtExclusionFilters);
      if (settings.CustomOrder && !album_path.empty()) {
        if (auto list = ReadPictureListFile(PictureListFileName(album_path))) {
          collection.RestorePictureOrder(*list, true);
        }
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "pictavo-cli build: " << e.what() << "\n";
    return 1;
  }

  auto old_int = std::signal(SIGINT, OnInterrupt);
  auto old_term = std::signal(SIGTERM, OnInterrupt);
  builder.BuildAlbumCommand();
  std::signal(SIGINT, old_int);
  std::signal(SIGTERM, old_term);
  log.Flush();
  bar.Finish();
  if (album_list.AlbumListModified && !album_list.SaveAlbumList())
    std::cerr << "pictavo-cli build: the album list could not be saved\n";
  for (const std::string& prompt : ui.UnusedAnswers()) {
    std::cerr << "pictavo-cli build: no question asked for --answer \"" << prompt << "\"\n";
  }
  const bool finished = !log.lines().empty() && log.lines().back() == kFinishedBuilding;
  if (finished && !builder.ContentsPage.empty()) std::cout << builder.ContentsPage << "\n";
  if (finished && upload) {
    const int status = RunBuildUpload(upload_args, builder, window, *store, log, ui);
    log.Flush();
    return status;
  }
  return finished ? 0 : 1;
}

}  // namespace

void RegisterBuildCommand(CLI::App& app, int& exit_code) {
  auto ini = std::make_shared<std::string>();
  auto album = std::make_shared<std::string>();
  auto answers = std::make_shared<std::vector<std::string>>();
  auto args = std::make_shared<std::vector<std::string>>();
  auto upload = std::make_shared<bool>(false);
  CLI::App* cmd = app.add_subcommand(
      "build",
      "Builds the album as the Build Album command does, with the program options of the INI "
      "file, an album settings file and Section.Key=Value overrides (Settings.*, Options.*, "
      "Author.*); pictures named here are picked by hand.");
  cmd->add_option("--ini", *ini, "INI file of the program options");
  cmd->add_option("--album", *album, "album settings file (.alb)");
  cmd->add_option("--answer", *answers, "completion wizard answer \"prompt=value\"");
  cmd->add_flag("--upload", *upload,
                "after a successful build, upload the album (Upload.Host=..., Upload.UserId=..., "
                "Upload.Password=..., Upload.HtmlFolder=..., Upload.MediaFolder=..., "
                "Upload.PassiveMode=0|1, Upload.Profile=NAME; a local folder as host copies it)");
  cmd->add_option("args", *args, "[Section.Key=Value...] [Upload.Key=Value...] [PICTURE...]");
  cmd->callback([=, &exit_code] {
    try {
      exit_code = RunBuild(*ini, *album, *answers, *args, *upload);
    } catch (const std::exception& e) {
      std::cout.flush();
      std::cerr << "pictavo-cli build: " << e.what() << "\n";
      exit_code = 1;
    }
  });
}

}  // namespace pictavo::cli
