#include "jobs/core/VelfDeck.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "shared/Numbers.h"

namespace tsly::velf {

std::string R(float x) { return numberText(x); }
std::string I(int x) { return numberText(x); }

int pickCount(const CdpPicks& rec) {
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
  const int n = pickCount(rec);
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

std::string inpfLine(const std::string& dataFile) { return InpfKeyword + dataFile; }

std::string nmotLine(float stretch, std::int16_t recordingDelay) {
  return NmotKeyword + R(stretch) + I(recordingDelay);
}

std::string velfLine(const CdpPicks& rec) {
  std::string line = VelfKeyword + I(rec.Cdp);
  for (int k = 1; k <= PicksPerCdp; ++k) {
    if (rec.PickVelocity[k] == 0) continue;
    line += R(rec.PickTime[k]);
    line += I(rec.PickVelocity[k]);
  }
  return line;
}

std::string outfLine(const std::string& outputFile) { return OutfKeyword + outputFile; }

float readStretch(const std::string& answer) { return static_cast<float>(readNumber(answer)); }

bool stretchAccepted(float stretch) { return stretch >= StretchMin && stretch <= StretchMax; }

int usableRecords(const AppState& state) {
  return std::clamp(static_cast<int>(state.CdpCount), 0, static_cast<int>(state.PickTable.size()));
}

}  // namespace tsly::velf
