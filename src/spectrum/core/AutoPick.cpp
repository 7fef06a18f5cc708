#include "spectrum/core/AutoPick.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "shared/Numbers.h"
#include "shared/State.h"

namespace tsly {

using namespace autopick;

std::int32_t autoPickWindowSamples(std::int32_t intervalUs) {
  if (intervalUs <= 0) return 1;
  return static_cast<std::int32_t>(std::max(1.0, std::round(WindowMs * 1000.0 / intervalUs)));
}

namespace {

bool sameAxis(const Spectrum& a, const Spectrum& b) {
  return a.intervalUs == b.intervalUs && a.firstMs == b.firstMs && a.velocities.size() == b.velocities.size();
}

// Averaging: the centre's spectrum averaged with its neighbours.
Spectrum lineAverage(const std::vector<const Spectrum*>& line, std::size_t centre) {
  const Spectrum& c = *line[centre];
  Spectrum avg;
  avg.cdp = c.cdp;
  avg.samples = c.samples;
  avg.intervalUs = c.intervalUs;
  avg.firstMs = c.firstMs;
  avg.velocities = c.velocities;
  const std::size_t cols = c.velocities.size();
  avg.values.assign(static_cast<std::size_t>(c.samples) * cols, 0.0f);
  for (std::int32_t i = 0; i < c.samples; ++i) {
    float* out = avg.values.data() + static_cast<std::size_t>(i) * cols;
    float weights = 0;
    for (int d = -LineHalfWidth; d <= LineHalfWidth; ++d) {
      const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(centre) + d;
      if (n < 0 || n >= static_cast<std::ptrdiff_t>(line.size())) continue;
      const Spectrum* s = line[static_cast<std::size_t>(n)];
      if (!s || !sameAxis(*s, c) || i >= s->samples) continue;
      const float w = static_cast<float>(LineHalfWidth + 1 - std::abs(d));
      const float* row = s->values.data() + static_cast<std::size_t>(i) * cols;
      for (std::size_t k = 0; k < cols; ++k) out[k] += w * row[k];
      weights += w;
    }
    const float scale = 1.0f / weights;
    for (std::size_t k = 0; k < cols; ++k) out[k] *= scale;
  }
  return avg;
}

// Traces the stretch mute leaves live at time t0 (ms) and velocity v, within
// the traces' length.
int liveTraces(const std::vector<float>& offsets, double t0Ms, double v, float stretch, double lastMs) {
  if (!(t0Ms > 0) || !(v > 0)) return 0;
  const double t0 = t0Ms / 1000.0;
  int live = 0;
  for (float x : offsets) {
    const double t = std::sqrt(t0 * t0 + static_cast<double>(x) * x / (v * v));
    if ((t - t0) / t0 <= stretch && t * 1000.0 <= lastMs) ++live;
  }
  return live;
}

// The vertex of the parabola through (-1, a), (0, b), (1, c), within half a step.
double vertex(double a, double b, double c) {
  const double den = a - 2 * b + c;
  if (!(den < 0)) return 0;
  return std::clamp(0.5 * (a - c) / den, -0.5, 0.5);
}

// The power of the stack of `t` moved out at velocity v (linear interpolation,
// the stretch mute), (sum a)^2 / M, added with weight w into out[j] for the
// times timeMs(first + j) of `axis`.
void addStackPower(const CdpTraces& t, const Spectrum& axis, double v, float stretch, std::int32_t first, double w,
                   std::vector<double>& out) {
  const double perMs = 1000.0 / t.intervalUs;
  if (!(perMs > 0) || !(v > 0)) return;
  const double slowness2 = 1e6 / (v * v);  // ms^2 per m^2
  const double widest = 1.0 + stretch;
  for (std::size_t j = 0; j < out.size(); ++j) {
    const double t0 = axis.timeMs(first + static_cast<std::int32_t>(j));
    if (!(t0 > 0)) continue;
    const double latest = widest * t0;
    double sum = 0;
    int live = 0;
    for (std::size_t k = 0; k < t.traceCount(); ++k) {
      const double x = t.offsets[k];
      const double tx = std::sqrt(t0 * t0 + x * x * slowness2);
      if (tx > latest) continue;  // beyond the stretch mute
      const double pos = (tx - t.delayMs) * perMs;
      const double i0 = std::floor(pos);
      if (!(i0 >= 0) || i0 + 1 >= t.counts[k]) continue;
      const float* a = t.trace(k);
      const auto i = static_cast<std::size_t>(i0);
      sum += a[i] + (pos - i0) * (a[i + 1] - a[i]);
      ++live;
    }
    if (live > 0) out[j] += w * sum * sum / live;
  }
}

bool intervalAllowed(const ProposedPick& upper, const ProposedPick& lower) {
  const double dt = static_cast<double>(lower.timeMs) - upper.timeMs;
  if (dt < MinGapMs) return false;
  const double v1 = upper.velocity, v2 = lower.velocity;
  const double vint2 = (v2 * v2 * lower.timeMs - v1 * v1 * upper.timeMs) / dt;
  const double lo = (1.0 - InversionLimit) * v1, hi = MaxIntervalRatio * v1;
  return vint2 >= lo * lo && vint2 <= hi * hi;
}

}  // namespace

std::vector<ProposedPick> pickCdp(const std::vector<LineCdp>& line, std::size_t centre, float stretch) {
  if (centre >= line.size() || !line[centre].spectrum || !line[centre].traces) return {};
  std::vector<const Spectrum*> spectra;
  for (const LineCdp& c : line) spectra.push_back(c.spectrum);
  const Spectrum avg = lineAverage(spectra, centre);
  const CdpTraces& traces = *line[centre].traces;
  const std::int32_t cols = static_cast<std::int32_t>(avg.velocities.size());
  if (cols < 3 || avg.samples < 1) return {};
  const double lastMs = avg.timeMs(avg.samples - 1);
  const double dtMs = avg.intervalUs / 1000.0;
  const std::int32_t reach = std::max(1, static_cast<std::int32_t>(std::lround(RefineMs / dtMs)));
  const auto S = [&](std::int32_t i, std::int32_t k) { return static_cast<double>(avg.at(i, static_cast<std::size_t>(k))); };

  struct Candidate {
    ProposedPick pick;
    std::int32_t row;
    std::int32_t col;
  };
  std::vector<Candidate> cands;
  std::vector<double> power;
  for (const SpectrumPeak& p : spectrumPeaks(avg, PickThreshold)) {
    std::int32_t col = static_cast<std::int32_t>(p.column);
    if (col == 0 || col + 1 == cols) continue;
    // Moving onto the reflection: the time where the stack at the peak's velocity (of the CDP and
    // its neighbours, weighted as the spectra) is strongest, near the peak.
    const std::int32_t first = std::max(0, p.sample - reach);
    const std::int32_t last = std::min(avg.samples - 1, p.sample + reach);
    power.assign(static_cast<std::size_t>(last - first + 1), 0.0);
    for (std::size_t n = 0; n < line.size(); ++n) {
      const int d = static_cast<int>(n) - static_cast<int>(centre);
      if (std::abs(d) > LineHalfWidth || !line[n].traces || !line[n].spectrum || !sameAxis(*line[n].spectrum, avg)) continue;
      addStackPower(*line[n].traces, avg, p.velocity, stretch, first, LineHalfWidth + 1 - std::abs(d), power);
    }
    std::int32_t row = p.sample;
    double strongest = -1;
    for (std::int32_t j = first; j <= last; ++j)
      if (power[static_cast<std::size_t>(j - first)] > strongest) {
        strongest = power[static_cast<std::size_t>(j - first)];
        row = j;
      }
    // Strongest at an end of the search: no reflection at this velocity here.
    if (row == first || row == last) continue;
    // The best velocity at that time, near the peak's.
    const std::int32_t c0 = std::max(1, col - VelocityReach), c1 = std::min(cols - 2, col + VelocityReach);
    col = c0;
    for (std::int32_t k = c0 + 1; k <= c1; ++k)
      if (S(row, k) > S(row, col)) col = k;
    const double s = S(row, col);
    const int fold = liveTraces(traces.offsets, avg.timeMs(row), avg.velocities[static_cast<std::size_t>(col)], stretch,
                                lastMs);
    if (s < PickThreshold || fold < MinFold || s < FoldFactor / fold) continue;
    // Refined between rows by the stack power, between columns by the semblance.
    double dRow = 0;
    if (row > first && row < last) {
      const auto P = [&](std::int32_t j) { return power[static_cast<std::size_t>(j - first)]; };
      dRow = vertex(P(row - 1), P(row), P(row + 1));
    }
    const double dCol = vertex(S(row, col - 1), s, S(row, col + 1));
    const double v0 = avg.velocities[static_cast<std::size_t>(col)];
    const double step = dCol > 0 ? avg.velocities[static_cast<std::size_t>(col) + 1] - v0
                                 : v0 - avg.velocities[static_cast<std::size_t>(col) - 1];
    ProposedPick pick{static_cast<float>(avg.timeMs(row) + dRow * dtMs), static_cast<float>(v0 + dCol * step),
                      static_cast<float>(s)};
    cands.push_back({pick, row, col});
  }
  // Peaks that lead to the same point are one candidate.
  std::sort(cands.begin(), cands.end(), [](const Candidate& a, const Candidate& b) {
    return a.row != b.row ? a.row < b.row : a.col < b.col;
  });
  cands.erase(std::unique(cands.begin(), cands.end(),
                          [](const Candidate& a, const Candidate& b) { return a.row == b.row && a.col == b.col; }),
              cands.end());

  // The path: the heaviest path through the candidates in time order.
  const std::size_t n = cands.size();
  std::vector<double> best(n);
  std::vector<std::ptrdiff_t> prev(n, -1);
  std::ptrdiff_t end = -1;
  for (std::size_t i = 0; i < n; ++i) {
    best[i] = cands[i].pick.semblance;
    for (std::size_t j = 0; j < i; ++j) {
      if (!intervalAllowed(cands[j].pick, cands[i].pick)) continue;
      const double through = best[j] + cands[i].pick.semblance;
      if (through > best[i]) {
        best[i] = through;
        prev[i] = static_cast<std::ptrdiff_t>(j);
      }
    }
    if (end < 0 || best[i] > best[static_cast<std::size_t>(end)]) end = static_cast<std::ptrdiff_t>(i);
  }
  std::vector<ProposedPick> picks;
  for (std::ptrdiff_t i = end; i >= 0; i = prev[static_cast<std::size_t>(i)])
    picks.push_back(cands[static_cast<std::size_t>(i)].pick);
  std::reverse(picks.begin(), picks.end());

  // One pick per whole velocity (as the pick table holds them): of two, the
  // weaker is left out.
  for (bool again = true; again;) {
    again = false;
    for (std::size_t i = 0; i + 1 < picks.size() && !again; ++i)
      for (std::size_t j = i + 1; j < picks.size() && !again; ++j)
        if (nearest(picks[i].velocity) == nearest(picks[j].velocity)) {
          picks.erase(picks.begin() + static_cast<std::ptrdiff_t>(picks[j].semblance > picks[i].semblance ? i : j));
          again = true;
        }
  }
  // At most PicksPerCdp: the weakest left out.
  if (picks.size() > static_cast<std::size_t>(PicksPerCdp)) {
    std::vector<std::size_t> order(picks.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return picks[a].semblance > picks[b].semblance; });
    order.resize(static_cast<std::size_t>(PicksPerCdp));
    std::sort(order.begin(), order.end());
    std::vector<ProposedPick> kept;
    for (std::size_t i : order) kept.push_back(picks[i]);
    picks = std::move(kept);
  }
  return picks;
}

namespace {

// One computed CDP: its spectrum and its traces, or why it has none.
struct Computed {
  Spectrum spectrum;
  CdpTraces traces;
  std::string error;
  bool cancelled = false;
};

}  // namespace

AutoPickResult runAutoPick(const GatherCdps& gather, const AutoPickParams& p, const AutoPickHooks& hooks) {
  AutoPickResult result;
  const std::vector<std::int16_t>& line = gather.cdps();
  // Line positions of the CDPs to pick, and of every CDP whose spectrum they need.
  std::vector<std::size_t> wanted;
  for (std::int16_t cdp : p.cdps) {
    const auto it = std::lower_bound(line.begin(), line.end(), cdp);
    if (it == line.end() || *it != cdp) {
      result.error = "CDP " + std::to_string(cdp) + " is not in " + gather.path();
      return result;
    }
    wanted.push_back(static_cast<std::size_t>(it - line.begin()));
  }
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  std::vector<std::size_t> needed;
  for (std::size_t w : wanted) {
    const std::size_t first = w >= static_cast<std::size_t>(LineHalfWidth) ? w - LineHalfWidth : 0;
    const std::size_t last = std::min(line.size() - 1, w + LineHalfWidth);
    for (std::size_t n = std::max(first, needed.empty() ? 0 : needed.back() + 1); n <= last; ++n) needed.push_back(n);
  }

  const int threads = std::max(1, p.threads);
  // How far beyond the CDP being picked the threads may compute.
  const std::size_t ahead = static_cast<std::size_t>(LineHalfWidth) + 2 * static_cast<std::size_t>(threads);
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::size_t, std::shared_ptr<const Computed>> done;  // by line position
  std::size_t nextJob = 0;
  std::size_t picking = wanted.empty() ? 0 : wanted.front();
  bool stop = false;

  auto work = [&] {
    SemblanceSettings settings = p.settings;
    settings.workers = 1;
    SemblanceEngine engine(settings);
    for (;;) {
      std::size_t n = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || nextJob >= needed.size() || needed[nextJob] <= picking + ahead; });
        if (stop || nextJob >= needed.size()) return;
        n = needed[nextJob++];
      }
      auto c = std::make_shared<Computed>();
      c->error = gather.read(line[n], c->traces);
      if (c->error.empty()) c->error = spectrumSizeProblem(c->traces, settings.velocities.size());
      if (c->error.empty()) c->cancelled = !engine.compute(c->traces, c->spectrum, hooks.cancel);
      std::lock_guard<std::mutex> lock(mutex);
      if (!c->error.empty() || c->cancelled) stop = true;
      done[n] = std::move(c);
      changed.notify_all();
    }
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) pool.emplace_back(work);

  for (std::size_t w : wanted) {
    const std::size_t first = w >= static_cast<std::size_t>(LineHalfWidth) ? w - LineHalfWidth : 0;
    const std::size_t last = std::min(line.size() - 1, w + LineHalfWidth);
    std::vector<std::shared_ptr<const Computed>> around;
    {
      std::unique_lock<std::mutex> lock(mutex);
      picking = w;
      changed.notify_all();
      // Every CDP around w, or a fault among them: those before a fault were
      // computed, so the fault reported is the first in line order.
      std::size_t missing = first;
      changed.wait(lock, [&] {
        for (; missing <= last; ++missing) {
          const auto it = done.find(missing);
          if (it == done.end()) return false;
          if (!it->second->error.empty() || it->second->cancelled) return true;
        }
        return true;
      });
      for (std::size_t n = first; n <= last; ++n) {
        const auto it = done.find(n);
        if (it == done.end()) break;
        if (!it->second->error.empty() || it->second->cancelled) {
          result.error = it->second->error;
          result.cancelled = it->second->cancelled;
          break;
        }
        around.push_back(it->second);
      }
      if (!result.ok() || (hooks.cancel && hooks.cancel->load())) {
        if (result.error.empty()) result.cancelled = true;
        stop = true;
        changed.notify_all();
        break;
      }
      // Spectra no later CDP needs are let go.
      done.erase(done.begin(), done.lower_bound(first));
    }
    std::vector<LineCdp> cdps;
    for (const auto& c : around) cdps.push_back({&c->spectrum, &c->traces});
    CdpProposal proposal;
    proposal.cdp = line[w];
    proposal.picks = pickCdp(cdps, w - first, p.settings.stretch);
    if (hooks.cdpPicked) hooks.cdpPicked(proposal);
    ++result.cdpsDone;
    if (hooks.progress) hooks.progress(result.cdpsDone, wanted.size());
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
    changed.notify_all();
  }
  for (std::thread& t : pool) t.join();
  return result;
}

}  // namespace tsly
