#include "app/FieldCommand.h"

#include <QAction>
#include <QMenu>
#include <cmath>
#include <cstdlib>

#include "display/DisplaySurface.h"
#include "field/VelocityFieldWindow.h"
#include "field/core/FieldTexts.h"
#include "field/core/VelocityField.h"
#include "picks/core/PicksFile.h"
#include "shared/Numbers.h"

namespace tsly {

FieldCommand::FieldCommand(AppState& state, QWidget* mainWindow, QMenu* options, DisplaySurface& display)
    : st_(state), mainWindow_(mainWindow), display_(display) {
  action_ = options->addAction(QString::fromLatin1(fieldtext::MenuItem));
  action_->setObjectName(QStringLiteral("velfield"));
  action_->setEnabled(false);
  connect(action_, &QAction::triggered, this, &FieldCommand::open);
  display_.addChangeListener([this](DisplayChange) { update(); });
}

FieldCommand::~FieldCommand() = default;

bool FieldCommand::panelsOpen() const {
  return !st_.DataFileName.empty() && (st_.DataType == DataVelocityScan || st_.DataType == DataCdpStacked) &&
         st_.PanelCount > 0 && st_.CdpCount > 0 && st_.CdpList.valid(st_.CdpCount);
}

void FieldCommand::setAvailable(bool on) {
  action_->setEnabled(on);
  update();
}

void FieldCommand::open() {
  if (!window_) {
    window_ = new VelocityFieldWindow(*this, mainWindow_);
    if (placeWindow) placeWindow(window_);
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
  update();
}

void FieldCommand::update() {
  if (!window_ || !window_->isVisible()) return;
  field::FieldPictureInput in;
  if (!panelsOpen()) {
    in.note = fieldtext::NoPanelFile;
    window_->setField(std::move(in));
    return;
  }
  in.functions = field::functionsOf(picks::tableRows(st_));
  in.firstCdp = in.lastCdp = nearestI32(st_.CdpList[1]);
  for (std::int32_t c = 2; c <= st_.CdpCount; ++c) {
    const std::int32_t cdp = nearestI32(st_.CdpList[static_cast<std::size_t>(c)]);
    in.firstCdp = std::min(in.firstCdp, cdp);
    in.lastCdp = std::max(in.lastCdp, cdp);
  }
  const double recordMs = st_.SampleInterval / 1000.0 * st_.NumSamples;
  in.lengthMs = recordMs > 0 ? recordMs : field::shownLengthMs(in.functions);
  if (st_.CdpList.valid(st_.CurrentCdp) && st_.CurrentCdp <= st_.CdpCount) {
    in.hasShownCdp = true;
    in.shownCdp = nearestI32(st_.CdpList[static_cast<std::size_t>(st_.CurrentCdp)]);
  }
  in.note = fieldtext::NoPicks;
  window_->setField(std::move(in));
}

void FieldCommand::showCdp(int cdp) {
  if (!panelsOpen()) return;
  std::int32_t best = 0;
  double bestDistance = 0;
  for (std::int32_t c = 1; c <= st_.CdpCount; ++c) {
    const double d = std::fabs(st_.CdpList[static_cast<std::size_t>(c)] - cdp);
    if (best == 0 || d < bestDistance) {
      best = c;
      bestDistance = d;
    }
  }
  display_.display().goToCdp(best);
}

}  // namespace tsly
