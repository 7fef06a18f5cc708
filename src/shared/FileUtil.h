// File utilities shared by every window: ask for a file name, open a file in
// one of five modes, ask before a target file is overwritten or created, and
// turn a file error number into a message box plus an action code.
//
//  - OpenByMode modes 1..4 open text files by number (TextFiles) and return the
//    file number, or -1 after a failure (the error was shown by ReportFileError;
//    no file number is ever handed back for a failed open). Mode 5 opens an
//    existing trace file for reading and writing and returns its handle, or -1
//    silently. Any other mode opens nothing and returns 0.
//  - OpenTraceForReading is the read-only form of mode 5, for callers that only
//    read a trace file (scan, redraw, generation input); -1 silently on failure.
//  - Every message text is composed in AppState::MessageText, then shown.
//  - Action codes of ReportFileError: 0 try again, 1 skip and go on, 2 give up,
//    3 not a known error (no message shown).
#pragma once

#include <cstdint>
#include <string>

#include "platform/TextFiles.h"
#include "platform/Ui.h"
#include "shared/FileTexts.h"
#include "shared/State.h"

namespace tsly {

namespace fileaction {
inline constexpr std::int16_t Retry = 0;
inline constexpr std::int16_t Skip = 1;
inline constexpr std::int16_t GiveUp = 2;
inline constexpr std::int16_t Unknown = 3;
}  // namespace fileaction

enum class FileDialogKind { Open, Save };

// Asks for a file name in the open or the save dialog and returns what it gave.
// A dialog that failed is reported before this returns: "Unexpected error", a
// line break and the platform's description, titled "Tessaly ERROR", OK, no
// icon. The caller goes on only when the status is Chosen.
FileDialogResult askFileName(Ui& ui, FileDialogKind kind, const FileDialogRequest& request);

std::int32_t OpenByMode(Ui& ui, AppState& st, const std::string& name, std::int16_t mode,
                        TextFiles& files = TextFiles::process());

int OpenTraceForReading(const std::string& name);

// Returns 1 to go ahead, 0 to stop; a missing file confirmed for mode 2 turns
// the mode into 1 (the caller then creates it).
std::int16_t ConfirmTargetFile(Ui& ui, AppState& st, const std::string& name, std::int16_t& mode,
                               const TextFiles& files = TextFiles::process());

std::int16_t ReportFileError(Ui& ui, AppState& st, std::int16_t errorNumber);

// The action code of a button pressed in a file-error box.
std::int16_t fileActionOf(Answer a);

// Whether two names are the same file (blanks around a name do not count):
// equal without regard to letter case,
// as absolute normalised paths without regard to case ("./A.DAT" for "a.dat"),
// or the same file on disk (a link). Writing an output under such a name would
// replace its input, so callers refuse it.
bool sameFileName(const std::string& a, const std::string& b);

// True when both names reach one existing file (same device and inode: through
// a link, a hard link or another spelling of the path).
bool sameExistingFile(const std::string& a, const std::string& b);

}  // namespace tsly
