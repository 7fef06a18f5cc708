// tsly: the command-line companion of Tessaly.
#include <CLI/CLI.hpp>

#include "PngOutput.h"
#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"tsly - command-line companion of Tessaly (trace files, panel generation)"};
  app.require_subcommand(1);
  // --help shows every sub-command with all its options and defaults.
  app.set_help_flag();
  app.set_help_all_flag("-h,--help", "Print this help (every sub-command, option and default) and exit");
  int exitCode = 0;
  tsly::cli::addInfoCommand(app, exitCode);
  tsly::cli::addSynthCommand(app, exitCode);
  tsly::cli::addGenerateCommand(app, exitCode);
  tsly::cli::addSegyCommands(app, exitCode);
  tsly::cli::addSegyInfoCommand(app, exitCode);
  tsly::cli::addPicksCommands(app, exitCode);
  tsly::cli::addNmoCommand(app, exitCode);
  tsly::cli::addSectionCommand(app, exitCode);
  tsly::cli::addSemblanceCommand(app, exitCode);
  CLI11_PARSE(app, argc, argv);
  tsly::cli::endGuiApplication();
  return exitCode;
}
