#include "output/core/OutputCore.h"

#include "shared/State.h"

namespace tsly::output {

std::string bmpNoImageText() {
  return std::string("Graphics Save Option must be selected") + CrLf + "in order to save BMP files.";
}

std::string unexpectedErrorText(const std::string& description) {
  return std::string("Unexpected error") + CrLf + description;
}

std::string bmpWriteFailedText(const std::string& path, const std::string& reason) {
  std::string t = std::string("The bitmap file could not be written:") + CrLf + path;
  if (!reason.empty()) t += std::string(CrLf) + reason;
  return t;
}

std::string printFailedText(const std::string& reason) {
  std::string t = "The page could not be printed.";
  if (!reason.empty()) t += std::string(CrLf) + reason;
  return t;
}

std::string pdfStatusText(const std::string& path) {
  return "No printer installed: the page was written to " + path;
}

namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

}  // namespace

std::string pdfOutputPath(const std::string& dataFileName, const std::string& startDirectory,
                          const std::string& stamp,
                          const std::function<bool(const std::string&)>& exists,
                          const std::function<bool(const std::string&)>& writable) {
  std::string dir;
  const std::string dataDir = dataFileName.empty() ? "" : folderOf(dataFileName);
  if (!dataFileName.empty() && writable(dataDir.empty() ? "." : dataDir)) {
    dir = dataDir;
  } else if (!startDirectory.empty() && writable(startDirectory)) {
    dir = startDirectory;
  }
  const std::string base = "tessaly-print-" + stamp;
  std::string path = joinPath(dir, base + ".pdf");
  for (int n = 2; exists(path) && n < 10000; ++n)
    path = joinPath(dir, base + "-" + std::to_string(n) + ".pdf");
  return path;
}

}  // namespace tsly::output
