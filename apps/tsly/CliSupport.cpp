#include "CliSupport.h"

#include <iostream>
#include <unistd.h>

#include "platform/ConsoleUi.h"

namespace tsly::cli {

int fail(const std::string& command, const std::string& message) {
  std::cerr << "tsly " << command << ": " << message << "\n";
  return 1;
}

bool outputAllowed(const std::string& command, const std::string& out, bool force) {
  if (force || ::access(out.c_str(), F_OK) != 0) return true;
  fail(command, out + " exists (use --force to overwrite it)");
  return false;
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

}  // namespace tsly::cli
