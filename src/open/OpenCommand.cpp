#include "open/OpenCommand.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <filesystem>

#include "app/TessalyWindow.h"
#include "jobs/core/JobLink.h"
#include "open/FileInfoWindow.h"
#include "open/core/OpenScan.h"
#include "shared/Numbers.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace {

// Clears a flag when the scope ends, whatever way it ends.
struct FlagGuard {
  bool& flag;
  explicit FlagGuard(bool& f) : flag(f) { flag = true; }
  ~FlagGuard() { flag = false; }
};

// Disables the main window's controls and its "&Options" menu for the life of
// the object; each keeps its own enabled state for afterwards.
class InputPause {
 public:
  explicit InputPause(TessalyWindow& w) : controls_(w.centralWidget()), options_(w.menu("edit")) {
    controlsWere_ = controls_ && controls_->isEnabled();
    optionsWere_ = options_ && options_->menuAction()->isEnabled();
    if (controls_) controls_->setEnabled(false);
    if (options_) options_->menuAction()->setEnabled(false);
  }
  ~InputPause() {
    if (controls_) controls_->setEnabled(controlsWere_);
    if (options_) options_->menuAction()->setEnabled(optionsWere_);
  }
  InputPause(const InputPause&) = delete;
  InputPause& operator=(const InputPause&) = delete;

 private:
  QPointer<QWidget> controls_;
  QPointer<QMenu> options_;
  bool controlsWere_ = true;
  bool optionsWere_ = true;
};

}  // namespace

void OpenCommand::run() {
  if (running_) {
    // Chosen while a scan lets events run: run it when that one is done.
    pending_ = true;
    return;
  }
  do {
    pending_ = false;
    runOnce();
  } while (pending_ && !w_.shutDown());
  pending_ = false;
}

void OpenCommand::runOnce() {
  FlagGuard guard(running_);
  AppState& st = w_.state();
  Ui& ui = w_.ui();

  FileDialogRequest req;
  // The shared dialog shows the open file's name, else whatever it showed last.
  req.fileName = st.DataFileName.empty() ? w_.filelogFileName : st.DataFileName;
  req.initialDir = st.LastPath;
  req.filter = OpenDialogFilter;
  req.filterIndex = 1;
  req.title = OpenDialogTitle;
  req.defaultExt = OpenDialogDefaultExt;

  const FileDialogResult chosen = ui.openFileDialog(req);
  if (chosen.status == FileDialogResult::Status::Cancelled) return;
  if (chosen.status == FileDialogResult::Status::Failed) {
    st.MessageText = std::string("Unexpected error") + CrLf + chosen.error;
    ui.message(st.MessageText, "Tessaly ERROR", Buttons::Ok, Icon::None);
    return;
  }

  w_.filelogFileName = chosen.path;
  const std::filesystem::path path(chosen.path);
  st.LastPath = path.parent_path().string();
  w_.link().linkcommand("lastpath", st.LastPath, "", "");
  w_.statusLabel()->clear();

  st.DataFileName = chosen.path;
  if (st.DataFileName.empty()) return;
  if (!dataFileExists(st.DataFileName)) {
    const ScanMessage m = fileNotFoundMessage();
    st.MessageText = m.text;
    ui.message(st.MessageText, m.title, m.buttons, m.icon);
    return;
  }

  FileInfoWindow* info = w_.fileInfoWindow();
  OpenScanHooks hooks;
  hooks.firstTrace = [&](const FirstTraceInfo& first) {
    FileInfoWindow::setLabelText(info->label3(), first.label3);
    FileInfoWindow::setLabelText(info->label2(), first.label2);
    w_.action("editnmo")->setEnabled(false);
    if (first.dataType == DataCdpGather) {
      w_.action("editsele")->setEnabled(false);
      w_.action("editnmo")->setEnabled(true);
    } else if (first.dataType == DataCdpStacked) {
      w_.action("editsele")->setEnabled(true);
      w_.action("editnmo")->setEnabled(false);
    }
  };
  hooks.busy = [&](bool on) { ui.setBusyCursor(on); };
  hooks.progress = [&](std::int32_t scanCounter) {
    if (!info->isVisible()) info->show();
    FileInfoWindow::setLabelText(info->label1(), progressText(scanCounter));
    ui.processEvents();
  };
  hooks.scanEnded = [&] { info->hide(); };

  OpenScanResult result;
  {
    // While the scan lets events run, the tables it rebuilds are half made:
    // the buttons, the canvas and the "&Options" items wait until it is over.
    // (File Info, Exit and Help stay available; an Open is run afterwards.)
    InputPause pause(w_);
    result = openScan(st, hooks);
  }
  switch (result.status) {
    case OpenScanStatus::Superseded: return;
    case OpenScanStatus::Ok:
    case OpenScanStatus::NoPanels: break;
    default:
      showOpenScanMessage(ui, result);
      return;
  }
  if (w_.shutDown()) return;

  scrollBarsAfterScan();
  w_.action("editvelf")->setEnabled(false);

  if (result.status == OpenScanStatus::NoPanels) {
    showOpenScanMessage(ui, result);
    return;
  }

  if (!result.isPanelData()) {
    // Gather data: nothing to draw; panels can be made from it.
    w_.clearPicksButton()->setEnabled(false);
    w_.action("editnmo")->setEnabled(true);
    w_.editnmo();
    w_.prevButton()->setEnabled(false);
    w_.nextButton()->setEnabled(false);
    return;
  }

  w_.refresh();
  w_.prevButton()->setEnabled(true);
  w_.nextButton()->setEnabled(true);
}

void OpenCommand::scrollBarsAfterScan() {
  QScrollBar* v = w_.vScroll();
  QWidget* viewport = w_.viewport();
  QWidget* canvas = w_.canvasWidget();
  v->resize(v->width(), viewport->height());
  // A canvas shorter than the viewport has nothing to scroll: the bar stays at 0.
  const int maximum = nearestI16(canvas->height() - viewport->contentsRect().height());
  v->setMaximum(maximum > 0 ? maximum : 0);
  v->setPageStep(nearestI16(canvas->height() / 10.0));
}

void OpenCommand::showFileInfo() {
  AppState& st = w_.state();
  FileInfoWindow* info = w_.fileInfoWindow();
  info->centreOver(&w_);
  FileInfoWindow::setLabelText(info->label1(), cdpRangeText(st.MinKey, st.MaxKey));
  if (info->isVisible()) info->hide();  // shown as progress window: show it again modally
  info->setModal(true);
  info->exec();
  info->setModal(false);
}

}  // namespace tsly
