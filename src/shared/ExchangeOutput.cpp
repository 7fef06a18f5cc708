#include "shared/ExchangeOutput.h"

#include "platform/Paths.h"

namespace tsly {

std::string exchangeOutputError(const AtomicFile& file) {
  switch (file.failedStep()) {
    case AtomicFile::Step::None: return {};
    case AtomicFile::Step::Name: return "'" + file.target() + "' is not a file name";
    case AtomicFile::Step::Create: return "cannot write in " + folderOf(file.destination()) + ": " + file.reason();
    case AtomicFile::Step::NotAFile:
    case AtomicFile::Step::Write:
    case AtomicFile::Step::Replace: break;
  }
  return "cannot write " + file.target() + ": " + file.reason();
}

std::string writeTextFileWhole(const std::string& path, const std::string& text) {
  AtomicFile file;
  if (file.open(path) && file.write(text)) file.commit();
  return exchangeOutputError(file);
}

}  // namespace tsly
