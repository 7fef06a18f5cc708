// Picture output decisions that need no window: the texts of the Save BMP and
// printing messages, and where a page goes when no printer is installed.
#pragma once

#include <functional>
#include <string>

namespace tsly::output {

// Save BMP.
inline constexpr const char* BmpDialogTitle = "Tessaly BMP File SAVE";
inline constexpr const char* BmpFilter = "BitMaps (*.bmp)|*.bmp|All Files (*.*)|*.*";
inline constexpr const char* BmpDefaultExt = "bmp";
inline constexpr const char* BmpNoImageTitle = "Plotwell BMP Save Error";
inline constexpr const char* BmpDialogErrorTitle = "Tessaly ERROR";
inline constexpr const char* PrinterDialogTitle = "Tessaly Printer Setup";
inline constexpr const char* PrinterErrorTitle = "Tessaly - ERROR";

// "Graphics Save Option must be selected" CR LF "in order to save BMP files."
std::string bmpNoImageText();
// "Unexpected error" CR LF description (dialog failures).
std::string unexpectedErrorText(const std::string& description);
// A bitmap that could not be written: names the file and the reason.
std::string bmpWriteFailedText(const std::string& path, const std::string& reason);
// A page that could not be printed.
std::string printFailedText(const std::string& reason);
// Status-label line after a page went to a PDF file because no printer is installed.
std::string pdfStatusText(const std::string& path);

// Where a page goes when no printer is installed: a file
// "tessaly-print-<stamp>.pdf" beside the open data file when its folder can be
// written, else in the start directory, else in the current directory ("").
// An existing file is never replaced: "-2", "-3", ... is added before ".pdf".
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
