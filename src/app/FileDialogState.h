// What the main window's shared file dialog `filelog` keeps from one use to the
// next within a run: the file name it shows at first. Open, the VELF browse and
// Save BMP all show it and leave their choice in it. The window owns the one
// copy and hands it to each of them.
#pragma once

#include <string>

namespace tsly {

struct FileDialogState {
  std::string fileName;
};

}  // namespace tsly
