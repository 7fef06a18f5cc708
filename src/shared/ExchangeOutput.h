// Output files of the exchange (SEG-Y files, trace files, picks, par and CSV
// files): written whole through AtomicFile, failures in the exchange's words.
#pragma once

#include <string>

#include "platform/AtomicFile.h"

namespace tsly {

// The failure of an output: "'NAME' is not a file name"; "cannot write in
// FOLDER: reason" when no temporary file could be made there; else "cannot
// write NAME: reason".
std::string exchangeOutputError(const AtomicFile& file);

// Writes a text file whole. Empty string on success, else the failure as above
// (the file is then unchanged).
std::string writeTextFileWhole(const std::string& path, const std::string& text);

}  // namespace tsly
