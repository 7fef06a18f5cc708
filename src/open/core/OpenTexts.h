// The texts of the Open command's file dialog and of the file-information
// window tslyfile, named once. The scan's own messages are named beside the
// scan (open/core/OpenScan.h); texts shared with other areas are in
// shared/Texts.h.
#pragma once

namespace tsly::opentext {

// The file dialog of "&Open".
inline constexpr const char* DialogTitle = "Tessaly File OPEN";
inline constexpr const char* DialogFilter = "Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*";
inline constexpr const char* DialogDefaultExt = "dat";

// tslyfile: caption, frame, the labels' design captions, the button.
inline constexpr const char* InfoTitle = "Tessaly File Infomation";
inline constexpr const char* InfoFrame = "File Information";
inline constexpr const char* InfoLabel1 = "lab1";
inline constexpr const char* InfoLabel2 = "lab2";
inline constexpr const char* InfoLabel3 = "lab3";
inline constexpr const char* InfoDone = "Done";

}  // namespace tsly::opentext
