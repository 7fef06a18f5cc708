// Picks proposed by the automatic first pass, kept beside the pick table until
// the analyst accepts them (they become ordinary picks) or drops them.
//
// Rules, stated once:
//  - Proposals are kept per CDP number, each CDP's ascending in time; set()
//    replaces a CDP's proposals, an empty list drops them.
//  - accept() adds a CDP's proposals to its record of the pick table as a
//    click stores a pick (the lowest free slot) and drops them. A proposal is
//    left out where the record already holds a pick at its velocity or within
//    ClearOfPicksMs of its time (the analyst's picks stay as they are), and
//    once the record's 20 slots are taken. Its panel (PickPanel) is the panel
//    of that CDP whose velocity is nearest (the lower one of two as near); a
//    CDP without panels takes none.
//  - Nothing here draws: the window redraws after each change.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "shared/State.h"

namespace tsly {

struct ProposalPick {
  float timeMs = 0;
  std::int16_t velocity = 0;
};

inline constexpr float ClearOfPicksMs = 24.0f;

// The panel of `cdp` (PanelTable index, FirstCdp == cdp) with the velocity
// nearest `velocity`; 0 when the CDP has no panel.
std::int16_t nearestPanel(const AppState& st, std::int16_t cdp, double velocity);

class PickProposals {
 public:
  void set(std::int16_t cdp, std::vector<ProposalPick> picks);
  // The proposals of `cdp` (empty when none).
  const std::vector<ProposalPick>& of(std::int16_t cdp) const;
  bool empty() const { return byCdp_.empty(); }
  std::size_t cdpCount() const { return byCdp_.size(); }
  std::size_t pickCount() const;

  void drop(std::int16_t cdp) { byCdp_.erase(cdp); }
  void dropAll() { byCdp_.clear(); }

  // Accepts the proposals of record `record`'s CDP; returns the picks added.
  int accept(AppState& st, std::int32_t record);
  // Every CDP's, record by record; returns the picks added.
  int acceptAll(AppState& st);

 private:
  std::map<std::int16_t, std::vector<ProposalPick>> byCdp_;
};

}  // namespace tsly
