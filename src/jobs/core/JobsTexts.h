// The message texts and titles of the job-command area, named once: "Make VELF
// commands" and the job-editor link. Lines of a multi-line
// message are joined with CR LF.
#pragma once

namespace tsly {

// "Make VELF commands".
namespace velftext {
inline constexpr const char* NothingTitle = "TSLY-NOTHING TO DO!";
inline constexpr const char* NothingLine1 = "There are no picks on any panel.";
inline constexpr const char* NothingLine2 = "There is nothing to do!";
inline constexpr const char* DataPrompt1 = "What is the name of the data file to be be moved out?";
inline constexpr const char* BrowseHint = "Enter a  ?  to browse disk.";
inline constexpr const char* DataTitle = "TSLY-Data File Name";
inline constexpr const char* StretchPrompt = "Enter NMO stretch for *NMOT command";
inline constexpr const char* StretchTitle = "TSLY-MAKE VELF-COMMANDS";
inline constexpr const char* StretchDefault = ".5";
inline constexpr const char* DelayPrompt = "Use Recording Delay Time during move-out?";
inline constexpr const char* DelayTitle = "TSLY-Use Recording Delay Time?";
inline constexpr const char* OutputPrompt1 = "What is the name of the OUTPUT data file?";
inline constexpr const char* OutputTitle = "TSLY-OUTPUT File Name";
inline constexpr const char* FileDefault = "?";
inline constexpr const char* PartialTitle = "TSLY-USER CANCELING";
inline constexpr const char* PartialLine1 = "WARNING-JobPad HAS BEEN MODIFIED!";
inline constexpr const char* PartialLine2 = "Command file is most likely unusable with out manual intervention.";
inline constexpr const char* BrowseTitle = "Tessaly INPUT FILE SELECT";
inline constexpr const char* BrowseFilter = "Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*";
inline constexpr const char* BrowseDefaultExt = "dat";
}  // namespace velftext

// The job-editor link.
namespace linktext {
inline constexpr const char* StartupErrorTitle = "JobPad START-UP ERROR";
inline constexpr const char* StartupErrorLine1 = "There has been an unexpected error while starting JobPad";
inline constexpr const char* NotFoundLine1 = "This error is caused by a failure of the system to";
inline constexpr const char* NotFoundLine2 = "locate  JobPad.EXE.  Make sure it is in a directory";
inline constexpr const char* NotFoundLine3 = "listed in your system's  PATH statement.";
inline constexpr const char* NoConnectionTitle = "JobPad INSERTION/COMMUNICATION ERROR";
inline constexpr const char* NoConnectionLine1 = "There is no connection currently between this";
inline constexpr const char* NoConnectionLine2 = "program and JobPad. Insertion/communication of";
inline constexpr const char* NoConnectionLine3 = "data is not possible";
inline constexpr const char* RestartQuestion = "Would you like to attempt to restart JobPad?";
inline constexpr const char* RestartTitle = "Restart JobPad?";
inline constexpr const char* FailureTitle = "JobPad DDE COMMUNICATIONS FAILURE";
inline constexpr const char* FailureLine1 = "There was an error while attempting to communicate with";
inline constexpr const char* FailureLine2 = "JobPad. The error reported was: ";
inline constexpr const char* FailureLine3 = "The most common causes of this would be JobPad not running,";
inline constexpr const char* FailureLine4 = "or JobPad is awaiting user input.";
inline constexpr const char* FailureLine5 = "Further insertion of data to JobPad is not currently possible.";
}  // namespace linktext

}  // namespace tsly
