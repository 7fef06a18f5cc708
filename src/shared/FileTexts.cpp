#include "shared/FileTexts.h"

#include "shared/State.h"

namespace tsly {

const char* fileErrorText(int errorNumber) {
  switch (errorNumber) {
    case 52:
    case 64: return "That file name is illegal.";
    case 53: return "That file name is not found.";
    case 54: return "Can't open the file for that type of access";
    case 55: return "This file is already open.";
    case 57: return "Internal disk error.";
    case 61: return "Disk is full. Continue?";
    case 62:
      return "This file has nonstandard end-of-file marker, "
             "or an attempt was made to read beyond "
             "the end-of-file marker.";
    // 67, 74 and 75 have wordings of our own.
    case 67: return "Too many files are open. Close a file and try again.";
    case 68: return "That device appears unavaiable.";
    case 71: return "Insert ad disk in drive and close door.";
    case 74: return "A file can not be renamed onto another disk.";
    case 75: return "That file or path can not be accessed (no permission, a folder, or a read-only disk).";
    case 76: return "That path does not exist";
    default: return nullptr;
  }
}

std::string overwriteQuestionText(const std::string& name) {
  return "The file '" + name + "' already exists on disk." + CrLf + "Saving to this file will destroy its " +
         "original contents." + CrLf + CrLf + "Choose OK to overwrite the file, Cancel to stop" + CrLf;
}

std::string createQuestionText(const std::string& name) {
  return "The file " + name + "doesn't exist." + CrLf + "Would you like to create it?" + CrLf + CrLf +
         "Choose OK to create file. Cancel to stop.";
}

std::string notWrittenText(const std::string& reason) {
  return reason + "." + CrLf + "Nothing was written.";
}

}  // namespace tsly
