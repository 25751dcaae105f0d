#pragma once
// The sub-commands of pictavo-cli. Each registers itself on the app and sets
// exit_code when it runs (0 success, 1 failure, 2 bad usage).
#include <CLI/CLI.hpp>

namespace pictavo::cli {

void RegisterInfoCommand(CLI::App& app, int& exit_code);
void RegisterThumbsCommand(CLI::App& app, int& exit_code);
void RegisterBuildCommand(CLI::App& app, int& exit_code);
void RegisterResumeCommand(CLI::App& app, int& exit_code);

}  // namespace pictavo::cli
