// Placeholder registration; replaced by the real synth command.
#include "commands.h"

namespace tsly::cli {
void addSynthCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("synth", "(not built yet)");
  cmd->callback([&exitCode] { exitCode = 2; });
}
}  // namespace tsly::cli
