#include "deck/core/MoveoutEngine.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "deck/core/MoveoutStack.h"
#include "moveout/core/Nmo.h"
#include "moveout/core/VelocityFunction.h"
#include "platform/RawFile.h"
#include "platform/ReadAt.h"

namespace tsly {

namespace {

// Bytes without the zero-filling of a vector: every byte is written before it
// is read. Kept and reused from block to block, so the pages are touched once.
// The storage is floats, so 4-byte samples at a 4-byte boundary (headers are
// 240 bytes) can be used in place on a little-endian host (floatsAt).
struct Bytes {
  std::unique_ptr<float[]> store;
  size_t size = 0, capacity = 0;
  void reserve(size_t n) {
    if (n > capacity) {
      store.reset(new float[(n + 3) / 4]);
      capacity = n;
    }
    size = 0;
  }
  unsigned char* data() { return reinterpret_cast<unsigned char*>(store.get()); }
  unsigned char* grow(size_t n) {
    unsigned char* p = data() + size;
    size += n;
    return p;
  }
  // The samples at byte `at` as floats, when they can be used in place.
  float* floatsAt(size_t at) {
    if (std::endian::native != std::endian::little || at % 4 != 0) return nullptr;
    return store.get() + at / 4;
  }
};

// A run of whole CDPs, processed by one worker and written in order.
struct Block {
  size_t first = 0, last = 0;  // traces [first, last)
  bool ready = false;
  Bytes out;
  std::int64_t traces = 0;
  std::string error;
};

// What a worker keeps from block to block.
struct Scratch {
  Bytes read;  // the traces [batchFirst, batchEnd) of the block
  size_t batchFirst = 0, batchEnd = 0;
  std::vector<std::int64_t> at;  // where each of them begins in `read`
  std::vector<float> in, out;
  std::vector<std::uint8_t> live;  // of the trace in hand, for its stack
  CdpStack stack;  // of the CDP in hand
};

constexpr std::int64_t BlockBytes = 2 << 20;

// The velocities of one CDP, kept while the CDP, first time and interval stay.
class VelocityCache {
 public:
  explicit VelocityCache(const std::vector<CdpVelocityFunction>& f) : functions_(f) {}
  const float* get(int cdp, double firstMs, std::int32_t intervalUs, std::int32_t count) {
    if (!valid_ || cdp != cdp_ || firstMs != firstMs_ || intervalUs != interval_ ||
        count > static_cast<std::int32_t>(v_.size())) {
      v_ = velocitiesForCdp(functions_, cdp, firstMs, intervalUs / 1000.0, count);
      cdp_ = cdp;
      firstMs_ = firstMs;
      interval_ = intervalUs;
      valid_ = true;
    }
    return v_.data();
  }

 private:
  const std::vector<CdpVelocityFunction>& functions_;
  std::vector<float> v_;
  bool valid_ = false;
  int cdp_ = 0;
  double firstMs_ = 0.0;
  std::int32_t interval_ = 0;
};

void appendBytes(Bytes& out, const void* p, size_t n) { std::memcpy(out.grow(n), p, n); }

// 4-byte samples are IEEE floats, little-endian: on such a host the bytes are
// the floats' own.
void appendSamples(Bytes& out, const float* s, std::int32_t n) {
  unsigned char* to = out.grow(static_cast<size_t>(n) * 4);
  if constexpr (std::endian::native == std::endian::little)
    std::memcpy(to, s, static_cast<size_t>(n) * 4);
  else
    encodeSamples(s, 4, n, to);
}

void readSamples(const unsigned char* from, int bps, std::int32_t n, float* s) {
  if (bps == 4 && std::endian::native == std::endian::little)
    std::memcpy(s, from, static_cast<size_t>(n) * 4);
  else
    decodeSamples(from, bps, n, s);
}

class Engine {
 public:
  Engine(const MoveoutJob& job, const MoveoutHooks& hooks, int input, const std::vector<MoveoutTrace>& traces,
         MoveoutResult& r)
      : job_(job), hooks_(hooks), in_(input), refs_(traces), result_(r) {}
  bool run(int output);

 private:
  bool cancelled() const { return abort_.load() || (hooks_.cancelled && hooks_.cancelled()); }
  void makeBlocks();
  void worker();
  void processBlock(Block& b, Scratch& w);
  bool readBatch(Block& b, Scratch& w, size_t first);
  void moveOut(size_t k, VelocityCache& cache, Block& b, Scratch& w);
  void beginStack(size_t first, size_t last, Scratch& w);
  void endStack(Block& b, Scratch& w);
  bool writeBlocks(int handle);

  const MoveoutJob& job_;
  const MoveoutHooks& hooks_;
  int in_;
  const std::vector<MoveoutTrace>& refs_;
  MoveoutResult& result_;
  std::vector<Block> blocks_;
  std::vector<Bytes> spare_;  // output buffers written out, for the next blocks (under m_)

  std::mutex m_;
  std::condition_variable cv_;
  size_t next_ = 0;     // next block for a worker
  size_t written_ = 0;  // blocks written
  std::atomic<bool> abort_{false};
};

// Blocks end at a CDP boundary once they hold BlockBytes of input; a moved-out
// gather's block also ends inside a CDP at four times that, so one enormous CDP
// still spreads over the workers.
void Engine::makeBlocks() {
  size_t k = 0;
  while (k < refs_.size()) {
    Block b;
    b.first = k;
    std::int64_t bytes = 0;
    for (; k < refs_.size(); ++k) {
      const bool cdpStarts = k > b.first && refs_[k].cdp != refs_[k - 1].cdp;
      if (cdpStarts && bytes >= BlockBytes) break;
      if (!job_.stack && k > b.first && bytes >= 4 * BlockBytes) break;
      bytes += refs_[k].bytes;
    }
    b.last = k;
    blocks_.push_back(std::move(b));
  }
}

// Reads the next batch of the block's traces, from `first` on, about
// BlockBytes (at least one trace), adjacent traces in one read.
bool Engine::readBatch(Block& b, Scratch& w, size_t first) {
  size_t end = first;
  std::int64_t total = 0;
  while (end < b.last && (end == first || total < BlockBytes)) total += refs_[end++].bytes;
  w.batchFirst = first;
  w.batchEnd = end;
  w.at.resize(end - first);
  std::int64_t at = 0;
  for (size_t k = first; k < end; ++k) {
    w.at[k - first] = at;
    at += refs_[k].bytes;
  }
  w.read.reserve(static_cast<size_t>(total));
  unsigned char* buf = w.read.data();
  for (size_t k = first; k < end;) {
    size_t e = k + 1;
    std::int64_t len = refs_[k].bytes;
    while (e < end && refs_[e].pos == refs_[e - 1].pos + refs_[e - 1].bytes) len += refs_[e++].bytes;
    if (readAt(in_, buf + w.at[k - first], len, refs_[k].pos) != len) {
      b.error = "reading \"" + job_.inputPath + "\" failed at " + moveoutTraceName(refs_[k]);
      return false;
    }
    k = e;
  }
  return true;
}

// Moves out trace k (in the batch in hand): into the output block, or into the
// stack of its CDP.
void Engine::moveOut(size_t k, VelocityCache& cache, Block& b, Scratch& w) {
  const MoveoutTrace& r = refs_[k];
  const size_t at = static_cast<size_t>(w.at[k - w.batchFirst]);
  const unsigned char* src = w.read.data() + at;
  if (!r.live) {
    if (!job_.stack) {
      appendBytes(b.out, src, static_cast<size_t>(r.bytes));
      ++b.traces;
    }
    return;
  }
  HeaderArray h;
  decodeHeader(src, h);
  const int bps = bytesPerSample(h);
  const std::int32_t n = r.samples;
  const float* samples = bps == 4 ? w.read.floatsAt(at + HeaderBytes) : nullptr;
  if (!samples) {
    if (w.in.size() < static_cast<size_t>(n)) w.in.resize(static_cast<size_t>(n));
    readSamples(src + HeaderBytes, bps, n, w.in.data());
    samples = w.in.data();
  }
  const float* v = cache.get(r.cdp, static_cast<double>(r.delayMs), r.interval, n);
  const float offset = traceOffset(h);
  const double firstUs = static_cast<double>(r.delayMs) * 1000.0;
  if (job_.stack) {
    if (w.out.size() < static_cast<size_t>(n)) w.out.resize(static_cast<size_t>(n));
    if (w.live.size() < static_cast<size_t>(n)) w.live.resize(static_cast<size_t>(n));
    nmoitVariable(samples, w.out.data(), n, v, offset, job_.stretch, r.interval, 0, firstUs, w.live.data());
    w.stack.add(w.out.data(), w.live.data(), n, h);
    return;
  }
  if (bps == 4) {
    appendBytes(b.out, src, HeaderBytes);
  } else {
    // Moved-out samples are reals: 2-byte input is written as 4-byte floats.
    h[WordSampleFormat] = FloatFormatMarker;
    unsigned char hb[HeaderBytes];
    encodeHeader(h, hb);
    appendBytes(b.out, hb, HeaderBytes);
  }
  // Straight into the output block where it can be.
  if (float* direct = b.out.floatsAt(b.out.size)) {
    b.out.grow(static_cast<size_t>(n) * 4);
    nmoitVariable(samples, direct, n, v, offset, job_.stretch, r.interval, 0, firstUs);
  } else {
    if (w.out.size() < static_cast<size_t>(n)) w.out.resize(static_cast<size_t>(n));
    nmoitVariable(samples, w.out.data(), n, v, offset, job_.stretch, r.interval, 0, firstUs);
    appendSamples(b.out, w.out.data(), n);
  }
  ++b.traces;
}

// The stack of the CDP whose traces are refs_[first, last): begun before its
// first trace, written after its last.
void Engine::beginStack(size_t first, size_t last, Scratch& w) {
  std::int32_t longest = 0;
  for (size_t k = first; k < last; ++k)
    if (refs_[k].live) longest = std::max(longest, refs_[k].samples);
  w.stack.begin(longest);
}

void Engine::endStack(Block& b, Scratch& w) {
  if (w.stack.empty()) return;
  const HeaderArray h = w.stack.finish();
  unsigned char hb[HeaderBytes];
  encodeHeader(h, hb);
  appendBytes(b.out, hb, HeaderBytes);
  appendSamples(b.out, w.stack.sum(), w.stack.samples());
  ++b.traces;
}

void Engine::processBlock(Block& b, Scratch& w) {
  // The exact output size: a moved-out live trace takes 4-byte samples, others
  // are copied; a stack is one trace as long as the CDP's longest live trace.
  std::int64_t outBytes = 0;
  for (size_t g = b.first; g < b.last;) {
    std::int32_t longest = 0;
    bool anyLive = false;
    size_t e = g;
    for (; e < b.last && refs_[e].cdp == refs_[g].cdp; ++e) {
      const MoveoutTrace& r = refs_[e];
      if (r.live) {
        anyLive = true;
        longest = std::max(longest, r.samples);
      }
      if (!job_.stack) outBytes += r.live ? HeaderBytes + static_cast<std::int64_t>(r.samples) * 4 : r.bytes;
    }
    if (job_.stack && anyLive) outBytes += HeaderBytes + static_cast<std::int64_t>(longest) * 4;
    g = e;
  }
  {
    std::lock_guard lock(m_);
    if (!spare_.empty()) {
      b.out = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  b.out.reserve(static_cast<size_t>(outBytes));

  VelocityCache cache(job_.functions);
  w.batchEnd = b.first;
  size_t groupEnd = b.first;
  for (size_t k = b.first; k < b.last; ++k) {
    if (k == w.batchEnd) {
      if (cancelled() || !readBatch(b, w, k)) return;
    }
    if (k == groupEnd) {
      while (groupEnd < b.last && refs_[groupEnd].cdp == refs_[k].cdp) ++groupEnd;
      if (job_.stack) beginStack(k, groupEnd, w);
    }
    moveOut(k, cache, b, w);
    if (job_.stack && k + 1 == groupEnd) endStack(b, w);
  }
}

void Engine::worker() {
  Scratch scratch;
  const size_t ahead = static_cast<size_t>(std::max(job_.workers, 1)) + 2;
  for (;;) {
    size_t k;
    {
      std::unique_lock lock(m_);
      cv_.wait(lock, [&] { return abort_.load() || next_ >= blocks_.size() || next_ < written_ + ahead; });
      if (abort_.load() || next_ >= blocks_.size()) return;
      k = next_++;
    }
    processBlock(blocks_[k], scratch);
    {
      std::lock_guard lock(m_);
      blocks_[k].ready = true;
    }
    cv_.notify_all();
  }
}

bool Engine::writeBlocks(int handle) {
  std::int64_t done = 0;
  for (size_t k = 0; k < blocks_.size(); ++k) {
    Block& b = blocks_[k];
    {
      std::unique_lock lock(m_);
      while (!b.ready) {
        if (cancelled()) return refuseMoveout(result_, MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);
        cv_.wait_for(lock, std::chrono::milliseconds(50));
      }
    }
    if (cancelled()) return refuseMoveout(result_, MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);
    if (!b.error.empty()) return refuseMoveout(result_, MoveoutSubject::Input, b.error, MoveoutStatus::Failed);
    for (size_t off = 0; off < b.out.size;) {
      const std::int32_t n = static_cast<std::int32_t>(std::min<size_t>(b.out.size - off, 1u << 30));
      if (hright(b.out.data() + off, handle, n) != n)
        return refuseMoveout(result_, MoveoutSubject::Output,
                             "writing \"" + job_.outputPath + "\" failed (disk full?)", MoveoutStatus::Failed);
      off += static_cast<size_t>(n);
    }
    result_.tracesWritten += b.traces;
    done += static_cast<std::int64_t>(b.last - b.first);
    {
      std::lock_guard lock(m_);
      spare_.push_back(std::move(b.out));
      written_ = k + 1;
    }
    cv_.notify_all();
    if (hooks_.progress) hooks_.progress(done, result_.tracesRead);
  }
  return true;
}

bool Engine::run(int output) {
  makeBlocks();
  const int workers = std::max(1, std::min<int>(job_.workers, static_cast<int>(blocks_.size())));
  std::vector<std::thread> threads;
  for (int t = 0; t < workers; ++t) threads.emplace_back([this] { worker(); });
  const bool ok = writeBlocks(output);
  if (!ok) {
    abort_ = true;
    cv_.notify_all();
  }
  for (auto& t : threads) t.join();
  return ok;
}

}  // namespace

bool runMoveoutEngine(const MoveoutJob& job, const MoveoutHooks& hooks, int input,
                      const std::vector<MoveoutTrace>& traces, int output, MoveoutResult& r) {
  Engine engine(job, hooks, input, traces, r);
  return engine.run(output);
}

}  // namespace tsly
