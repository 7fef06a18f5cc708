#include "generation/core/PanelMoveout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <system_error>
#include <unordered_map>

#include "moveout/core/MoveoutTable.h"
#include "moveout/core/Nmo.h"
#include "shared/TraceFormat.h"

namespace tsly {

struct PanelMoveout::Unit {
  CdpMoveout result;
  std::size_t bytes = 0;
  bool ready = false;
  bool failed = false;  // memory ran out while computing it
};

// One worker's moveout tables, by offset (its bits), sample interval and
// sample count, each valid for the velocity it was last built for.
struct PanelMoveout::Tables {
  struct Key {
    std::uint32_t offsetBits;
    std::int32_t interval, count;
    bool operator==(const Key&) const = default;
  };
  struct Hash {
    std::size_t operator()(const Key& k) const {
      std::uint64_t h = (std::uint64_t{k.offsetBits} << 32) ^ (static_cast<std::uint64_t>(k.interval) << 16) ^
                        static_cast<std::uint64_t>(k.count);
      return static_cast<std::size_t>(h * 0x9E3779B97F4A7C15ull);
    }
  };
  struct Entry {
    MoveoutTable table;
    std::size_t velocity = SIZE_MAX;  // index of the velocity it was built for
  };
  std::unordered_map<Key, Entry, Hash> kept;
};

PanelMoveout::PanelMoveout(std::vector<float> velocities, float stretch, bool stack, int workers,
                           std::size_t resultBudget, std::size_t tableBudget)
    : velocities_(std::move(velocities)),
      stretch_(stretch),
      stack_(stack),
      workers_(workers),
      resultBudget_(resultBudget),
      tableBudget_(tableBudget) {}

PanelMoveout::~PanelMoveout() { stop(); }

void PanelMoveout::start(const PanelTraces& panel, std::int64_t count) {
  stop();
  panel_ = &panel;
  count_ = count;
  while (tables_.size() < static_cast<size_t>(std::max(workers_, 1))) tables_.push_back(std::make_unique<Tables>());
  units_ = std::vector<Unit>(velocities_.size() * static_cast<std::size_t>(count));
  nextVelocity_ = 0;
  inFlight_ = 0;
  waitJ_ = 0;
  waitM_ = 0;
  stopping_ = false;
  for (int w = 0; w < workers_; ++w) {
    try {
      Tables& tables = *tables_[static_cast<size_t>(w)];
      threads_.emplace_back([this, &tables] { work(tables); });
    } catch (const std::system_error&) {
      break;  // fewer workers (none: the writer computes each unit itself)
    }
  }
}

void PanelMoveout::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (auto& t : threads_) t.join();
  threads_.clear();
  units_.clear();
  panel_ = nullptr;
}

void PanelMoveout::work(Tables& tables) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_ && nextVelocity_ < velocities_.size()) {
    const std::size_t j = nextVelocity_++;
    for (std::int64_t m = 0; m < count_; ++m) {
      changed_.wait(lock, [&] { return stopping_ || inFlight_ < resultBudget_ || (j == waitJ_ && m == waitM_); });
      if (stopping_) return;
      Unit& u = units_[index(j, m)];
      lock.unlock();
      bool failed = false;
      try {
        compute(j, m, tables, u.result);
      } catch (const std::bad_alloc&) {
        u.result = {};
        failed = true;
      }
      lock.lock();
      u.failed = failed;
      u.ready = true;
      u.bytes = u.result.samples.capacity() * sizeof(float) + u.result.starts.capacity() * sizeof(std::size_t);
      inFlight_ += u.bytes;
      changed_.notify_all();
      if (failed) return;  // the writer meets the failed unit before any later one of this velocity
    }
  }
}

const CdpMoveout& PanelMoveout::wait(std::size_t j, std::int64_t m) {
  Unit& u = units_[index(j, m)];
  if (threads_.empty()) {
    if (!u.ready) {
      compute(j, m, *tables_[0], u.result);
      u.ready = true;
    }
    return u.result;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  waitJ_ = j;
  waitM_ = m;
  changed_.notify_all();
  changed_.wait(lock, [&] { return u.ready; });
  if (u.failed) throw std::bad_alloc();
  return u.result;
}

void PanelMoveout::release(std::size_t j, std::int64_t m) {
  Unit& u = units_[index(j, m)];
  std::lock_guard<std::mutex> lock(mutex_);
  inFlight_ -= u.bytes;
  u.bytes = 0;
  u.result = {};
  changed_.notify_all();
}

void PanelMoveout::compute(std::size_t j, std::int64_t m, Tables& tables, CdpMoveout& out) {
  using Kind = InputTrace::Kind;
  const float v = velocities_[j];
  const std::int32_t flag = stack_ ? 1 : 0;
  out.samples.clear();
  out.starts.clear();
  for (const InputTrace& t : panel_->keptTraces(m)) {
    if (t.kind == Kind::Dead) continue;
    if (t.kind != Kind::Live) break;  // the run ends at this trace
    const std::int32_t n = t.numSamples;
    const std::int32_t interval = t.header[WordSampleInterval];
    const float offset = traceOffset(t.header);
    float* dst;
    if (stack_) {
      out.samples.resize(static_cast<size_t>(n));  // as the run resizes its output buffer
      dst = out.samples.data();
    } else {
      out.starts.push_back(out.samples.size());
      out.samples.resize(out.samples.size() + static_cast<size_t>(n));
      dst = out.samples.data() + out.starts.back();
    }
    std::uint32_t bits;
    std::memcpy(&bits, &offset, sizeof bits);
    const Tables::Key key{bits, interval, n};
    auto it = tables.kept.find(key);
    if (it == tables.kept.end()) {
      const std::size_t bytes = sizeof(Tables::Entry) + sizeof(std::int32_t) * static_cast<std::size_t>(n) + 64;
      if (tableBytes_.fetch_add(bytes) + bytes > tableBudget_) {
        tableBytes_.fetch_sub(bytes);
        nmoit(t.samples, dst, n, v, offset, stretch_, interval, flag);
        continue;
      }
      it = tables.kept.emplace(key, Tables::Entry{}).first;
    }
    Tables::Entry& e = it->second;
    if (e.velocity != j) {
      e.velocity = SIZE_MAX;  // not valid until built
      e.table.build(v, offset, stretch_, interval, n);
      e.velocity = j;
    }
    e.table.apply(t.samples, dst, flag);
  }
}

}  // namespace tsly
