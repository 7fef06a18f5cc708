#include "output/core/OutputCore.h"

namespace tsly::output {

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
