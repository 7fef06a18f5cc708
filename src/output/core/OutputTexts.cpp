#include "output/core/OutputTexts.h"

#include "shared/State.h"

namespace tsly::output {

std::string bmpNoImageText() {
  return std::string("Graphics Save Option must be selected") + CrLf + "in order to save BMP files.";
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

std::string pdfNotCreatedReason(const std::string& path) { return "The file " + path + " could not be created."; }

std::string printerRefusedReason(const std::string& printer) {
  return "The printer " + printer + " did not accept the job.";
}

std::string pdfStatusText(const std::string& path) {
  return "No printer installed: the page was written to " + path;
}

std::string printedToFileText(const std::string& path) { return "The page was written to " + path; }

}  // namespace tsly::output
