#include "CliSupport.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/ConsoleUi.h"
#include "platform/FileChecks.h"

namespace tsly::cli {

namespace {

std::atomic<bool> g_stop{false};
std::atomic<bool> g_polled{false};

// A command that polls ends itself at the first signal; a second one (or any
// in a command that does not poll) ends tsly here.
void onStopSignal(int sig) {
  if (!g_stop.exchange(true) && g_polled) return;
  removeOpenTemporaries();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

int fail(const std::string& command, const std::string& message) {
  std::cerr << "tsly " << command << ": " << message << "\n";
  return 1;
}

bool outputAllowed(const std::string& command, const std::string& out, bool force,
                   const std::vector<NamedFile>& inputs) {
  const OutputCheck c = checkOutputFile(out, inputs, force);
  if (c.ok()) return true;
  fail(command, c.message);
  return false;
}

bool inputAllowed(const std::string& command, const std::string& path) {
  std::string why;
  const int fd = openInputFile(path, why);
  if (fd < 0) {
    fail(command, why);
    return false;
  }
  ::close(fd);
  return true;
}

bool openForCommand(const std::string& path, AppState& st, OpenScanResult& scan) {
  if (!dataFileExists(path)) {
    std::cerr << terminalText(fileNotFoundMessage().text) << "\n";
    return false;
  }
  st.DataFileName = path;
  scan = openScan(st);
  if (scan.ok()) return true;
  std::cerr << terminalText(scan.message.text) << "\n";
  return false;
}

void stopOnSignals(bool polled) {
  g_polled = polled;
  struct sigaction sa {};
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

const std::atomic<bool>& stopRequested() { return g_stop; }

}  // namespace tsly::cli
