#include "picks/core/PickTable.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "shared/Numbers.h"

namespace tsly {

int picksInUse(const CdpPicks& rec) {
  int n = 0;
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (rec.PickVelocity[k] != 0) ++n;
  return n;
}

namespace {

void swapSlots(CdpPicks& rec, int a, int b) {
  std::swap(rec.PickPanel[a], rec.PickPanel[b]);
  std::swap(rec.PickTime[a], rec.PickTime[b]);
  std::swap(rec.PickVelocity[a], rec.PickVelocity[b]);
}

}  // namespace

int orderPicksByTime(CdpPicks& rec) {
  const int n = picksInUse(rec);
  // Close up any gap so that slots 1..n hold every pick (the picking code never
  // leaves one, but a pick beyond a gap must not escape the ordering).
  int to = 1;
  for (int k = 1; k <= PicksPerCdp; ++k) {
    if (rec.PickVelocity[k] == 0) continue;
    if (k != to) swapSlots(rec, to, k);
    ++to;
  }
  for (int i = 1; i <= n - 1; ++i)
    for (int j = i; j <= n; ++j)
      if (rec.PickTime[j] < rec.PickTime[i]) swapSlots(rec, i, j);
  return n;
}

std::vector<int> recordsInCdpOrder(const Array1<CdpPicks>& table, int count) {
  count = std::clamp(count, 0, static_cast<int>(table.size()));
  std::vector<int> order(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return table[a].Cdp < table[b].Cdp; });
  return order;
}

int usableRecords(const AppState& state) {
  return std::clamp(static_cast<int>(state.CdpCount), 0, static_cast<int>(state.PickTable.size()));
}

bool checkduppicks(AppState& s, Ui& ui, std::int32_t c) {
  if (!s.PickTable.valid(c)) return false;
  const CdpPicks& r = s.PickTable[static_cast<std::size_t>(c)];
  const int n = picksInUse(r);
  if (n == 0) return false;
  const float cdp = s.CdpList.valid(c) ? s.CdpList[static_cast<std::size_t>(c)] : static_cast<float>(r.Cdp);
  bool found = false;
  for (int i = 1; i <= n - 1; ++i) {
    for (int j = i + 1; j <= n; ++j) {
      if (r.PickTime[static_cast<std::size_t>(i)] == r.PickTime[static_cast<std::size_t>(j)]) {
        found = true;
        s.MessageText = std::string(pickstext::DuplicateLine1) + CrLf +
                        numberText(r.PickVelocity[static_cast<std::size_t>(i)]) + pickstext::DuplicateAnd +
                        numberText(r.PickVelocity[static_cast<std::size_t>(j)]) + pickstext::DuplicateOnCdp +
                        numberText(cdp);
        ui.message(s.MessageText, DuplicatePicksTitle, Buttons::Ok, Icon::Information);
      }
    }
  }
  return found;
}

}  // namespace tsly
