#include "app/SpectrumCommand.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QMenu>

#include "display/DisplaySurface.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "display/core/DisplayGeometry.h"
#include "picks/core/PickEdits.h"
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
    connect(window_, &VelocitySpectrumWindow::pickWanted, this, &SpectrumCommand::addPick);
    connect(window_, &VelocitySpectrumWindow::pickMoveWanted, this, &SpectrumCommand::movePick);
    connect(window_, &VelocitySpectrumWindow::pickRemoveWanted, this, &SpectrumCommand::removePick);
    connect(window_, &VelocitySpectrumWindow::guideToggled, this, &SpectrumCommand::showGuide);
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
  firstMs_ = in.traces.delayMs;
  dtMs_ = in.traces.intervalUs / 1000.0;
  samples_ = in.traces.samples;
  window_->setGuide(guide());
  window_->showCdp(std::move(in));
}

void SpectrumCommand::showPicks() {
  if (!panelsOpen()) return;
  window_->setGuide(guide());
  window_->setPicks(velocityPicksOf(st_.PickTable[static_cast<std::size_t>(st_.CurrentCdp)]));
}

std::vector<VelocityPick> SpectrumCommand::guide() const {
  std::vector<VelocityPick> points;
  if (!panelsOpen() || samples_ <= 0 || !(dtMs_ > 0)) return points;
  const std::vector<float> v = guideVelocities(st_, st_.CurrentCdp, firstMs_, dtMs_, samples_);
  points.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i)
    points.push_back({static_cast<float>(firstMs_ + static_cast<double>(i) * dtMs_), v[i]});
  return points;
}

// The slot of the pick the window shows at `index`, found by its time and
// velocity: the slots may have been put in another order since (the VELF
// commands order them by time).
int SpectrumCommand::slotOfIndex(int index) const {
  if (!panelsOpen() || !window_ || index < 0 || static_cast<std::size_t>(index) >= window_->picks().size()) return 0;
  const VelocityPick& p = window_->picks()[static_cast<std::size_t>(index)];
  return slotOf(st_.PickTable[static_cast<std::size_t>(st_.CurrentCdp)], p.timeMs,
                static_cast<std::int16_t>(std::clamp<long>(std::lround(p.velocity), 0, MaxPickVelocity)));
}

// Picks from the spectrum wait, as clicks on the panels do, for a redraw under way.
void SpectrumCommand::addPick(float timeMs, int velocity) {
  if (display_.display().runAfterRedraw([this, timeMs, velocity] { addPick(timeMs, velocity); })) return;
  if (!panelsOpen()) return;
  const auto v = static_cast<std::int16_t>(std::clamp(velocity, 0, MaxPickVelocity));
  if (tsly::addPick(st_, ui_, st_.CurrentCdp, timeMs, v) == PickEdit::Done) edited(timeMs, v);
  else showPicks();
}

void SpectrumCommand::movePick(int index, float timeMs, int velocity) {
  if (display_.display().runAfterRedraw([=, this] { movePick(index, timeMs, velocity); })) return;
  if (!panelsOpen()) return;
  const auto v = static_cast<std::int16_t>(std::clamp(velocity, 0, MaxPickVelocity));
  if (tsly::movePick(st_, ui_, st_.CurrentCdp, slotOfIndex(index), timeMs, v) == PickEdit::Done) edited(timeMs, v);
  else showPicks();
}

void SpectrumCommand::removePick(int index) {
  if (display_.display().runAfterRedraw([this, index] { removePick(index); })) return;
  if (!panelsOpen()) return;
  if (tsly::removePick(st_, st_.CurrentCdp, slotOfIndex(index)) == PickEdit::Done) display_.display().picksEdited();
  else showPicks();
}

// The status line as after a click on a panel; the display and its followers
// (this window among them) told.
void SpectrumCommand::edited(float timeMs, int velocity) {
  const std::int16_t cdp = st_.PickTable[static_cast<std::size_t>(st_.CurrentCdp)].Cdp;
  display_.setStatusText(pickStatusText(timeMs, cdp, static_cast<std::int16_t>(velocity)));
  display_.display().picksEdited();
}

void SpectrumCommand::showGuide(bool on) {
  display_.display().setGuideShown(on);
  display_.display().refresh();
}

}  // namespace tsly
