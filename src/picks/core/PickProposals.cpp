#include "picks/core/PickProposals.h"

#include <algorithm>
#include <cmath>

#include "picks/core/PickTable.h"

namespace tsly {

std::int16_t nearestPanel(const AppState& st, std::int16_t cdp, double velocity) {
  const std::int32_t panels = std::clamp<std::int32_t>(st.PanelCount, 0, static_cast<std::int32_t>(st.PanelTable.size()));
  std::int16_t best = 0;
  double bestDistance = 0;
  for (std::int32_t p = 1; p <= panels && p <= 32767; ++p) {
    const PanelEntry& e = st.PanelTable[static_cast<std::size_t>(p)];
    if (e.FirstCdp != cdp || e.Velocity == 0) continue;
    const double d = std::fabs(e.Velocity - velocity);
    const bool lowerTie = best != 0 && d == bestDistance &&
                          e.Velocity < st.PanelTable[static_cast<std::size_t>(best)].Velocity;
    if (best == 0 || d < bestDistance || lowerTie) {
      best = static_cast<std::int16_t>(p);
      bestDistance = d;
    }
  }
  return best;
}

void PickProposals::set(std::int16_t cdp, std::vector<ProposalPick> picks) {
  if (picks.empty()) {
    byCdp_.erase(cdp);
    return;
  }
  std::stable_sort(picks.begin(), picks.end(),
                   [](const ProposalPick& a, const ProposalPick& b) { return a.timeMs < b.timeMs; });
  byCdp_[cdp] = std::move(picks);
}

const std::vector<ProposalPick>& PickProposals::of(std::int16_t cdp) const {
  static const std::vector<ProposalPick> none;
  const auto it = byCdp_.find(cdp);
  return it == byCdp_.end() ? none : it->second;
}

std::size_t PickProposals::pickCount() const {
  std::size_t n = 0;
  for (const auto& [cdp, picks] : byCdp_) n += picks.size();
  return n;
}

int PickProposals::accept(AppState& st, std::int32_t record) {
  if (!st.PickTable.valid(record)) return 0;
  CdpPicks& r = st.PickTable[static_cast<std::size_t>(record)];
  const auto it = byCdp_.find(r.Cdp);
  if (it == byCdp_.end()) return 0;
  int added = 0;
  for (const ProposalPick& p : it->second) {
    int free = 0;
    bool clash = false;
    for (int k = PicksPerCdp; k >= 1; --k) {
      const auto ks = static_cast<std::size_t>(k);
      if (r.PickVelocity[ks] == 0) {
        free = k;
        continue;
      }
      clash = clash || r.PickVelocity[ks] == p.velocity || std::fabs(r.PickTime[ks] - p.timeMs) <= ClearOfPicksMs;
    }
    const std::int16_t panel = nearestPanel(st, r.Cdp, p.velocity);
    if (clash || free == 0 || panel == 0 || p.velocity == 0) continue;
    const auto fs = static_cast<std::size_t>(free);
    r.PickVelocity[fs] = p.velocity;
    r.PickTime[fs] = p.timeMs;
    r.PickPanel[fs] = panel;
    ++added;
  }
  byCdp_.erase(it);
  return added;
}

int PickProposals::acceptAll(AppState& st) {
  int added = 0;
  const int records = usableRecords(st);
  for (int r = 1; r <= records; ++r) added += accept(st, r);
  byCdp_.clear();
  return added;
}

}  // namespace tsly
