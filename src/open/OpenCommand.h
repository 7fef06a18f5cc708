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
//
// openFile() opens a named file exactly as if it had been chosen in the dialog
// (the program's command line uses it): a relative name is taken from the
// current directory, and its folder becomes the last directory.
//
// The command talks to the main window only through OpenHost.
#pragma once

#include <string>

#include "open/OpenHost.h"
#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

struct OpenScanResult;

class OpenCommand {
 public:
  OpenCommand(AppState& state, Ui& ui, OpenHost& host) : st_(state), ui_(ui), host_(host) {}

  // "&Open".
  void run();
  // Opens `path` as "&Open" would once the dialog returned it.
  void openFile(const std::string& path);
  // "File &Info": centred over the main window, the CDP range, modal until Done.
  void showFileInfo();

  bool running() const { return running_; }
  bool openPending() const { return pending_; }

 private:
  // Runs one open and then those asked for meanwhile; `path` set: no dialog.
  void start(const std::string* path);
  void runOnce(const std::string* path);
  // The file dialog; false when the command ends there (cancelled or failed).
  bool chooseFile(std::string& path);
  // From the chosen name to the end of the command.
  void openChosen(const std::string& path);
  OpenScanResult scan();
  void afterScan(const OpenScanResult& result);

  AppState& st_;
  Ui& ui_;
  OpenHost& host_;
  bool running_ = false;
  bool pending_ = false;
  std::string pendingPath_;  // a file named while another open ran (empty: the dialog)
};

}  // namespace tsly
