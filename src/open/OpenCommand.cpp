#include "open/OpenCommand.h"

#include <filesystem>

#include "open/FileInfoWindow.h"
#include "open/core/OpenTexts.h"
#include "open/core/OpenScan.h"
#include "platform/Paths.h"
#include "shared/FileUtil.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace {

// Clears a flag when the scope ends, whatever way it ends.
struct FlagGuard {
  bool& flag;
  explicit FlagGuard(bool& f) : flag(f) { flag = true; }
  ~FlagGuard() { flag = false; }
};

// Holds the main window's input for the life of the object.
class InputHold {
 public:
  explicit InputHold(OpenHost& host) : host_(host) { host_.holdInput(true); }
  ~InputHold() { host_.holdInput(false); }
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 private:
  OpenHost& host_;
};

}  // namespace

void OpenCommand::run() { start(nullptr); }

void OpenCommand::openFile(const std::string& path) { start(&path); }

void OpenCommand::start(const std::string* path) {
  if (running_) {
    // Asked for while a scan lets events run: run it when that one is done.
    pending_ = true;
    pendingPath_ = path ? *path : std::string();
    return;
  }
  std::string next = path ? *path : std::string();
  bool named = path != nullptr;
  for (;;) {
    pending_ = false;
    runOnce(named ? &next : nullptr);
    if (!pending_ || host_.shuttingDown()) break;
    next = pendingPath_;
    named = !next.empty();
  }
  pending_ = false;
  pendingPath_.clear();
}

void OpenCommand::runOnce(const std::string* named) {
  FlagGuard guard(running_);
  std::string path;
  if (named) {
    // What the dialog would have returned: a full name, left in the shared dialog.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(*named, ec);
    path = ec ? *named : full.lexically_normal().string();
    host_.dialogFileName() = path;
  } else if (!chooseFile(path)) {
    return;
  }
  openChosen(path);
}

bool OpenCommand::chooseFile(std::string& path) {
  FileDialogRequest req;
  // The open file's name becomes the shared dialog's name; without one it shows
  // whatever it showed last.
  std::string& remembered = host_.dialogFileName();
  if (!st_.DataFileName.empty()) remembered = st_.DataFileName;
  req.fileName = remembered;
  req.initialDir = st_.LastPath;
  req.filter = opentext::DialogFilter;
  req.filterIndex = 1;
  req.title = opentext::DialogTitle;
  req.defaultExt = opentext::DialogDefaultExt;
  // A name typed that names no file comes back, to be told "FILE NOT FOUND".
  req.mustExist = false;

  const FileDialogResult chosen = askFileName(ui_, FileDialogKind::Open, req);
  if (chosen.status != FileDialogResult::Status::Chosen) return false;
  remembered = chosen.path;
  path = chosen.path;
  return true;
}

void OpenCommand::openChosen(const std::string& path) {
  st_.LastPath = folderOf(path);
  host_.sendLastPath(st_.LastPath);
  host_.setStatusText("");

  st_.DataFileName = path;
  if (st_.DataFileName.empty()) return;
  if (!dataFileExists(st_.DataFileName)) {
    const ScanMessage m = fileNotFoundMessage();
    st_.MessageText = m.text;
    ui_.message(st_.MessageText, m.title, m.buttons, m.icon);
    return;
  }

  const OpenScanResult result = scan();
  switch (result.status) {
    case OpenScanStatus::Superseded: return;
    case OpenScanStatus::Ok:
    case OpenScanStatus::NoPanels: break;
    default:
      showOpenScanMessage(ui_, result);
      return;
  }
  if (host_.shuttingDown()) return;
  afterScan(result);
}

OpenScanResult OpenCommand::scan() {
  FileInfoWindow& info = host_.fileInfoWindow();
  OpenScanHooks hooks;
  hooks.firstTrace = [&](const FirstTraceInfo& first) {
    info.setFileName(first.label3);
    FileInfoWindow::setLabelText(info.label2(), first.label2);
    host_.setControlEnabled(OpenControl::SetNmoParameters, false);
    if (first.dataType == DataCdpGather) {
      host_.setControlEnabled(OpenControl::ChangeGraphics, false);
      host_.setControlEnabled(OpenControl::SetNmoParameters, true);
    } else if (first.dataType == DataCdpStacked || first.dataType == DataVelocityScan) {
      // Panels are drawn alike whether stacked or velocity-scan data: either way
      // their display can be changed, and there is no gather to make panels from.
      host_.setControlEnabled(OpenControl::ChangeGraphics, true);
      host_.setControlEnabled(OpenControl::SetNmoParameters, false);
    }
  };
  hooks.busy = [&](bool on) { ui_.setBusyCursor(on); };
  hooks.progress = [&](std::int32_t scanCounter) {
    if (!info.isVisible()) info.show();
    FileInfoWindow::setLabelText(info.label1(), progressText(scanCounter));
    ui_.processEvents();
  };
  hooks.scanEnded = [&] { info.hide(); };

  // While the scan lets events run, the tables it rebuilds are half made: the
  // buttons, the canvas and the "&Options" items wait until it is over. (File
  // Info, Exit and Help stay available; an Open is run afterwards.)
  InputHold hold(host_);
  return openScan(st_, hooks);
}

void OpenCommand::afterScan(const OpenScanResult& result) {
  host_.updateScrollBars();
  host_.setControlEnabled(OpenControl::MakeVelfCommands, false);

  if (result.status == OpenScanStatus::NoPanels) {
    showOpenScanMessage(ui_, result);
    return;
  }

  if (!result.isPanelData()) {
    // Gather data: nothing to draw; panels can be made from it.
    host_.setControlEnabled(OpenControl::ClearPicks, false);
    host_.setControlEnabled(OpenControl::SetNmoParameters, true);
    host_.showNmoParameters();
    host_.setControlEnabled(OpenControl::PrevNext, false);
    return;
  }

  host_.redraw();
  host_.setControlEnabled(OpenControl::PrevNext, true);
}

void OpenCommand::showFileInfo() {
  FileInfoWindow& info = host_.fileInfoWindow();
  info.centreOver(info.parentWidget());
  FileInfoWindow::setLabelText(info.label1(), cdpRangeText(st_.MinKey, st_.MaxKey));
  if (info.isVisible()) info.hide();  // shown as progress window: show it again modally
  info.setModal(true);
  info.exec();
  info.setModal(false);
}

}  // namespace tsly
