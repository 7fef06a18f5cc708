// The settings file "tessaly.ini": 22 text lines, each ended by CR LF, read at
// start-up and written at exit from the directory that was current at start-up.
//
//   1 trace offset   2 tlength   3 place holder   4 sampling ratio
//   5 place holder   6 datadivisor   7 LastPath (whole line)   8-11 place holders
//  12 ProcessingSystemPath (whole line)   13 area fill flag   14 normalize flag
//  15 graphics save flag   16-18 place holders   19 form top   20 form left
//  21 form width   22 form height (window placement in twips)
//
// Number lines are written as the number text (a blank or a minus sign, then the
// shortest plain decimal, ".5" style), one more blank, then the label, which
// itself starts with a blank: " 10  trace offset", "-1  graphics save flag".
//
// Reading rules: each line is one field, ended by the line end or by a comma
// (the rest of the line after a comma is not used). Number lines yield their
// leading number (readNumber); flags and place holders the nearest integer.
// A line that is missing keeps the item's current value, and so does a number
// that is not finite; lines longer than MaxSettingsLine characters are cut
// there. Whatever the file holds, reading completes.
//
// Writing: whole or not at all, through a symbolic link to its target
// (platform/AtomicFile.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Ui.h"
#include "shared/FileTexts.h"
#include "shared/State.h"

namespace tsly {

inline constexpr const char* SettingsFileDefaultName = "tessaly.ini";
inline constexpr int SettingsLineCount = 22;
inline constexpr std::size_t MaxSettingsLine = 32768;
// The most of a settings file that is read (22 lines of numbers and two paths
// need a small part of it).
inline constexpr std::size_t MaxSettingsBytes = 64 * 1024;
inline constexpr const char* DefaultProcessingSystemPath = "\\worog15\\worog.exe";

// Window placement in twips, lines 19 to 22.
struct FormPlacement {
  float Top = 0, Left = 0, Width = 0, Height = 0;
};

struct SettingsLoad {
  int linesRead = 0;  // lines present in the file (at most 22 are looked at)
  // Placement items that were present and finite.
  std::optional<float> formTop, formLeft, formWidth, formHeight;
};

// Splits text into at most `maxLines` lines (CR LF, LF or CR end a line), each cut
// at MaxSettingsLine characters. A last line without a line end counts.
std::vector<std::string> settingsLines(std::string_view content, int maxLines = SettingsLineCount);

// The field of a line: up to the first comma, NUL characters removed.
std::string settingsField(std::string_view line);

// Applies the lines to the state: the items whose lines exist, then
// GraphicsSaveFlag = -1 (a loaded settings file always turns it on).
SettingsLoad applySettingsLines(const std::vector<std::string>& lines, AppState& st);

// The settings file start-up reads from `folder`: "tessaly.ini" when an entry
// of that name exists there, else one whose name differs from it only in letter
// case ("TESSALY.INI" carried over from another system; the first in name order
// when there are several), else "" (no settings file). The name comes back as
// found, without the folder.
std::string findSettingsFile(const std::string& folder = ".");

// Reads the file at path and applies it: only a regular file is read, and only
// its first MaxSettingsBytes (at most 22 lines). Returns 0, or the file error
// number of why it could not be read, the state then untouched: 75 for a
// folder, a FIFO, a device or anything else that is not a regular file (none
// of them is opened in a way that could wait or read for ever), else the error
// of the open (53 not found, 75 no permission, ...).
int readSettings(const std::string& path, AppState& st, SettingsLoad& out);
// The same, true when it was read.
bool loadSettingsFile(const std::string& path, AppState& st, SettingsLoad& out);
// Start-up's reading: a file that cannot be read shows its file-error box, as
// opening it for input does, and false comes back.
bool loadSettingsFile(Ui& ui, AppState& st, const std::string& path, SettingsLoad& out);

// The values a missing settings file leaves: trace spacing 10, "tlength" 100,
// data divisor 10, processing-system path "\worog15\worog.exe".
void applyMissingSettingsDefaults(AppState& st);

// The 22 lines of the file, each ended by CR LF. Paths are written up to their
// first CR or LF, so that a path can never add a line to the file.
std::string settingsText(const AppState& st, const FormPlacement& form);

// Writes text to path whole or not at all. Returns 0, or the file error number
// of the failure (76 path not found, 75 access error, 61 disk full, ...; an
// empty name gives 64).
int writeSettingsFile(const std::string& path, const std::string& text);

}  // namespace tsly
