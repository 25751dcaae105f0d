// pictavo-cli info FILE...: the header reader's record for each file, one
// line a file: type code, file size, width, height, valid (1/0) and the path
// as given, separated by tabs.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "pictures/image_info.h"
#include "platform/errors.h"

namespace pictavo::cli {

void RegisterInfoCommand(CLI::App& app, int& exit_code) {
  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App* cmd = app.add_subcommand(
      "info", "Prints type code, file size, width, height and valid flag of picture files.");
  cmd->add_option("files", *files, "Picture files")->required();
  cmd->callback([files, &exit_code] {
    // A file that cannot be opened is reported on stderr and gets no line;
    // the others are still examined, and the exit status is then 1.
    exit_code = 0;
    for (const std::string& file : *files) {
      TImageInfo info;
      try {
        GetImageInfo(file, info);
      } catch (const EPictavo& e) {
        std::cout.flush();
        std::cerr << "pictavo-cli: " << e.what() << "\n";
        exit_code = 1;
        continue;
      }
      std::cout << static_cast<int>(info.file_type) << '\t' << info.file_size << '\t' << info.width
                << '\t' << info.height << '\t' << (info.valid ? 1 : 0) << '\t' << file << '\n';
    }
    std::cout.flush();
  });
}

}  // namespace pictavo::cli
