#include "shared/WindowPlacement.h"

#include <algorithm>
#include <utility>

namespace tsly {

namespace {

// The largest rectangle of at most `wanted` with its top-left at (x, y) inside
// the screen and clear of `obstacles`; empty when (x, y) lies inside one.
PlaceRect fitAt(const PlacementRequest& r, const std::vector<PlaceRect>& obstacles, int x, int y) {
  PlaceRect f{x, y, std::min(r.wanted.width, r.screen.right() - x), std::min(r.wanted.height, r.screen.bottom() - y)};
  for (bool cut = true; cut && f.width > 0 && f.height > 0;) {
    cut = false;
    for (const PlaceRect& o : obstacles) {
      if (!f.intersects(o)) continue;
      if (o.x <= x && o.y <= y) return {x, y, 0, 0};
      // End the window at the obstacle's left or its top, whichever keeps more.
      const int w = o.x > x ? o.x - x : 0, h = o.y > y ? o.y - y : 0;
      if (static_cast<long long>(w) * f.height >= static_cast<long long>(f.width) * h)
        f.width = w;
      else
        f.height = h;
      cut = true;
      break;
    }
  }
  return f;
}

}  // namespace

PlaceRect placeBeside(const PlacementRequest& r) {
  std::vector<PlaceRect> obstacles = r.taken;
  obstacles.push_back(r.main);
  std::vector<std::pair<int, int>> corners = {{r.main.right(), r.main.y}, {r.main.x, r.main.bottom()}};
  std::vector<int> xs = {r.screen.x, r.main.x, r.main.right()}, ys = {r.screen.y, r.main.y, r.main.bottom()};
  for (const PlaceRect& t : r.taken) {
    xs.push_back(t.right());
    ys.push_back(t.bottom());
  }
  for (int x : xs)
    for (int y : ys) corners.emplace_back(x, y);

  PlaceRect best;
  bool bestFits = false;
  long long bestArea = -1;
  for (const auto& [x, y] : corners) {
    if (x < r.screen.x || y < r.screen.y || x >= r.screen.right() || y >= r.screen.bottom()) continue;
    const PlaceRect f = fitAt(r, obstacles, x, y);
    if (f.width <= 0 || f.height <= 0) continue;
    const bool fits = f.width >= r.least.width && f.height >= r.least.height;
    const long long area = static_cast<long long>(f.width) * f.height;
    if ((fits && !bestFits) || (fits == bestFits && area > bestArea)) {
      best = f;
      bestFits = fits;
      bestArea = area;
    }
  }
  if (bestFits) return best;

  // No room: a corner of the screen below the main window's controls, the one
  // that covers least of the windows placed (bottom-right first).
  const int top = std::clamp(r.controlsBottom, r.screen.y, r.screen.bottom());
  const int w = std::min(r.wanted.width, r.screen.width), h = std::min(r.wanted.height, r.screen.bottom() - top);
  const int right = r.screen.right() - w, bottom = std::max(top, r.screen.bottom() - h);
  PlaceRect corner;
  long long least = -1;
  for (const auto& [x, y] : {std::pair{right, bottom}, {right, top}, {r.screen.x, bottom}, {r.screen.x, top}}) {
    const PlaceRect c{x, y, w, h};
    long long covered = 0;
    for (const PlaceRect& t : r.taken) {
      const long long cw = std::min(c.right(), t.right()) - std::max(c.x, t.x);
      const long long ch = std::min(c.bottom(), t.bottom()) - std::max(c.y, t.y);
      if (cw > 0 && ch > 0) covered += cw * ch;
    }
    if (least < 0 || covered < least) {
      corner = c;
      least = covered;
    }
  }
  return corner;
}

}  // namespace tsly
