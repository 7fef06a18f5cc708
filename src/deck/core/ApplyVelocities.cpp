#include "deck/core/ApplyVelocities.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/RawFile.h"
#include "platform/ReadAt.h"
#include "moveout/core/Nmo.h"
#include "shared/Numbers.h"
#include "shared/TraceFormat.h"

namespace tsly {

std::vector<float> velocitiesForCdp(const std::vector<CdpVelocityFunction>& functions, int cdp, double firstMs,
                                    double dtMs, std::int32_t count) {
  if (functions.empty() || count <= 0) return std::vector<float>(static_cast<size_t>(std::max(count, 0)), 0.0f);
  auto above = std::lower_bound(functions.begin(), functions.end(), cdp,
                                [](const CdpVelocityFunction& f, int c) { return f.cdp < c; });
  if (above != functions.end() && above->cdp == cdp) return velocityAtSamples(above->picks, firstMs, dtMs, count);
  if (above == functions.begin()) return velocityAtSamples(above->picks, firstMs, dtMs, count);
  if (above == functions.end()) return velocityAtSamples(functions.back().picks, firstMs, dtMs, count);
  const auto below = above - 1;
  std::vector<float> v = velocityAtSamples(below->picks, firstMs, dtMs, count);
  const std::vector<float> w = velocityAtSamples(above->picks, firstMs, dtMs, count);
  const double frac = static_cast<double>(cdp - below->cdp) / static_cast<double>(above->cdp - below->cdp);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(v[i] + (static_cast<double>(w[i]) - v[i]) * frac);
  return v;
}

namespace {

// A whole number with an optional sign at text[i..]; advances i.
bool readWhole(std::string_view text, size_t& i, long& v) {
  size_t j = i;
  bool neg = false;
  if (j < text.size() && (text[j] == '+' || text[j] == '-')) neg = text[j++] == '-';
  const size_t digits = j;
  long x = 0;
  while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
    x = x * 10 + (text[j++] - '0');
    if (x > 100000) return false;
  }
  if (j == digits) return false;
  v = neg ? -x : x;
  i = j;
  return true;
}

}  // namespace

bool parseCdpRange(std::string_view text, int& first, int& last) {
  size_t b = text.find_first_not_of(' '), e = text.find_last_not_of(' ');
  if (b == std::string_view::npos) return false;
  text = text.substr(b, e - b + 1);
  size_t i = 0;
  long a = 0, z = 0;
  if (!readWhole(text, i, a)) return false;
  if (i == text.size()) {
    z = a;
  } else {
    if (text[i] != '-') return false;
    ++i;
    if (!readWhole(text, i, z) || i != text.size()) return false;
  }
  if (a < -32768 || a > 32767 || z < -32768 || z > 32767 || a > z) return false;
  first = static_cast<int>(a);
  last = static_cast<int>(z);
  return true;
}

namespace {

using Clock = std::chrono::steady_clock;

// One input trace of the range, as the index pass found it.
struct TraceRef {
  std::int64_t pos = 0;    // byte offset of its header
  std::int32_t bytes = 0;  // header and samples
  std::int32_t index = 0;  // 1-based place in the file
  std::int32_t samples = 0;
  std::int16_t cdp = 0;
  std::int16_t interval = 0;
  std::int16_t delayMs = 0;
  bool live = false;
};

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
  size_t first = 0, last = 0;  // refs [first, last)
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
  // The stack of the CDP in hand.
  std::int32_t live = 0, longest = 0;
  HeaderArray lastLive{};
};

constexpr std::int64_t BlockBytes = 2 << 20;

std::string text(int v) { return plainNumberText(v); }

std::string traceName(const TraceRef& r) { return "trace " + text(r.index) + " (CDP " + text(r.cdp) + ")"; }

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

class Run {
 public:
  Run(const MoveoutJob& job, const MoveoutHooks& hooks) : job_(job), hooks_(hooks) {}
  MoveoutResult go();

 private:
  bool cancelled() const { return abort_.load() || (hooks_.cancelled && hooks_.cancelled()); }
  MoveoutResult& refuse(MoveoutSubject subject, std::string message, MoveoutStatus st = MoveoutStatus::Refused) {
    result_.status = st;
    result_.subject = subject;
    result_.message = std::move(message);
    return result_;
  }
  bool checkJob();
  bool indexInput();
  bool checkStacks();
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
  MoveoutResult result_;
  int in_ = -1;
  std::vector<TraceRef> refs_;
  std::vector<Block> blocks_;
  std::vector<Bytes> spare_;  // output buffers written out, for the next blocks (under m_)

  std::mutex m_;
  std::condition_variable cv_;
  size_t next_ = 0;     // next block for a worker
  size_t written_ = 0;  // blocks written
  std::atomic<bool> abort_{false};
};

bool Run::checkJob() {
  if (job_.functions.empty()) return refuse(MoveoutSubject::None, "no velocity function"), false;
  for (size_t k = 0; k < job_.functions.size(); ++k) {
    const auto& f = job_.functions[k];
    if (k > 0 && !(job_.functions[k - 1].cdp < f.cdp))
      return refuse(MoveoutSubject::None, "velocity functions not in ascending CDP order"), false;
    if (f.picks.empty()) return refuse(MoveoutSubject::None, "CDP " + text(f.cdp) + " has no picks"), false;
    for (size_t p = 0; p < f.picks.size(); ++p)
      if (!(f.picks[p].velocity > 0.0f) || (p > 0 && !(f.picks[p - 1].timeMs < f.picks[p].timeMs)))
        return refuse(MoveoutSubject::None, "CDP " + text(f.cdp) + ": bad picks"), false;
  }
  if (job_.limitCdps && job_.firstCdp > job_.lastCdp)
    return refuse(MoveoutSubject::None,
                  "the CDP range " + text(job_.firstCdp) + "-" + text(job_.lastCdp) + " is empty (first above last)"),
           false;
  return true;
}

// Walks the headers of the input once: checks every trace and keeps those of
// the range. A header cut short at the end marks the end of the data.
bool Run::indexInput() {
  const std::string& path = job_.inputPath;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return refuse(MoveoutSubject::Input, "\"" + path + "\": no such file"), false;
  in_ = rawOpen(path, RawAccess::ReadOnly);
  if (in_ <= 0) return refuse(MoveoutSubject::Input, "\"" + path + "\" can not be opened for reading"), false;
  const std::int64_t size = fileSize(in_);
  if (size < HeaderBytes) return refuse(MoveoutSubject::Input, "\"" + path + "\" holds no complete trace"), false;
  std::int64_t pos = 0;
  std::int32_t index = 0;
  unsigned char hb[HeaderBytes];
  HeaderArray w;
  while (pos + HeaderBytes <= size) {
    if (readAt(in_, hb, HeaderBytes, pos) != HeaderBytes)
      return refuse(MoveoutSubject::Input, "reading \"" + path + "\" failed", MoveoutStatus::Failed), false;
    decodeHeader(hb, w);
    ++index;
    if (index == 1 && w[WordDataType] != DataCdpGather && w[WordDataType] != DataSpecialOrder)
      return refuse(MoveoutSubject::Input, "\"" + path + "\" holds" + dataTypeText(w[WordDataType]) +
                                               "; only CDP-gather data (type 1 or 3) is moved out"),
             false;
    TraceRef r;
    r.pos = pos;
    r.index = index;
    r.cdp = w[WordCdp];
    r.samples = w[WordNumSamples];
    if (r.samples <= 0)
      return refuse(MoveoutSubject::Input, "trace " + text(index) + " has no samples (word 58 is " +
                                               text(w[WordNumSamples]) + "); the file appears corrupt"),
             false;
    r.bytes = HeaderBytes + r.samples * bytesPerSample(w);
    if (pos + r.bytes > size)
      return refuse(MoveoutSubject::Input, "trace " + text(index) + " is cut short (the file ends inside it)"), false;
    pos += r.bytes;
    if (job_.limitCdps && (r.cdp < job_.firstCdp || r.cdp > job_.lastCdp)) continue;
    const std::int16_t code = w[WordTraceCode];
    r.live = code != TraceCodeDead && code != TraceCodeSeparator;
    r.interval = w[WordSampleInterval];
    r.delayMs = job_.useRecordingDelay ? w[WordRecordingDelay] : 0;
    if (r.live && r.interval <= 0)
      return refuse(MoveoutSubject::Input,
                    traceName(r) + " has a sample interval of " + text(r.interval) + " microseconds"),
             false;
    if (r.live && w[WordOffsetScalar] == 0)
      return refuse(MoveoutSubject::Input, traceName(r) + " has no valid offset (word 35 is 0)"), false;
    refs_.push_back(r);
  }
  std::stable_sort(refs_.begin(), refs_.end(), [](const TraceRef& a, const TraceRef& b) { return a.cdp < b.cdp; });
  result_.tracesRead = static_cast<std::int64_t>(refs_.size());
  return true;
}

// The live traces of a CDP are stacked sample by sample: they must share one time axis.
bool Run::checkStacks() {
  for (size_t g = 0; g < refs_.size();) {
    size_t e = g;
    const TraceRef* first = nullptr;
    for (; e < refs_.size() && refs_[e].cdp == refs_[g].cdp; ++e) {
      const TraceRef& r = refs_[e];
      if (!r.live) continue;
      if (!first) {
        first = &r;
        continue;
      }
      if (r.interval != first->interval)
        return refuse(MoveoutSubject::Input, "CDP " + text(r.cdp) + " can not be stacked: trace " + text(first->index) +
                                                 " is sampled at " + text(first->interval) + " microseconds, trace " +
                                                 text(r.index) + " at " + text(r.interval)),
               false;
      if (r.delayMs != first->delayMs)
        return refuse(MoveoutSubject::Input, "CDP " + text(r.cdp) + " can not be stacked: trace " + text(first->index) +
                                                 " starts at " + text(first->delayMs) + " ms, trace " + text(r.index) +
                                                 " at " + text(r.delayMs) + " ms (word 55)"),
               false;
    }
    g = e;
  }
  return true;
}

// Blocks end at a CDP boundary once they hold BlockBytes of input; a moved-out
// gather's block also ends inside a CDP at four times that, so one enormous CDP
// still spreads over the workers.
void Run::makeBlocks() {
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

// Reads the next batch of the block's traces, from `first` on, about
// BlockBytes (at least one trace), adjacent traces in one read.
bool Run::readBatch(Block& b, Scratch& w, size_t first) {
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
      b.error = "reading \"" + job_.inputPath + "\" failed at " + traceName(refs_[k]);
      return false;
    }
    k = e;
  }
  return true;
}

// Moves out trace k (in the batch in hand): into the output block, or into the
// stack of its CDP.
void Run::moveOut(size_t k, VelocityCache& cache, Block& b, Scratch& w) {
  const TraceRef& r = refs_[k];
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
  const float offset = static_cast<float>(h[WordOffset]) / static_cast<float>(h[WordOffsetScalar]);
  const double firstUs = static_cast<double>(r.delayMs) * 1000.0;
  if (job_.stack) {
    nmoitVariable(samples, w.out.data(), n, v, offset, job_.stretch, r.interval, 1, firstUs);
    ++w.live;
    w.lastLive = h;
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
void Run::beginStack(size_t first, size_t last, Scratch& w) {
  w.longest = 0;
  for (size_t k = first; k < last; ++k)
    if (refs_[k].live) w.longest = std::max(w.longest, refs_[k].samples);
  w.out.assign(static_cast<size_t>(w.longest), 0.0f);
  w.live = 0;
}

void Run::endStack(Block& b, Scratch& w) {
  if (w.live == 0) return;
  const float divisor = static_cast<float>(w.live);
  for (float& x : w.out) x /= divisor;
  HeaderArray h = w.lastLive;
  h[WordDataType] = DataCdpStacked;
  h[WordTraceCode] = 1;
  h[WordStackCount] = static_cast<std::int16_t>(std::min<std::int32_t>(w.live, 32767));
  h[WordNumSamples] = static_cast<std::int16_t>(w.longest);
  h[WordSampleFormat] = FloatFormatMarker;
  unsigned char hb[HeaderBytes];
  encodeHeader(h, hb);
  appendBytes(b.out, hb, HeaderBytes);
  appendSamples(b.out, w.out.data(), w.longest);
  ++b.traces;
}

void Run::processBlock(Block& b, Scratch& w) {
  // The exact output size: a moved-out live trace takes 4-byte samples, others
  // are copied; a stack is one trace as long as the CDP's longest live trace.
  std::int64_t outBytes = 0;
  for (size_t g = b.first; g < b.last;) {
    std::int32_t longest = 0;
    bool anyLive = false;
    size_t e = g;
    for (; e < b.last && refs_[e].cdp == refs_[g].cdp; ++e) {
      const TraceRef& r = refs_[e];
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

void Run::worker() {
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

bool Run::writeBlocks(int handle) {
  std::int64_t done = 0;
  for (size_t k = 0; k < blocks_.size(); ++k) {
    Block& b = blocks_[k];
    {
      std::unique_lock lock(m_);
      while (!b.ready) {
        if (cancelled()) {
          refuse(MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);
          return false;
        }
        cv_.wait_for(lock, std::chrono::milliseconds(50));
      }
    }
    if (cancelled()) {
      refuse(MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);
      return false;
    }
    if (!b.error.empty()) {
      refuse(MoveoutSubject::Input, b.error, MoveoutStatus::Failed);
      return false;
    }
    for (size_t off = 0; off < b.out.size;) {
      const std::int32_t n = static_cast<std::int32_t>(std::min<size_t>(b.out.size - off, 1u << 30));
      if (hright(b.out.data() + off, handle, n) != n) {
        refuse(MoveoutSubject::Output, "writing \"" + job_.outputPath + "\" failed (disk full?)",
               MoveoutStatus::Failed);
        return false;
      }
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

MoveoutResult Run::go() {
  const Clock::time_point start = Clock::now();
  struct CloseInput {
    int& h;
    ~CloseInput() { rawClose(h); }
  } closeInput{in_};

  if (!checkJob() || !indexInput()) return result_;
  if (job_.stack && !checkStacks()) return result_;

  const std::string& outPath = job_.outputPath;
  std::error_code ec;
  if (outPath.empty()) return refuse(MoveoutSubject::Output, "no output file name");
  if (std::filesystem::exists(outPath, ec)) {
    if (std::filesystem::equivalent(job_.inputPath, outPath, ec) && !ec)
      return refuse(MoveoutSubject::Output, "\"" + outPath + "\" is the input file");
    if (!std::filesystem::is_regular_file(outPath, ec))
      return refuse(MoveoutSubject::Output, "\"" + outPath + "\" exists and is not a file");
    if (!job_.overwrite)
      return refuse(MoveoutSubject::Output, "\"" + outPath + "\" exists (use --force to overwrite it)",
                    MoveoutStatus::OutputExists);
  }
  if (cancelled()) return refuse(MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);

  AtomicFile output;
  if (!output.open(outPath))
    return refuse(MoveoutSubject::Output, "\"" + outPath + "\" can not be written: " + output.reason());

  makeBlocks();
  const int workers = std::max(1, std::min<int>(job_.workers, static_cast<int>(blocks_.size())));
  std::vector<std::thread> threads;
  for (int t = 0; t < workers; ++t) threads.emplace_back([this] { worker(); });
  const bool ok = writeBlocks(output.handle());
  if (!ok) {
    abort_ = true;
    cv_.notify_all();
  }
  for (auto& t : threads) t.join();
  if (!ok) {
    result_.tracesWritten = 0;
    return result_;
  }
  if (cancelled()) {
    result_.tracesWritten = 0;
    return refuse(MoveoutSubject::None, "cancelled", MoveoutStatus::Cancelled);
  }
  if (!output.commit()) {
    result_.tracesWritten = 0;
    return refuse(MoveoutSubject::Output, "\"" + outPath + "\" can not be written: " + output.reason(),
                  MoveoutStatus::Failed);
  }
  result_.status = MoveoutStatus::Done;
  result_.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result_;
}

}  // namespace

MoveoutResult applyVelocities(const MoveoutJob& job, const MoveoutHooks& hooks) {
  Run run(job, hooks);
  return run.go();
}

}  // namespace tsly
