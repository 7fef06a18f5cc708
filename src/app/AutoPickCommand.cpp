#include "app/AutoPickCommand.h"

#include <QAction>
#include <QMenu>
#include <QMetaObject>

#include <algorithm>
#include <cmath>

#include "app/SpectrumCommand.h"
#include "display/DisplaySurface.h"
#include "picks/core/PickTable.h"
#include "shared/Numbers.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "spectrum/core/AutoPickTexts.h"
#include "spectrum/core/SpectrumView.h"

namespace tsly {

namespace {

constexpr double DefaultMinVelocity = 1200, DefaultMaxVelocity = 5180, VelocityStep = 20;
constexpr const char* BoxTitle = "Auto Pick";

}  // namespace

AutoPickCommand::AutoPickCommand(AppState& state, Ui& ui, QMenu* options, DisplaySurface& display,
                                 SpectrumCommand& spectrum)
    : st_(state), ui_(ui), display_(display), spectrum_(spectrum) {
  menu_ = options->addMenu(QString::fromLatin1(autopicktext::Menu));
  menu_->setObjectName(QStringLiteral("autopick"));
  menu_->menuAction()->setObjectName(QStringLiteral("autopickmenu"));
  auto add = [this](const char* name, const char* caption, void (AutoPickCommand::*slot)(), const char* key) {
    QAction* a = menu_->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (key) {
      a->setShortcut(QKeySequence(QString::fromLatin1(key)));
      a->setShortcutContext(Qt::WindowShortcut);
      // The key works while the menu is closed: the action lives on the window.
      if (QWidget* w = menu_->window()) w->addAction(a);
    }
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, slot);
    items_.push_back(a);
  };
  add("autopickcdp", autopicktext::ThisCdpItem, &AutoPickCommand::proposeShown, nullptr);
  add("autopickall", autopicktext::AllCdpsItem, &AutoPickCommand::proposeAll, nullptr);
  menu_->addSeparator();
  add("autopickaccept", autopicktext::AcceptItem, &AutoPickCommand::accept, "A");
  add("autopickacceptall", autopicktext::AcceptAllItem, &AutoPickCommand::acceptAll, nullptr);
  add("autopickdrop", autopicktext::DropItem, &AutoPickCommand::drop, "D");
  add("autopickdropall", autopicktext::DropAllItem, &AutoPickCommand::dropAll, nullptr);
  display_.display().proposals = [this](std::int16_t cdp) {
    std::vector<PanelLine> lines;
    if (st_.DataFileName != file_) return lines;  // another file opened since
    for (const ProposalPick& p : proposals_.of(cdp)) {
      const std::int16_t panel = nearestPanel(st_, cdp, p.velocity);
      if (panel != 0) lines.push_back({panel, p.timeMs});
    }
    return lines;
  };
  display_.addChangeListener([this](DisplayChange what) {
    if (what == DisplayChange::CdpShown) showOnSpectrum();
  });
}

AutoPickCommand::~AutoPickCommand() {
  display_.display().proposals = nullptr;
  stop();
}

bool AutoPickCommand::panelsOpen() const {
  return !st_.DataFileName.empty() && (st_.DataType == DataVelocityScan || st_.DataType == DataCdpStacked) &&
         st_.PanelCount > 0 && st_.CdpCount > 0 && st_.CdpList.valid(st_.CurrentCdp) &&
         st_.CurrentCdp <= st_.CdpCount && st_.PickTable.valid(st_.CurrentCdp);
}

std::int16_t AutoPickCommand::shownCdp() const {
  return nearestI16(st_.CdpList[static_cast<std::size_t>(st_.CurrentCdp)]);
}

void AutoPickCommand::setAvailable(bool on) {
  for (QAction* a : items_) a->setEnabled(on);
  if (!on || st_.DataFileName != file_) {
    stop();
    proposals_.dropAll();
  }
}

void AutoPickCommand::proposeShown() {
  if (panelsOpen()) propose({shownCdp()});
}

void AutoPickCommand::proposeAll() {
  if (!panelsOpen()) return;
  std::vector<std::int16_t> cdps;
  for (std::int32_t c = 1; c <= st_.CdpCount && st_.CdpList.valid(c); ++c)
    cdps.push_back(nearestI16(st_.CdpList[static_cast<std::size_t>(c)]));
  std::sort(cdps.begin(), cdps.end());
  cdps.erase(std::unique(cdps.begin(), cdps.end()), cdps.end());
  propose(std::move(cdps));
}

void AutoPickCommand::propose(std::vector<std::int16_t> cdps) {
  const GatherCdps* gather = spectrum_.gathers().gatherFor(ui_, st_, true);
  if (!gather || gather->cdps().empty()) return;
  stop();
  // The worker keeps its own index of the gather: another gather may be
  // chosen for the panels while it runs.
  auto own = std::make_shared<GatherCdps>(*gather);
  AutoPickParams p;
  p.cdps = std::move(cdps);
  double lo = DefaultMinVelocity, hi = DefaultMaxVelocity;
  if (const auto span = panelVelocitySpan(st_, shownCdp())) {
    lo = std::max(VelocityStep, std::min(lo, VelocityStep * std::floor(span->first / VelocityStep)));
    hi = std::min(32760.0, std::max(hi, VelocityStep * std::ceil(span->second / VelocityStep)));
  }
  p.settings.velocities = velocityGrid(lo, hi, VelocityStep);
  p.settings.stretch = 0.5f;
  p.threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
  CdpTraces first;
  if (const std::string error = own->read(own->cdps().front(), first); !error.empty()) {
    ui_.message(error, BoxTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  p.settings.windowSamples = autoPickWindowSamples(first.intervalUs);

  file_ = st_.DataFileName;
  const std::uint64_t run = ++run_;
  running_ = true;
  proposedCdps_ = 0;
  cancel_ = false;
  display_.setStatusText(autopicktext::runningText(0, p.cdps.size()));
  worker_ = std::thread([this, run, own, p] {
    AutoPickHooks hooks;
    hooks.cancel = &cancel_;
    std::size_t done = 0;
    hooks.cdpPicked = [&](const CdpProposal& c) {
      ++done;
      QMetaObject::invokeMethod(
          this, [this, run, c, done, total = p.cdps.size()] { arrived(run, c, done, total); }, Qt::QueuedConnection);
    };
    const AutoPickResult r = runAutoPick(*own, p, hooks);
    QMetaObject::invokeMethod(this, [this, run, r] { finished(run, r); }, Qt::QueuedConnection);
  });
}

void AutoPickCommand::stop() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
  running_ = false;
  ++run_;  // what the ended run still has on its way is not taken
}

void AutoPickCommand::arrived(std::uint64_t run, CdpProposal proposal, std::size_t done, std::size_t total) {
  if (run != run_) return;
  std::vector<ProposalPick> picks;
  for (const ProposedPick& p : proposal.picks) picks.push_back({p.timeMs, nearestI16(p.velocity)});
  if (!picks.empty()) ++proposedCdps_;
  proposals_.set(proposal.cdp, std::move(picks));
  display_.setStatusText(autopicktext::runningText(done, total));
  if (panelsOpen() && proposal.cdp == shownCdp()) changed();
}

void AutoPickCommand::finished(std::uint64_t run, AutoPickResult result) {
  if (run != run_) return;
  if (worker_.joinable()) worker_.join();
  running_ = false;
  if (!result.error.empty()) ui_.message(result.error, BoxTitle, Buttons::Ok, Icon::Exclamation);
  if (!result.cancelled) display_.setStatusText(autopicktext::proposedText(proposals_.pickCount(), proposals_.cdpCount()));
}

void AutoPickCommand::accept() {
  if (!panelsOpen()) return;
  const int added = proposals_.accept(st_, st_.CurrentCdp);
  changed();
  if (added > 0) display_.setVelfEnabled(true);
  display_.displayChanged(DisplayChange::PickMade);
  display_.setStatusText(autopicktext::acceptedText(added));
}

void AutoPickCommand::acceptAll() {
  if (!panelsOpen()) return;
  const int added = proposals_.acceptAll(st_);
  changed();
  if (added > 0) display_.setVelfEnabled(true);
  display_.displayChanged(DisplayChange::PickMade);
  display_.setStatusText(autopicktext::acceptedText(added));
}

void AutoPickCommand::drop() {
  if (!panelsOpen()) return;
  proposals_.drop(shownCdp());
  changed();
  display_.setStatusText(autopicktext::DroppedText);
}

void AutoPickCommand::dropAll() {
  if (!panelsOpen()) return;
  proposals_.dropAll();
  changed();
  display_.setStatusText(autopicktext::DroppedText);
}

void AutoPickCommand::changed() {
  display_.display().refresh();
  showOnSpectrum();
}

void AutoPickCommand::showOnSpectrum() {
  VelocitySpectrumWindow* w = spectrum_.window();
  if (!w || !w->isVisible()) return;
  std::vector<VelocityPick> rings;
  if (panelsOpen() && st_.DataFileName == file_)
    for (const ProposalPick& p : proposals_.of(shownCdp())) rings.push_back({p.timeMs, static_cast<float>(p.velocity)});
  w->setProposals(std::move(rings));
}

}  // namespace tsly
