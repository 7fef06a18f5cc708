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

// The picks "Make VELF commands" is tested with: CDPs listed 205, 101, 150 (the
// order of the file), picked out of time order; CDP 205 at 800, 200 and 500 ms.
inline AppState velfPicks() {
  AppState st;
  listCdps(st, {205, 101, 150});
  addPick(st.PickTable[1], 800.0f, 2400, 7);
  addPick(st.PickTable[1], 200.0f, 1600, 2);
  addPick(st.PickTable[1], 500.0f, 2000, 4);
  addPick(st.PickTable[2], 480.0f, 1650, 3);
  addPick(st.PickTable[2], 120.5f, 1500, 1);
  addPick(st.PickTable[3], 1000.25f, 3000, 9);
  st.LastPath = "/data/survey";
  return st;
}

}  // namespace tsly::test
