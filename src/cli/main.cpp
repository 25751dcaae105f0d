// pictavo-cli: the headless front end of Pictavo.
#include <malloc.h>

#include <clocale>
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "platform/errors.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // Pixel buffers of several megabytes come and go for every picture, on
  // several threads. A fixed threshold keeps them out of the heap arenas, so
  // each is given back to the system when freed and memory stays flat however
  // many pictures a build or batch has (the default threshold grows with
  // freed buffers and lets them pile up in the arenas).
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  CLI::App app{"Pictavo: turns a folder of pictures into a web photo album."};
  app.require_subcommand(1);
  int exit_code = 0;
  pictavo::cli::RegisterInfoCommand(app, exit_code);
  pictavo::cli::RegisterThumbsCommand(app, exit_code);
  pictavo::cli::RegisterBuildCommand(app, exit_code);
  pictavo::cli::RegisterResumeCommand(app, exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  } catch (const std::exception& e) {
    std::cerr << "pictavo-cli: " << e.what() << "\n";
    return 1;
  }
  return exit_code;
}
