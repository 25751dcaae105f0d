// pictavo-cli thumbs FOLDER [FILE...] [Thumbnails.Key=Value...] [--yes]: the
// thumbnail generator's batch without its dialog. The settings are the keys
// of the "Thumbnails" settings section; the status texts and the result go
// to standard output, errors to standard error. Exit status: 0 when at least
// one thumbnail was created, 1 otherwise, 2 for bad usage.
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "imaging/thumbnails.h"
#include "platform/case_fold.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/user_interface.h"

namespace pictavo::cli {
namespace {

constexpr char kReadyText[] = "Ready (press F1 for Help)";

// Answers the overwrite question from --yes or from the terminal; without
// either the answer is No, so no original picture is replaced unasked.
class TThumbsUserInterface : public TSilentUserInterface {
 public:
  explicit TThumbsUserInterface(bool yes) : yes_(yes) {}
  void ShowError(const std::string& message) override {
    std::cout.flush();
    std::cerr << message << "\n";
  }
  void ShowMessage(const std::string& message) override { std::cout << message << "\n"; }
  void ShowStatus(const std::string& text) override {
    if (text != kReadyText) std::cout << text << "\n";
  }
  TAnswer Ask(const std::string& question, bool) override {
    if (yes_) {
      std::cout << question << " Yes\n";
      return TAnswer::Yes;
    }
    if (!isatty(STDIN_FILENO)) {
      std::cout.flush();
      std::cerr << "pictavo-cli: " << question << " No (no terminal to ask; --yes answers Yes)\n";
      return TAnswer::No;
    }
    std::cout << question << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) return TAnswer::No;
    std::string answer = LowerAscii(line);
    return answer == "y" || answer == "yes" ? TAnswer::Yes : TAnswer::No;
  }

 private:
  bool yes_;
};

std::optional<int> ToInt(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < -1000000 || value > 1000000) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<double> ToReal(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (*end != '\0') return std::nullopt;
  return value;
}

std::optional<bool> ToBool(const std::string& text) {
  std::string t = LowerAscii(text);
  if (t == "1" || t == "true" || t == "yes" || t == "on") return true;
  if (t == "0" || t == "false" || t == "no" || t == "off") return false;
  return std::nullopt;
}

// Applies one "Thumbnails.Key=Value"; false for an unknown key or a bad value.
bool ApplySetting(const std::string& key, const std::string& value, TThumbnailSettings& s) {
  auto number = [&](int& field) {
    std::optional<int> v = ToInt(value);
    if (v) field = *v;
    return v.has_value();
  };
  std::string k = LowerAscii(key);
  if (k == "maxwidth") return number(s.MaxWidth);
  if (k == "maxheight") return number(s.MaxHeight);
  if (k == "resize") return number(s.Resize) && s.Resize >= 0 && s.Resize <= 4;
  if (k == "resizealgorithm") {
    return number(s.ResizeAlgorithm) && s.ResizeAlgorithm >= -1 && s.ResizeAlgorithm <= 12;
  }
  if (k == "jpgquality") return number(s.JpgQuality);
  if (k == "brightness") return number(s.Brightness);
  if (k == "contrast") return number(s.Contrast);
  if (k == "sharpness") return number(s.Sharpness);
  if (k == "filterindex") return number(s.FilterIndex);
  if (k == "appendtoname")
    return number(s.AppendToName) && s.AppendToName >= 0 && s.AppendToName <= 4;
  if (k == "rotate") {
    std::optional<double> v = ToReal(value);
    if (v) s.Rotate = *v;
    return v.has_value();
  }
  if (k == "thumbprefix") {
    s.ThumbPrefix = value;
    return true;
  }
  if (k == "savefolder") {
    s.SaveFolder = value;
    return true;
  }
  if (k == "convertpngtojpeg") {
    std::optional<bool> v = ToBool(value);
    if (v) s.ConvertPngToJpeg = *v;
    return v.has_value();
  }
  return false;
}

}  // namespace

void RegisterThumbsCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<std::vector<std::string>>();
  auto yes = std::make_shared<bool>(false);
  CLI::App* cmd = app.add_subcommand(
      "thumbs",
      "Makes thumbnails of the listed files of FOLDER (all files of the file type choice when "
      "none is named), with settings given as Thumbnails.Key=Value.");
  cmd->add_option("args", *args, "FOLDER [FILE...] [Thumbnails.Key=Value...]")->required();
  cmd->add_flag("--yes,-y", *yes, "Answer Yes to the question about overwriting originals");
  cmd->callback([args, yes, &exit_code] {
    TThumbnailSettings settings;
    std::string folder;
    std::vector<std::string> files;
    for (const std::string& arg : *args) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos && StartsWithNoCase(arg, "Thumbnails.")) {
        std::string key = arg.substr(11, eq - 11);
        if (!ApplySetting(key, arg.substr(eq + 1), settings)) {
          std::cerr << "pictavo-cli thumbs: unknown setting or bad value: " << arg << "\n";
          exit_code = 2;
          return;
        }
      } else if (folder.empty()) {
        folder = arg;
      } else {
        files.push_back(arg);
      }
    }
    if (folder.empty()) {
      std::cerr << "pictavo-cli thumbs: FOLDER is required\n";
      exit_code = 2;
      return;
    }
    folder = ExcludeTrailingSlash(AbsolutePath(folder));
    if (!FolderExists(folder)) {
      std::cerr << "pictavo-cli thumbs: " << folder << ": folder not found\n";
      exit_code = 1;
      return;
    }
    std::vector<std::string> names;
    for (const std::string& file : files) {
      std::string name = IsAbsolutePath(file) ? RelativePath(folder, file) : file;
      if (!FileExists(JoinPath(folder, name))) {
        std::cerr << "pictavo-cli thumbs: " << JoinPath(folder, name) << ": file not found\n";
      }
      names.push_back(name);
    }
    if (files.empty()) names = ListThumbnailFiles(folder, settings.FilterIndex);

    TJwImageConv converter;
    InitThumbnailConverter(converter);
    ApplyThumbnailSettings(settings, converter);
    TThumbsUserInterface ui(*yes);
    TThumbnailBatchResult result = MakeThumbnails(converter, folder, names, ui);
    std::cout.flush();
    exit_code = result.created > 0 ? 0 : 1;
  });
}

}  // namespace pictavo::cli
