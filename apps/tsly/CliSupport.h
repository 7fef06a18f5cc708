// What every tsly sub-command does the same way: register itself, check its
// inputs and outputs with the program's rules, open a trace file as Tessaly's
// Open does, end cleanly on SIGINT and SIGTERM, and end with a message on
// stderr and exit status 1.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "open/core/OpenScan.h"
#include "shared/OutputCheck.h"
#include "shared/State.h"

namespace tsly::cli {

// "tsly COMMAND: MESSAGE" on stderr; returns 1, the exit status of a refusal.
int fail(const std::string& command, const std::string& message);

// The program's one output check (shared/OutputCheck.h): false, after saying
// why, when `out` is one of `inputs`, leads to a folder, FIFO, socket or
// device, or exists and `force` is not set.
bool outputAllowed(const std::string& command, const std::string& out, bool force,
                   const std::vector<NamedFile>& inputs = {});

// An input named on the command line must be a regular file: false, after
// saying why at once ("NAME is a FIFO, not a file"), for anything else or a
// name that can not be opened. Nothing is left open.
bool inputAllowed(const std::string& command, const std::string& path);

// The open scan of `path` into `st`, as the Open command makes it. False, after
// printing the Open's message on stderr, when the file is missing or refused.
bool openForCommand(const std::string& path, AppState& st, OpenScanResult& scan);

// SIGINT and SIGTERM from here on. A command that polls stopRequested() (given
// `polled`) ends itself and removes what it wrote; in any other the signal
// removes the temporary files of the outputs being written
// (removeOpenTemporaries, platform/AtomicFile.h) and ends tsly with the
// signal's usual status (so does a second signal in a command that polls).
// Either way no temporary file is left behind.
void stopOnSignals(bool polled);
const std::atomic<bool>& stopRequested();

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
