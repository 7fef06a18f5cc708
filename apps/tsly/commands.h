// Sub-commands of tsly; each lives in its own file and registers itself on the app.
#pragma once

#include <CLI/CLI.hpp>

namespace tsly::cli {

// Each returns after adding its sub-command; the callback sets `exitCode`.
void addInfoCommand(CLI::App& app, int& exitCode);
void addSynthCommand(CLI::App& app, int& exitCode);
void addGenerateCommand(CLI::App& app, int& exitCode);
// import-segy and export-segy.
void addSegyCommands(CLI::App& app, int& exitCode);
// segy-info.
void addSegyInfoCommand(CLI::App& app, int& exitCode);
// picks-export, picks-check and velocity-check.
void addPicksCommands(CLI::App& app, int& exitCode);
void addNmoCommand(CLI::App& app, int& exitCode);
void addSectionCommand(CLI::App& app, int& exitCode);
void addSemblanceCommand(CLI::App& app, int& exitCode);

}  // namespace tsly::cli
