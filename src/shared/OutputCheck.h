// The one check before any file is written, by a tsly command or a window:
//
//  - the output has a name;
//  - it is none of the run's inputs nor a file the program has open as data
//    (the panel file, the gather of the spectrum, the deck being run), compared
//    as the generation run compares names (sameFileName, shared/FileUtil.h:
//    letter case, spelling of the path and links do not count), and so is
//    the name a symbolic link leads to, also where that does not exist yet;
//  - a name that exists and is not a regular file, directly or through links
//    (a folder, FIFO, socket or device), is never written: platform/FileChecks.h;
//  - an existing file is replaced only when `overwrite` is set (windows ask the
//    overwrite question instead and pass true).
//
// The verdict comes with its message in words (names quoted and escaped,
// platform/ShownText.h); a caller with a text of its own for the data-file case
// finds which input was met in `input`.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tsly {

// A file a run reads or the program holds open, and what it is to the user
// ("the input file", "the deck", "the panel file open in Tessaly").
struct NamedFile {
  std::string path;
  std::string role;
};

struct OutputCheck {
  enum class Verdict { Write, NoName, IsInput, NotAFile, Exists };
  Verdict verdict = Verdict::Write;
  std::size_t input = 0;  // the input met (IsInput)
  std::string message;    // "" for Write
  bool ok() const { return verdict == Verdict::Write; }
};

OutputCheck checkOutputFile(const std::string& out, const std::vector<NamedFile>& inputs, bool overwrite);

}  // namespace tsly
