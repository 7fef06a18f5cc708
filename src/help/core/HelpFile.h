// Where the help file lives and the commands the help viewer understands.
//
// The help file "TESSALY.HLP" sits in the program's own folder. The folder and
// the name are joined with exactly one "/": when the folder (blanks at either
// end ignored) already ends in "/", as the root folder does, none is added.
#pragma once

#include <string>

namespace tsly {

inline constexpr const char* HelpFileName = "TESSALY.HLP";

// Help viewer commands (the numbers of the classic help call).
inline constexpr int HelpContext = 1;   // data: the topic's help context number
inline constexpr int HelpQuit = 2;      // close the viewer
inline constexpr int HelpContents = 3;  // open at the contents

// Help context numbers carried by the windows' controls and menus.
inline constexpr int HelpFilesMenu = 12010;
inline constexpr int HelpOptionsMenu = 12020;
inline constexpr int HelpHelpMenu = 12030;
inline constexpr int HelpPrevNext = 12040;
inline constexpr int HelpClearPicks = 12050;
inline constexpr int HelpCanvas = 12060;
inline constexpr int HelpScrollBars = 12070;
inline constexpr int HelpGraphicsValues = 12210;
inline constexpr int HelpGraphicsChecks = 12220;
inline constexpr int HelpSamplingRatio = 12230;

std::string helpFilePath(const std::string& programFolder);

}  // namespace tsly
