// Placeholder registration; replaced by the real info command.
#include "commands.h"

namespace tsly::cli {
void addInfoCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("info", "(not built yet)");
  cmd->callback([&exitCode] { exitCode = 2; });
}
}  // namespace tsly::cli
