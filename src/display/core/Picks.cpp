#include "display/core/Picks.h"

#include "shared/Numbers.h"

namespace tsly {

int picksInUse(const CdpPicks& r) {
  int n = 0;
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (r.PickVelocity[static_cast<std::size_t>(k)] != 0) ++n;
  return n;
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
        s.MessageText = std::string(displaytext::DuplicateLine1) + CrLf +
                        numberText(r.PickVelocity[static_cast<std::size_t>(i)]) + displaytext::DuplicateAnd +
                        numberText(r.PickVelocity[static_cast<std::size_t>(j)]) + displaytext::DuplicateOnCdp +
                        numberText(cdp);
        ui.message(s.MessageText, DuplicatePicksTitle, Buttons::Ok, Icon::Information);
      }
    }
  }
  return found;
}

}  // namespace tsly
