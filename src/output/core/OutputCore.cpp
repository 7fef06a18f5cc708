#include "output/core/OutputCore.h"

#include "platform/Paths.h"
#include "shared/FileUtil.h"

namespace tsly::output {

std::string pdfOutputPath(const std::string& dataFileName, const std::string& startDirectory,
                          const std::string& stamp,
                          const std::function<bool(const std::string&)>& exists,
                          const std::function<bool(const std::string&)>& writable) {
  std::string dir;
  if (!dataFileName.empty() && writable(folderOf(dataFileName))) {
    dir = folderOf(dataFileName);
  } else if (!startDirectory.empty() && writable(startDirectory)) {
    dir = startDirectory;
  }
  return unusedFileName(joinPath(dir, "tessaly-print-" + stamp + ".pdf"), exists);
}

std::string bmpProposal(const std::string& held, const std::vector<NamedFile>& inUse) {
  const auto isInUse = [&inUse](const std::string& name) {
    for (const NamedFile& f : inUse)
      if (!f.path.empty() && sameFileName(name, f.path)) return true;
    return false;
  };
  if (!isInUse(held)) return held;
  const auto slash = held.find_last_of('/');
  const auto dot = held.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const std::string proposal = (hasExtension ? held.substr(0, dot) : held) + ".BMP";
  return isInUse(proposal) ? std::string() : proposal;
}

std::string unusedFileName(const std::string& path, const std::function<bool(const std::string&)>& exists) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  const std::string stem = hasExtension ? path.substr(0, dot) : path;
  const std::string extension = hasExtension ? path.substr(dot) : std::string();
  std::string name = path;
  for (int n = 2; exists(name) && n < 100000; ++n) name = stem + "-" + std::to_string(n) + extension;
  return name;
}

}  // namespace tsly::output
