// The main window's own texts, named once: its caption, the menus and their
// items, the buttons and the status label's first text. Texts shared with other
// areas are in shared/Texts.h.
#pragma once

namespace tsly::apptext {

inline constexpr const char* WindowTitle = "TSLY for WINDOWS";
inline constexpr const char* StatusAtStart = "TSLY-4-Windows";

inline constexpr const char* FilesMenu = "&Files...";
inline constexpr const char* OpenItem = "&Open";
inline constexpr const char* FileInfoItem = "File &Info";
inline constexpr const char* PrintSetupItem = "Print Setup";
inline constexpr const char* PrintItem = "&Print";
inline constexpr const char* SaveBmpItem = "Save BMP";
inline constexpr const char* ExitItem = "E&xit";

inline constexpr const char* OptionsMenu = "&Options";
inline constexpr const char* ChangeGraphicsItem = "Change Graphics";
inline constexpr const char* SetNmoItem = "Set NMO Parameters";
inline constexpr const char* MakeVelfItem = "Make VELF commands";

inline constexpr const char* HelpMenu = "&Help";
inline constexpr const char* ContentsItem = "&Contents";
inline constexpr const char* AboutItem = "&About";

inline constexpr const char* PrevButton = "Prev";
inline constexpr const char* NextButton = "Next";
inline constexpr const char* ClearPicksButton = "Clear Picks";
inline constexpr const char* RefreshButton = "refresh";

}  // namespace tsly::apptext

namespace tsly::apptext {

// The command line (`tessaly --help`).
inline constexpr const char* CommandLineDescription =
    "Tessaly: velocity picking on velocity-scan panels.\n"
    "Reads and writes tessaly.ini in the current directory.";
inline constexpr const char* CommandLineFile =
    "A trace file to open after start-up, as \"&Open\" would open it.";
inline constexpr const char* CommandLineOneFile = "Give at most one file to open.";

}  // namespace tsly::apptext
