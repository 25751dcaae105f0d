#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pictavo::test {

TTempDir::TTempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "pictavo-test-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  // Give back write permission first so read-only test files go too.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::none, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    // Never follow a link: it may point at a file outside the folder.
    if (it->is_symlink(ec)) continue;
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string TTempDir::file(std::string_view name) const { return path_ + "/" + std::string(name); }

void WriteFile(const std::string& path, std::string_view bytes) {
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CommandOutput(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("popen failed");
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::string TestDataDir() { return PICTAVO_TEST_DATA; }

bool HaveProgram(const std::string& name) {
  return RunCommand("command -v '" + name + "' >/dev/null 2>&1") == 0;
}

TAnswer TScriptedUserInterface::Ask(const std::string& question, bool) {
  questions.push_back(question);
  if (answers.empty()) return default_answer;
  TAnswer a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<std::string> TScriptedUserInterface::InputText(const std::string&,
                                                             const std::string& prompt,
                                                             const std::string& initial) {
  input_prompts.push_back(prompt);
  if (inputs.empty()) return initial;
  auto v = inputs.front();
  inputs.pop_front();
  return v;
}

bool TScriptedUserInterface::IsCtrlAltHeld() {
  ++ctrl_alt_calls;
  return ctrl_alt_after >= 0 && ctrl_alt_calls > ctrl_alt_after;
}

bool TScriptedUserInterface::AskWizard(std::vector<TWizardQuestion>& qs) {
  wizards.push_back(qs);
  if (wizard_answers.empty()) {
    for (auto& q : qs) q.answer = q.default_value;
    return true;
  }
  auto list = wizard_answers.front();
  wizard_answers.pop_front();
  if (!list) return false;
  for (size_t i = 0; i < qs.size(); ++i)
    qs[i].answer = i < list->size() ? (*list)[i] : qs[i].default_value;
  return true;
}

}  // namespace pictavo::test
