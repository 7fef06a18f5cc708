#include "field/core/VelocityField.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace tsly::field {

std::vector<CdpVelocityFunction> functionsOf(const std::vector<picks::PickRow>& rows) {
  std::map<int, std::vector<VelocityPick>> byCdp;
  for (const picks::PickRow& r : rows)
    if (r.velocity > 0) byCdp[r.cdp].push_back({r.timeMs, static_cast<float>(r.velocity)});
  std::vector<CdpVelocityFunction> out;
  for (auto& [cdp, picks] : byCdp) {
    std::stable_sort(picks.begin(), picks.end(),
                     [](const VelocityPick& a, const VelocityPick& b) { return a.timeMs < b.timeMs; });
    out.push_back({static_cast<std::int16_t>(cdp), std::move(picks)});
  }
  return out;
}

double rmsAt(const std::vector<CdpVelocityFunction>& functions, int cdp, double timeMs) {
  const std::vector<float> v = velocitiesForCdp(functions, cdp, timeMs, 1.0, 1);
  return v.empty() ? 0.0 : v[0];
}

namespace {

// The pick times of the one or two functions `cdp`'s function comes from,
// each once, ascending.
std::vector<double> layerTimes(const std::vector<CdpVelocityFunction>& functions, int cdp) {
  std::vector<double> t;
  auto above = std::lower_bound(functions.begin(), functions.end(), cdp,
                                [](const CdpVelocityFunction& f, int c) { return f.cdp < c; });
  auto take = [&t](const CdpVelocityFunction& f) {
    for (const VelocityPick& p : f.picks) t.push_back(p.timeMs);
  };
  if (above == functions.end())
    take(functions.back());
  else if (above->cdp == cdp || above == functions.begin())
    take(*above);
  else {
    take(*above);
    take(*(above - 1));
  }
  std::sort(t.begin(), t.end());
  t.erase(std::unique(t.begin(), t.end()), t.end());
  // Layers start at 0: a time before it (a negative pick) makes none.
  t.erase(std::remove_if(t.begin(), t.end(), [](double x) { return !(x >= 0); }), t.end());
  return t;
}

}  // namespace

std::vector<Layer> layersOf(const std::vector<CdpVelocityFunction>& functions, int cdp) {
  std::vector<Layer> layers;
  if (functions.empty()) return layers;
  const std::vector<double> times = layerTimes(functions, cdp);
  double top = 0.0, vTop = 0.0;
  double lastInterval = std::numeric_limits<double>::quiet_NaN();
  for (std::size_t k = 0; k < times.size(); ++k) {
    const double bottom = times[k];
    const double vBottom = rmsAt(functions, cdp, bottom);
    if (!(bottom > top)) {  // a pick at 0 ms: no layer above it
      vTop = vBottom;
      continue;
    }
    Layer L;
    L.topMs = top;
    L.bottomMs = bottom;
    L.rmsTop = k == 0 ? vBottom : vTop;
    L.rmsBottom = vBottom;
    const double sq = (vBottom * vBottom * bottom - L.rmsTop * L.rmsTop * top) / (bottom - top);
    if (sq < 0) {
      L.flags |= Undefined;
    } else {
      L.hasInterval = true;
      L.interval = std::sqrt(sq);
      if (L.interval < lastInterval - FallingTolerance) L.flags |= Falling;
      lastInterval = L.interval;
    }
    layers.push_back(L);
    top = bottom;
    vTop = vBottom;
  }
  return layers;
}

double shownLengthMs(const std::vector<CdpVelocityFunction>& functions) {
  double latest = 0;
  for (const CdpVelocityFunction& f : functions)
    for (const VelocityPick& p : f.picks)
      if (std::isfinite(p.timeMs)) latest = std::max(latest, static_cast<double>(p.timeMs));
  return std::max(100.0, std::ceil(latest * 1.1 / 100.0) * 100.0);
}

std::vector<int> flaggedCdps(const std::vector<CdpVelocityFunction>& functions, int first, int last) {
  std::vector<int> out;
  for (const CdpVelocityFunction& f : functions) {
    if (f.cdp < first || f.cdp > last) continue;
    for (const Layer& L : layersOf(functions, f.cdp))
      if (L.flags != NoFlag) {
        out.push_back(f.cdp);
        break;
      }
  }
  return out;
}

int cdpOfColumn(int x, int first, int last, int columns) {
  const long long span = static_cast<long long>(last) - first + 1;
  if (columns <= 0 || span <= 0) return first;
  return static_cast<int>(first + static_cast<long long>(x) * span / columns);
}

int columnOfCdp(int cdp, int first, int last, int columns) {
  if (cdp < first || cdp > last || columns <= 0) return -1;
  const long long span = static_cast<long long>(last) - first + 1;
  // The least x with first + floor(x * span / columns) >= cdp.
  const long long x = ((static_cast<long long>(cdp) - first) * columns + span - 1) / span;
  return static_cast<int>(std::min<long long>(x, columns - 1));
}

Grid sampleField(const std::vector<CdpVelocityFunction>& functions, int firstCdp, int lastCdp, int columns, int rows,
                 double msPerRow, bool interval) {
  Grid g;
  g.firstCdp = firstCdp;
  g.lastCdp = lastCdp;
  g.msPerRow = msPerRow;
  g.interval = interval;
  if (functions.empty() || columns <= 0 || rows <= 0 || lastCdp < firstCdp || !(msPerRow > 0)) return g;
  g.columns = columns;
  g.rows = rows;
  const std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
  g.values.assign(cells, std::numeric_limits<float>::quiet_NaN());
  g.flags.assign(cells, NoFlag);
  std::vector<float> column(static_cast<std::size_t>(rows));
  std::vector<unsigned char> flags(static_cast<std::size_t>(rows));
  int cdpDone = 0;
  bool any = false;
  float lo = 0, hi = 0;
  for (int x = 0; x < columns; ++x) {
    const int cdp = cdpOfColumn(x, firstCdp, lastCdp, columns);
    if (x == 0 || cdp != cdpDone) {
      cdpDone = cdp;
      const std::vector<Layer> layers = layersOf(functions, cdp);
      const std::vector<float> rms = velocitiesForCdp(functions, cdp, 0.0, msPerRow, rows);
      std::size_t k = 0;
      for (int r = 0; r < rows; ++r) {
        const double t = r * msPerRow;
        while (k < layers.size() && !(t < layers[k].bottomMs)) ++k;
        const Layer* layer = k < layers.size() ? &layers[k] : nullptr;
        flags[static_cast<std::size_t>(r)] = static_cast<unsigned char>(layer ? layer->flags : NoFlag);
        if (!interval)
          column[static_cast<std::size_t>(r)] = rms[static_cast<std::size_t>(r)];
        else
          column[static_cast<std::size_t>(r)] = layer && layer->hasInterval ? static_cast<float>(layer->interval)
                                                                            : std::numeric_limits<float>::quiet_NaN();
      }
    }
    for (int r = 0; r < rows; ++r) {
      const std::size_t i = static_cast<std::size_t>(r) * columns + x;
      const float v = column[static_cast<std::size_t>(r)];
      g.values[i] = v;
      g.flags[i] = flags[static_cast<std::size_t>(r)];
      if (std::isfinite(v)) {
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
      }
    }
  }
  g.lo = lo;
  g.hi = hi;
  return g;
}

}  // namespace tsly::field
