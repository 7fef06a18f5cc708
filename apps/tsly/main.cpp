// tsly: the command-line companion of Tessaly.
#include <CLI/CLI.hpp>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"tsly - command-line companion of Tessaly (trace files, panel generation)"};
  app.require_subcommand(1);
  int exitCode = 0;
  tsly::cli::addInfoCommand(app, exitCode);
  tsly::cli::addSynthCommand(app, exitCode);
  tsly::cli::addGenerateCommand(app, exitCode);
  CLI11_PARSE(app, argc, argv);
  return exitCode;
}
