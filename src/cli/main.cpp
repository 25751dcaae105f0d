// pictavo-cli: the headless front end of Pictavo.
#include <clocale>
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "platform/errors.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
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
