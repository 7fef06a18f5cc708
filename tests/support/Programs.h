// The programs of this build, for the tests that run them (header-only, no Qt).
//
//   const std::string tsly = builtProgram("tsly/tsly");  // "" when not built
//   const ProgramRun r = runCommand("'" + tsly + "' info x.dat");
//
// ctest sets TESSALY_BIN_DIR to the build's apps folder; this is the one place
// that reads it.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tsly::test {

// The build's apps folder ("" when TESSALY_BIN_DIR is not set).
inline std::string builtProgramFolder() {
  const char* dir = std::getenv("TESSALY_BIN_DIR");
  return dir ? dir : "";
}

// The program at `relative` in the apps folder ("tsly/tsly", "JobPad/JobPad"),
// or "" when it has not been built.
inline std::string builtProgram(const std::string& relative) {
  const std::string folder = builtProgramFolder();
  if (folder.empty()) return "";
  const std::string path = folder + "/" + relative;
  return ::access(path.c_str(), X_OK) == 0 ? path : "";
}

struct ProgramRun {
  bool ran = false;     // the shell was started
  bool exited = false;  // ended by exit(), not by a signal
  int code = -1;
  std::string output;   // stdout and stderr together
};

// Runs `command` through the shell, its error output joined to its output.
inline ProgramRun runCommand(const std::string& command) {
  ProgramRun r;
  std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  r.ran = true;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
  const int st = ::pclose(p);
  r.exited = WIFEXITED(st);
  r.code = r.exited ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace tsly::test
