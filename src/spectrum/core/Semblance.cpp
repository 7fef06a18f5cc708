#include "spectrum/core/Semblance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
    for (std::int32_t k = 0; k < cols; ++k) {
      const float v = s.at(i, static_cast<std::size_t>(k));
      if (!(v > threshold)) continue;
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
  scratch.num.resize(un);
  scratch.den.resize(un);
  float* sum = scratch.sums.data();
  float* sq = sum + un;
  std::int32_t* live = scratch.live.data();
  double* num = scratch.num.data();
  double* den = scratch.den.data();
  const float v = settings_.velocities[k];
  for (std::size_t t = 0; t < cdp.traceCount(); ++t) {
    MoveoutTable* table = &scratch.table;
    if (tables.empty()) {
      table->build(v, cdp.offsets[t], settings_.stretch, cdp.intervalUs, cdp.counts[t], cdp.firstUs());
    } else {
      Tables& tab = *tables[t];
      table = &tab.perVelocity[k];
      if (!tab.built[k]) {
        table->build(v, cdp.offsets[t], settings_.stretch, cdp.intervalUs, cdp.counts[t], cdp.firstUs());
        tab.built[k] = 1;
      }
    }
    const MoveoutTable& m = *table;
    if (m.liveBegin() >= m.liveEnd()) continue;
    m.accumulate(cdp.trace(t), sum, sq);
    ++live[static_cast<size_t>(m.liveBegin())];
    --live[static_cast<size_t>(m.liveEnd())];
  }
  // Live counts, then each sample's coherent and total energy (samples with
  // fewer than 2 live traces count for nothing).
  std::int32_t m = 0;
  for (size_t i = 0; i < un; ++i) {
    m += live[i];
    live[i] = m;
    if (m >= 2) {
      num[i] = static_cast<double>(sum[i]) * static_cast<double>(sum[i]);
      den[i] = static_cast<double>(m) * static_cast<double>(sq[i]);
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

bool SemblanceEngine::compute(const CdpTraces& cdp, Spectrum& out, const std::atomic<bool>* cancel) {
  out = Spectrum{};
  out.cdp = cdp.cdp;
  out.samples = cdp.samples;
  out.intervalUs = cdp.intervalUs;
  out.firstMs = cdp.delayMs;
  out.velocities = settings_.velocities;
  const std::size_t nv = settings_.velocities.size();
  const std::size_t un = static_cast<std::size_t>(std::max(cdp.samples, 0));
  out.values.assign(un * nv, 0.0f);
  if (un == 0 || nv == 0) return !(cancel && cancel->load(std::memory_order_relaxed));

  const std::vector<Tables*> tables = tablesOf(cdp);

  // Columns velocity by velocity (each contiguous), turned into time rows after.
  std::vector<float> columns(un * nv, 0.0f);
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
      const std::size_t end = std::min(nv, (b + 1) * VelocitiesPerBlock);
      for (std::size_t k = b * VelocitiesPerBlock; k < end; ++k)
        column(cdp, tables, k, columns.data() + k * un, scratch);
    }
  };
  const int helpers = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(settings_.workers), blocks)) - 1;
  std::vector<std::thread> threads;
  for (int w = 0; w < helpers; ++w) threads.emplace_back(work);
  work();
  for (auto& t : threads) t.join();
  if (stopped.load()) return false;

  for (std::size_t k = 0; k < nv; ++k) {
    const float* c = columns.data() + k * un;
    for (std::size_t i = 0; i < un; ++i) out.values[i * nv + k] = c[i];
  }
  return true;
}

}  // namespace tsly
