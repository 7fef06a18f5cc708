#include "help/core/HelpFile.h"

namespace tsly {

std::string helpFilePath(const std::string& programFolder) {
  const auto first = programFolder.find_first_not_of(' ');
  const auto last = programFolder.find_last_not_of(' ');
  const std::string trimmed =
      first == std::string::npos ? std::string() : programFolder.substr(first, last - first + 1);
  if (!trimmed.empty() && trimmed.back() == '/') return programFolder + HelpFileName;
  return programFolder + "/" + HelpFileName;
}

}  // namespace tsly
