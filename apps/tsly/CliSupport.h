// What every tsly sub-command does the same way: register itself, refuse an
// output that exists unless --force, open a trace file as Tessaly's Open does,
// and end with a message on stderr and exit status 1.
#pragma once

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "open/core/OpenScan.h"
#include "shared/State.h"

namespace tsly::cli {

// "tsly COMMAND: MESSAGE" on stderr; returns 1, the exit status of a refusal.
int fail(const std::string& command, const std::string& message);

// False, after saying "tsly COMMAND: OUT exists (use --force to overwrite it)",
// when `out` exists and `force` is not set.
bool outputAllowed(const std::string& command, const std::string& out, bool force);

// The open scan of `path` into `st`, as the Open command makes it. False, after
// printing the Open's message on stderr, when the file is missing or refused.
bool openForCommand(const std::string& path, AppState& st, OpenScanResult& scan);

// Adds the sub-command `name`: its options are filled into `*options`, and
// `run(*options)` gives the exit status once the command line is parsed.
template <class Options>
CLI::App* addCommand(CLI::App& app, int& exitCode, const std::shared_ptr<Options>& options, int (*run)(const Options&),
                     const std::string& name, const std::string& description) {
  CLI::App* cmd = app.add_subcommand(name, description);
  cmd->callback([options, run, &exitCode] { exitCode = run(*options); });
  return cmd;
}

}  // namespace tsly::cli
