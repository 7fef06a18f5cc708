#include "display/core/PanelVelocityAxis.h"

#include <algorithm>
#include <vector>

#include "shared/Numbers.h"

namespace tsly {

namespace {

struct Placed {
  double velocity, left, right;
};

// The panels on screen by velocity, one per velocity.
std::vector<Placed> panelsOnScreen(const AppState& s) {
  std::vector<Placed> out;
  const std::int32_t n = std::clamp<std::int32_t>(s.PanelCount, 0, static_cast<std::int32_t>(s.PanelTable.size()));
  for (std::int32_t i = 1; i <= n; ++i) {
    const PanelEntry& e = s.PanelTable[static_cast<std::size_t>(i)];
    if (e.Left == 0 || e.Velocity <= 0) continue;  // off screen, or no velocity to place by
    if (std::any_of(out.begin(), out.end(), [&](const Placed& p) { return p.velocity == e.Velocity; })) continue;
    out.push_back({static_cast<double>(e.Velocity), static_cast<double>(e.Left), static_cast<double>(e.Right)});
  }
  std::stable_sort(out.begin(), out.end(), [](const Placed& a, const Placed& b) { return a.velocity < b.velocity; });
  return out;
}

// The place of `v` as a panel's: between two panels, their fraction of the way.
std::optional<Placed> placeOf(const AppState& s, double v) {
  const std::vector<Placed> panels = panelsOnScreen(s);
  if (panels.empty()) return std::nullopt;
  if (v <= panels.front().velocity) return panels.front();
  if (v >= panels.back().velocity) return panels.back();
  const auto above = std::upper_bound(panels.begin(), panels.end(), v,
                                      [](double x, const Placed& p) { return x < p.velocity; });
  const Placed& a = *(above - 1);
  const Placed& b = *above;
  const double f = (v - a.velocity) / (b.velocity - a.velocity);
  return Placed{v, a.left + f * (b.left - a.left), a.right + f * (b.right - a.right)};
}

}  // namespace

std::optional<PanelSpan> pickSpan(const AppState& s, double velocity) {
  const std::optional<Placed> p = placeOf(s, velocity);
  if (!p) return std::nullopt;
  return PanelSpan{nearestI32(p->left), nearestI32(p->right)};
}

std::optional<double> panelVelocityX(const AppState& s, double velocity) {
  const std::optional<Placed> p = placeOf(s, velocity);
  if (!p) return std::nullopt;
  return (p->left + p->right) / 2.0;
}

}  // namespace tsly
