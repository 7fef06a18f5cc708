// Placeholder registration; replaced by the real generate command.
#include "commands.h"

namespace tsly::cli {
void addGenerateCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("generate", "(not built yet)");
  cmd->callback([&exitCode] { exitCode = 2; });
}
}  // namespace tsly::cli
