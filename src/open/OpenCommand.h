// "&Open" and "File &Info" of the main window: the file dialog, the open scan
// with tslyfile as its progress window, the menu and button states for the data
// type, then the redraw (panel data) or the NMO parameters (gather data).
//
// Failures are shown as message boxes here and stop the command; a file that is
// refused keeps what the open had already replaced (the file name, the last
// directory, the first-trace values) and, for types other than 2 and 4, the
// previous panel and pick tables.
//
// An Open chosen while a scan is letting events run is not nested: it is run
// once the running one has finished.
#pragma once

#include <string>

namespace tsly {

class TessalyWindow;

inline constexpr const char* OpenDialogTitle = "Tessaly File OPEN";
inline constexpr const char* OpenDialogFilter = "Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*";
inline constexpr const char* OpenDialogDefaultExt = "dat";

class OpenCommand {
 public:
  explicit OpenCommand(TessalyWindow& window) : w_(window) {}

  // "&Open".
  void run();
  // "File &Info": centred over the main window, the CDP range, modal until Done.
  void showFileInfo();

  bool running() const { return running_; }
  bool openPending() const { return pending_; }

 private:
  void runOnce();
  void scrollBarsAfterScan();

  TessalyWindow& w_;
  bool running_ = false;
  bool pending_ = false;
};

}  // namespace tsly
