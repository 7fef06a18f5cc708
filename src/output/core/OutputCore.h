// Picture output decisions that need no window: where a page goes when no
// printer is installed. The texts of the messages are in OutputTexts.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "shared/OutputCheck.h"

namespace tsly::output {

// The name Save BMP's dialog proposes: the name the shared dialog holds, unless
// it is one of the data files open (`inUse`): then that file's name with the
// extension "BMP" in place of its own ("/d/SCAN.NMO" -> "/d/SCAN.BMP"), or no
// name when that too is open.
std::string bmpProposal(const std::string& held, const std::vector<NamedFile>& inUse);

// `path` when no file of that name exists, else the first free name with
// "-2", "-3", ... put before its extension ("page.pdf" -> "page-2.pdf"; a name
// without an extension gets the number at its end). So a page never replaces
// a file silently.
std::string unusedFileName(const std::string& path, const std::function<bool(const std::string&)>& exists);

// Where a page goes when no printer is installed: a file
// "tessaly-print-<stamp>.pdf" beside the open data file when its folder can be
// written, else in the start directory, else in the current directory ("").
// An existing file is never replaced (unusedFileName).
//   dataFileName   the open trace file ("" when none)
//   startDirectory the directory current at start-up ("" when unknown)
//   stamp          a time stamp such as "20261208-034512"
//   exists(path)   whether a file of that name exists
//   writable(dir)  whether a new file can be created in that folder
std::string pdfOutputPath(const std::string& dataFileName, const std::string& startDirectory,
                          const std::string& stamp,
                          const std::function<bool(const std::string&)>& exists,
                          const std::function<bool(const std::string&)>& writable);

}  // namespace tsly::output
