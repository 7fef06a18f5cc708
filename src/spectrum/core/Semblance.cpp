#include "spectrum/core/Semblance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

namespace tsly {

namespace {

constexpr std::size_t VelocitiesPerBlock = 4;

}  // namespace

std::string spectrumSizeProblem(const CdpTraces& cdp, std::size_t velocities) {
  const std::size_t values = static_cast<std::size_t>(std::max(cdp.samples, 0)) * velocities;
  if (values <= MaxSpectrumValues) return {};
  return "CDP " + std::to_string(cdp.cdp) + ": " + std::to_string(cdp.samples) + " samples x " +
         std::to_string(velocities) + " velocities make " + std::to_string(values) +
         " spectrum values; at most " + std::to_string(MaxSpectrumValues);
}

std::vector<float> velocityGrid(double vmin, double vmax, double dv) {
  std::vector<float> v;
  if (!(dv > 0.0) || !(vmax >= vmin) || !std::isfinite(vmin) || !std::isfinite(vmax)) return v;
  const double steps = std::floor((vmax - vmin) / dv + 1e-6);
  for (double k = 0; k <= steps; k += 1.0) v.push_back(static_cast<float>(vmin + k * dv));
  return v;
}

std::vector<SpectrumPeak> spectrumPeaks(const Spectrum& s, float threshold) {
  std::vector<SpectrumPeak> peaks;
  const std::int32_t rows = s.samples;
  const std::int32_t cols = static_cast<std::int32_t>(s.velocities.size());
  for (std::int32_t i = 0; i < rows; ++i) {
    const float* row = s.values.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(cols);
    for (std::int32_t k = 0; k < cols; ++k) {
      if (!(row[k] > threshold)) continue;  // nearly every value: nothing more to look at
      const float v = row[k];
      bool peak = true;
      for (std::int32_t di = -1; di <= 1 && peak; ++di) {
        for (std::int32_t dk = -1; dk <= 1 && peak; ++dk) {
          if (di == 0 && dk == 0) continue;
          const std::int32_t ii = i + di, kk = k + dk;
          if (ii < 0 || ii >= rows || kk < 0 || kk >= cols) continue;
          const float w = s.at(ii, static_cast<std::size_t>(kk));
          const bool before = di < 0 || (di == 0 && dk < 0);
          peak = before ? v > w : v >= w;
        }
      }
      if (peak)
        peaks.push_back({i, static_cast<std::size_t>(k), s.timeMs(i), s.velocities[static_cast<std::size_t>(k)], v});
    }
  }
  std::stable_sort(peaks.begin(), peaks.end(),
                   [](const SpectrumPeak& a, const SpectrumPeak& b) { return a.semblance > b.semblance; });
  return peaks;
}

struct SemblanceEngine::Tables {
  std::vector<MoveoutTable> perVelocity;
  std::vector<char> built;
};

std::size_t SemblanceEngine::KeyHash::operator()(const Key& k) const {
  std::uint64_t h = k.offsetBits;
  h = h * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint32_t>(k.count);
  h = h * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint32_t>(k.intervalUs);
  h = h * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint32_t>(k.delayMs);
  return static_cast<std::size_t>(h ^ (h >> 29));
}

SemblanceSettings SemblanceEngine::normalised(SemblanceSettings s) {
  if (s.windowSamples < 1) s.windowSamples = 1;
  s.windowSamples = 2 * (s.windowSamples / 2) + 1;
  if (s.workers < 1) s.workers = 1;
  return s;
}

SemblanceEngine::SemblanceEngine(SemblanceSettings settings) : settings_(normalised(std::move(settings))) {
  half_ = settings_.windowSamples / 2;
}

SemblanceEngine::~SemblanceEngine() = default;

SemblanceEngine::Key SemblanceEngine::keyOf(float offset, std::int32_t count, const CdpTraces& cdp) {
  // Offsets +x and -x move out alike; so do 0 and -0.
  const float x = std::fabs(offset);
  std::uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return Key{bits, count, cdp.intervalUs, cdp.delayMs};
}

std::size_t SemblanceEngine::tableBytes(std::int32_t count) const {
  return settings_.velocities.size() *
         (sizeof(MoveoutTable) + static_cast<std::size_t>(std::max(count, 0)) * sizeof(std::int32_t));
}

// The cached tables of every trace of `cdp`, or an empty vector when they
// would not fit the cache even on their own (each table is then built where
// it is used). The cache starts afresh before anything is handed out, so no
// pointer returned here is invalidated while the CDP is computed.
std::vector<SemblanceEngine::Tables*> SemblanceEngine::tablesOf(const CdpTraces& cdp) {
  std::size_t newBytes = 0, ownBytes = 0;
  std::vector<Key> seen;
  for (std::size_t t = 0; t < cdp.traceCount(); ++t) {
    const Key key = keyOf(cdp.offsets[t], cdp.counts[t], cdp);
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    ownBytes += tableBytes(key.count);
    if (cache_.find(key) == cache_.end()) newBytes += tableBytes(key.count);
  }
  if (ownBytes > settings_.tableCacheBytes) return {};
  if (cacheBytes_ + newBytes > settings_.tableCacheBytes) {
    cache_.clear();
    cacheBytes_ = 0;
  }
  std::vector<Tables*> tables(cdp.traceCount());
  for (std::size_t t = 0; t < cdp.traceCount(); ++t) {
    const Key key = keyOf(cdp.offsets[t], cdp.counts[t], cdp);
    auto it = cache_.find(key);
    if (it == cache_.end()) {
      auto fresh = std::make_unique<Tables>();
      fresh->perVelocity.resize(settings_.velocities.size());
      fresh->built.assign(settings_.velocities.size(), 0);
      cacheBytes_ += tableBytes(key.count);
      it = cache_.emplace(key, std::move(fresh)).first;
    }
    tables[t] = it->second.get();
  }
  return tables;
}

// One worker's buffers, reused for every velocity it computes.
struct SemblanceEngine::Scratch {
  std::vector<float> sums;            // sum and sum of squares per sample
  std::vector<std::int32_t> live;     // live-count steps, then counts
  std::vector<double> num, den;       // per-sample coherent and total energy
  MoveoutTable table;                 // when the tables are not cached
};

// Semblance of velocity k into out[0 .. samples-1].
void SemblanceEngine::column(const CdpTraces& cdp, const std::vector<Tables*>& tables, std::size_t k, float* out,
                             Scratch& scratch) const {
  const std::int32_t n = cdp.samples;
  const size_t un = static_cast<size_t>(n);
  scratch.sums.assign(2 * un, 0.0f);
  scratch.live.assign(un + 1, 0);
  float* sum = scratch.sums.data();
  float* sq = sum + un;
  std::int32_t* live = scratch.live.data();
  for (std::size_t t = 0; t < cdp.traceCount(); ++t) {
    const MoveoutTable& m = tableFor(cdp, tables, t, k, scratch);
    if (m.liveBegin() >= m.liveEnd()) continue;
    m.accumulate(cdp.trace(t), sum, sq);
    ++live[static_cast<size_t>(m.liveBegin())];
    --live[static_cast<size_t>(m.liveEnd())];
  }
  liveCounts(n, live);
  finish(n, sum, sq, 1, live, out, scratch);
}

// The table of trace t at velocity k: the cached one (built on first use), or
// one built in the scratch when the tables are not cached.
const MoveoutTable& SemblanceEngine::tableFor(const CdpTraces& cdp, const std::vector<Tables*>& tables,
                                              std::size_t t, std::size_t k, Scratch& scratch) const {
  const float v = settings_.velocities[k];
  if (tables.empty()) {
    scratch.table.build(v, cdp.offsets[t], settings_.stretch, cdp.intervalUs, cdp.counts[t], cdp.firstUs());
    return scratch.table;
  }
  Tables& tab = *tables[t];
  if (!tab.built[k]) {
    tab.perVelocity[k].build(v, cdp.offsets[t], settings_.stretch, cdp.intervalUs, cdp.counts[t], cdp.firstUs());
    tab.built[k] = 1;
  }
  return tab.perVelocity[k];
}

// Steps of the live count (+1 where a trace's live samples begin, -1 where
// they end) made counts.
void SemblanceEngine::liveCounts(std::int32_t n, std::int32_t* live) {
  std::int32_t m = 0;
  for (std::int32_t i = 0; i < n; ++i) live[i] = m += live[i];
}

// The semblance of one velocity from the moved-out sums sum[i x stride] and
// sums of squares sq[i x stride] and the live counts: each sample's coherent
// and total energy (samples with fewer than 2 live traces count for nothing),
// summed over the window.
void SemblanceEngine::finish(std::int32_t n, const float* sum, const float* sq, std::size_t stride,
                             const std::int32_t* live, float* out, Scratch& scratch) const {
  const size_t un = static_cast<size_t>(n);
  scratch.num.resize(un);
  scratch.den.resize(un);
  double* num = scratch.num.data();
  double* den = scratch.den.data();
  for (size_t i = 0; i < un; ++i) {
    const std::int32_t m = live[i];
    if (m >= 2) {
      const float a = sum[i * stride], b = sq[i * stride];
      num[i] = static_cast<double>(a) * static_cast<double>(a);
      den[i] = static_cast<double>(m) * static_cast<double>(b);
    } else {
      num[i] = den[i] = 0.0;
    }
  }
  for (std::int32_t i = 0; i < n; ++i) {
    if (live[static_cast<size_t>(i)] < 2) {
      out[i] = 0.0f;
      continue;
    }
    const std::int32_t a = std::max(0, i - half_), b = std::min(n - 1, i + half_);
    double sn = 0.0, sd = 0.0;
    for (std::int32_t j = a; j <= b; ++j) {
      sn += num[static_cast<size_t>(j)];
      sd += den[static_cast<size_t>(j)];
    }
    const double s = sd > 0.0 ? sn / sd : 0.0;
    out[i] = static_cast<float>(std::clamp(s, 0.0, 1.0));
  }
}

namespace {

// finish() for eight CDPs side by side (see SemblanceEngine::finishTogether),
// built twice where the processor may have AVX2; the same IEEE operations in both.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void finishLanes(std::int32_t n, std::int32_t half, const float* sum, const float* sq, const std::int32_t* live,
                 std::size_t count, float* const* outs, double* num, double* den) {
  constexpr std::size_t L = 8;
  const size_t un = static_cast<size_t>(n);
  for (size_t i = 0; i < un; ++i) {
    const std::int32_t m = live[i];
    double* nu = num + i * L;
    double* de = den + i * L;
    if (m >= 2) {
      for (size_t c = 0; c < L; ++c) {
        const float a = sum[i * L + c], b = sq[i * L + c];
        nu[c] = static_cast<double>(a) * static_cast<double>(a);
        de[c] = static_cast<double>(m) * static_cast<double>(b);
      }
    } else {
      for (size_t c = 0; c < L; ++c) nu[c] = de[c] = 0.0;
    }
  }
  for (std::int32_t i = 0; i < n; ++i) {
    if (live[static_cast<size_t>(i)] < 2) {
      for (size_t c = 0; c < count; ++c) outs[c][i] = 0.0f;
      continue;
    }
    const std::int32_t a = std::max(0, i - half), b = std::min(n - 1, i + half);
    double sn[L] = {}, sd[L] = {};
    for (std::int32_t j = a; j <= b; ++j)
      for (size_t c = 0; c < L; ++c) {
        sn[c] += num[static_cast<size_t>(j) * L + c];
        sd[c] += den[static_cast<size_t>(j) * L + c];
      }
    float v[L];
    for (size_t c = 0; c < L; ++c) {
      const double s = sd[c] > 0.0 ? sn[c] / sd[c] : 0.0;
      v[c] = static_cast<float>(std::clamp(s, 0.0, 1.0));
    }
    for (size_t c = 0; c < count; ++c) outs[c][i] = v[c];
  }
}

}  // namespace

// finish() for the Together CDPs side by side: sum[i x L + c], sq likewise,
// one live count for all; lane c into outs[c] (lanes from `count` on are not
// written). Each lane's arithmetic is finish()'s, step by step; the lanes'
// loops vectorise.
void SemblanceEngine::finishTogether(std::int32_t n, const float* sum, const float* sq, const std::int32_t* live,
                                     std::size_t count, float* const* outs, Scratch& scratch) const {
  static_assert(Together == 8, "finishLanes takes eight lanes");
  scratch.num.resize(static_cast<size_t>(n) * Together);
  scratch.den.resize(static_cast<size_t>(n) * Together);
  finishLanes(n, half_, sum, sq, live, count, outs, scratch.num.data(), scratch.den.data());
}

void SemblanceEngine::start(const CdpTraces& cdp, Spectrum& out) const {
  out.cdp = cdp.cdp;
  out.samples = cdp.samples;
  out.intervalUs = cdp.intervalUs;
  out.firstMs = cdp.delayMs;
  out.velocities = settings_.velocities;
  out.values.assign(static_cast<std::size_t>(std::max(cdp.samples, 0)) * settings_.velocities.size(), 0.0f);
}

// The velocities in blocks shared by the workers (the calling thread is one);
// each velocity done wholly by one of them, as part of a block [first, end).
// False when cancelled.
bool SemblanceEngine::forEachBlock(const std::function<void(std::size_t first, std::size_t end, Scratch&)>& block,
                                   const std::atomic<bool>* cancel) const {
  const std::size_t nv = settings_.velocities.size();
  const std::size_t blocks = (nv + VelocitiesPerBlock - 1) / VelocitiesPerBlock;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopped{false};
  auto work = [&] {
    Scratch scratch;
    for (;;) {
      if (cancel && cancel->load(std::memory_order_relaxed)) {
        stopped.store(true, std::memory_order_relaxed);
        return;
      }
      const std::size_t b = next.fetch_add(1, std::memory_order_relaxed);
      if (b >= blocks) return;
      block(b * VelocitiesPerBlock, std::min(nv, (b + 1) * VelocitiesPerBlock), scratch);
    }
  };
  const int helpers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(settings_.workers), blocks)) - 1;
  std::vector<std::thread> threads;
  for (int w = 0; w < helpers; ++w) threads.emplace_back(work);
  work();
  for (auto& t : threads) t.join();
  return !stopped.load();
}

// Columns velocity by velocity (each contiguous), turned into time rows.
void SemblanceEngine::rows(const float* columns, Spectrum& out) const {
  const std::size_t nv = settings_.velocities.size();
  const std::size_t un = static_cast<std::size_t>(std::max(out.samples, 0));
  for (std::size_t k = 0; k < nv; ++k) {
    const float* c = columns + k * un;
    for (std::size_t i = 0; i < un; ++i) out.values[i * nv + k] = c[i];
  }
}

bool SemblanceEngine::compute(const CdpTraces& cdp, Spectrum& out, const std::atomic<bool>* cancel) {
  start(cdp, out);
  const std::size_t nv = settings_.velocities.size();
  const std::size_t un = static_cast<std::size_t>(std::max(cdp.samples, 0));
  if (un == 0 || nv == 0) return !(cancel && cancel->load(std::memory_order_relaxed));

  const std::vector<Tables*> tables = tablesOf(cdp);
  // Kept from call to call: every value is written, and a CDP after the first
  // touches no fresh memory.
  std::vector<float>& columns = columns_;
  if (columns.size() < un * nv) columns.resize(un * nv);
  const auto block = [&](std::size_t first, std::size_t end, Scratch& scratch) {
    for (std::size_t k = first; k < end; ++k) column(cdp, tables, k, columns.data() + k * un, scratch);
  };
  if (!forEachBlock(block, cancel)) return false;
  rows(columns.data(), out);
  return true;
}

bool SemblanceEngine::together() { return MoveoutTable::lanesInOneStep(); }

// The same time axis and, trace by trace, the same moveout tables.
bool SemblanceEngine::alike(const CdpTraces& a, const CdpTraces& b) {
  if (a.samples != b.samples || a.intervalUs != b.intervalUs || a.delayMs != b.delayMs ||
      a.traceCount() != b.traceCount())
    return false;
  for (std::size_t t = 0; t < a.traceCount(); ++t)
    if (a.counts[t] != b.counts[t] || !(keyOf(a.offsets[t], a.counts[t], a) == keyOf(b.offsets[t], b.counts[t], b)))
      return false;
  return true;
}

bool SemblanceEngine::computeTogether(const CdpTraces* cdps, std::size_t count, Spectrum* out,
                                      const std::atomic<bool>* cancel) {
  bool same = count >= 2 && count <= Together;
  for (std::size_t c = 1; same && c < count; ++c) same = alike(cdps[0], cdps[c]);
  const std::vector<Tables*> tables = same ? tablesOf(cdps[0]) : std::vector<Tables*>{};
  const std::size_t nv = settings_.velocities.size();
  const std::size_t un = static_cast<std::size_t>(std::max(cdps[0].samples, 0));
  if (!same || tables.empty() || un == 0 || nv == 0) {
    for (std::size_t c = 0; c < count; ++c)
      if (!compute(cdps[c], out[c], cancel)) return false;
    return true;
  }
  constexpr std::size_t L = MoveoutTable::Lanes;
  static_assert(Together == L, "one CDP per lane");
  // The traces side by side: sample j of trace t of CDP c at side[slot[t] + j x L + c].
  const CdpTraces& first = cdps[0];
  std::vector<std::size_t> slot(first.traceCount());
  std::size_t total = 0;
  for (std::size_t t = 0; t < first.traceCount(); ++t) {
    slot[t] = total;
    total += static_cast<std::size_t>(first.counts[t]) * L;
  }
  // Kept from call to call (no zeroing of what is written over); lanes without
  // a CDP hold zeros.
  std::vector<float>& side = side_;
  if (side.size() < total) side.resize(total);
  if (count < L) {
    for (std::size_t at = 0; at < total; at += L) std::fill_n(side.begin() + static_cast<std::ptrdiff_t>(at + count), L - count, 0.0f);
  }
  for (std::size_t c = 0; c < count; ++c)
    for (std::size_t t = 0; t < first.traceCount(); ++t) {
      const float* trace = cdps[c].trace(t);
      float* to = side.data() + slot[t] + c;
      for (std::int32_t j = 0; j < first.counts[t]; ++j) to[static_cast<std::size_t>(j) * L] = trace[j];
    }
  // Columns of CDP c at columns[(c x nv + k) x un] (every value written).
  std::vector<float>& columns = columns_;
  if (columns.size() < count * nv * un) columns.resize(count * nv * un);
  const std::int32_t n = first.samples;
  // A block of velocities trace by trace: a trace's samples serve each velocity
  // of the block while they are at hand; each velocity still adds the traces
  // in their order.
  const bool done = forEachBlock(
      [&](std::size_t k0, std::size_t k1, Scratch& scratch) {
        const std::size_t per = 2 * L * un;  // a velocity's sums and sums of squares
        scratch.sums.assign((k1 - k0) * per, 0.0f);
        scratch.live.assign((k1 - k0) * (un + 1), 0);
        for (std::size_t t = 0; t < first.traceCount(); ++t)
          for (std::size_t k = k0; k < k1; ++k) {
            const MoveoutTable& m = tableFor(first, tables, t, k, scratch);
            if (m.liveBegin() >= m.liveEnd()) continue;
            float* sum = scratch.sums.data() + (k - k0) * per;
            std::int32_t* live = scratch.live.data() + (k - k0) * (un + 1);
            m.accumulateLanes(side.data() + slot[t], sum, sum + L * un);
            ++live[static_cast<size_t>(m.liveBegin())];
            --live[static_cast<size_t>(m.liveEnd())];
          }
        for (std::size_t k = k0; k < k1; ++k) {
          const float* sum = scratch.sums.data() + (k - k0) * per;
          std::int32_t* live = scratch.live.data() + (k - k0) * (un + 1);
          liveCounts(n, live);
          float* outs[L];
          for (std::size_t c = 0; c < count; ++c) outs[c] = columns.data() + (c * nv + k) * un;
          finishTogether(n, sum, sum + L * un, live, count, outs, scratch);
        }
      },
      cancel);
  if (!done) return false;
  for (std::size_t c = 0; c < count; ++c) {
    start(cdps[c], out[c]);
    rows(columns.data() + c * nv * un, out[c]);
  }
  return true;
}

}  // namespace tsly
