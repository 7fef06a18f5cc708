// What the main window's shared file dialog `filelog` keeps from one use to the
// next within a run. The window owns the one copy and hands its names to the
// commands that show the dialog (Open, the VELF browse, Save BMP).
#pragma once

#include <string>

namespace tsly {

struct FileDialogState {
  // The name Open and the VELF browse show at first; each leaves its choice here.
  std::string fileName;
  // The name Save BMP shows at first (the open file's until Save BMP is used)
  // and leaves its choice in.
  std::string bmpFileName;
};

}  // namespace tsly
