#include "app/SpectrumCommand.h"

#include <QAction>
#include <QMenu>

#include "display/DisplaySurface.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "shared/Numbers.h"

namespace tsly {

SpectrumCommand::SpectrumCommand(AppState& state, Ui& ui, QWidget* mainWindow, QMenu* options,
                                 DisplaySurface& display)
    : st_(state), ui_(ui), mainWindow_(mainWindow), display_(display) {
  action_ = options->addAction(QString::fromLatin1(spectrumtext::MenuItem));
  action_->setObjectName(QStringLiteral("velspectrum"));
  action_->setEnabled(false);
  connect(action_, &QAction::triggered, this, &SpectrumCommand::open);
  display_.addChangeListener([this](DisplayChange what) { displayChanged(what); });
}

SpectrumCommand::~SpectrumCommand() = default;

bool SpectrumCommand::panelsOpen() const {
  return !st_.DataFileName.empty() && (st_.DataType == DataVelocityScan || st_.DataType == DataCdpStacked) &&
         st_.PanelCount > 0 && st_.CdpCount > 0 && st_.CdpList.valid(st_.CurrentCdp) &&
         st_.CurrentCdp <= st_.CdpCount && st_.PickTable.valid(st_.CurrentCdp);
}

void SpectrumCommand::setAvailable(bool on) {
  action_->setEnabled(on);
  if (!on && window_ && window_->isVisible()) window_->showNothing(spectrumtext::noPanelDataText());
}

void SpectrumCommand::open() {
  if (!panelsOpen()) return;
  if (!gathers_.gatherFor(ui_, st_, true)) return;
  if (!window_) {
    window_ = new VelocitySpectrumWindow(st_, ui_, mainWindow_);
    window_->chooseGather = [this] { chooseGather(); };
    if (placeWindow) placeWindow(window_);
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
  showCdp();
}

void SpectrumCommand::chooseGather() {
  if (!panelsOpen()) return;
  if (gathers_.choose(ui_, st_) && window_ && window_->isVisible()) showCdp();
}

void SpectrumCommand::displayChanged(DisplayChange what) {
  if (!window_ || !window_->isVisible()) return;
  if (what == DisplayChange::CdpShown) showCdp();
  else showPicks();
}

void SpectrumCommand::showCdp() {
  if (!window_) return;
  if (!panelsOpen()) {
    window_->showNothing(spectrumtext::noPanelDataText());
    return;
  }
  const GatherCdps* gather = gathers_.gatherFor(ui_, st_, false);
  if (!gather) {
    window_->showNothing(spectrumtext::noGatherText(st_.DataFileName));
    return;
  }
  SpectrumCdpInput in;
  in.panelFile = st_.DataFileName;
  in.gatherFile = gather->path();
  const std::int16_t cdp = nearestI16(st_.CdpList[static_cast<std::size_t>(st_.CurrentCdp)]);
  const std::string error = gather->read(cdp, in.traces);
  if (!error.empty()) {
    window_->showNothing(error);
    return;
  }
  in.panelSpan = panelVelocitySpan(st_, cdp);
  const DisplayView& view = display_.display().view();
  in.time.microsecondsPerRow = view.MicrosecondsPerRow;
  in.time.plotRows = view.PlotRows;
  in.time.samplingRatio = st_.SamplingRatio;
  in.picks = velocityPicksOf(st_.PickTable[static_cast<std::size_t>(st_.CurrentCdp)]);
  window_->showCdp(std::move(in));
}

void SpectrumCommand::showPicks() {
  if (!panelsOpen()) return;
  window_->setPicks(velocityPicksOf(st_.PickTable[static_cast<std::size_t>(st_.CurrentCdp)]));
}

}  // namespace tsly
