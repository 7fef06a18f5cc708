// Pick tables for tests: list CDPs as a file would, and put picks into slots.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "shared/State.h"

namespace tsly::test {

// Stores a pick in the lowest free slot of the record (nothing when all are taken).
inline void addPick(CdpPicks& rec, float time, std::int16_t velocity, std::int16_t panel) {
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (rec.PickVelocity[k] == 0) {
      rec.PickTime[k] = time;
      rec.PickVelocity[k] = velocity;
      rec.PickPanel[k] = panel;
      return;
    }
}

// CdpList and an empty PickTable for the CDPs, in the order given.
inline void listCdps(AppState& st, std::initializer_list<int> cdps) {
  const int n = static_cast<int>(cdps.size());
  st.CdpCount = n;
  st.CdpList.recreate(static_cast<std::size_t>(n));
  st.PickTable.recreate(static_cast<std::size_t>(n));
  int c = 1;
  for (int cdp : cdps) {
    st.CdpList[c] = static_cast<float>(cdp);
    st.PickTable[c].Cdp = static_cast<std::int16_t>(cdp);
    ++c;
  }
}

}  // namespace tsly::test
