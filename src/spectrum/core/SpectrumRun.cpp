#include "spectrum/core/SpectrumRun.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "spectrum/core/SpectrumText.h"
#include "platform/AtomicFile.h"

namespace tsly {

namespace {

// The most spectrum values a batch of CDPs computed together holds (32 MB; the
// spectra and their columns take twice that): a batch of long traces is
// smaller, down to one CDP, so memory follows the work and not the batch.
constexpr std::size_t TogetherValues = std::size_t{1} << 23;

// Writes the CSV rows of finished spectra on its own thread, in the order
// given, while the next CDPs are computed. At most `Depth` spectra wait.
class CsvWriter {
 public:
  CsvWriter(AtomicFile& file, bool cdpColumn) : file_(file), cdpColumn_(cdpColumn), thread_([this] { run(); }) {}
  ~CsvWriter() { finish(); }

  // False once writing failed (the error is in the file).
  bool push(Spectrum&& s) {
    std::unique_lock<std::mutex> lock(mutex_);
    room_.wait(lock, [this] { return queue_.size() < Depth || failed_; });
    if (failed_) return false;
    queue_.push_back(std::move(s));
    ready_.notify_one();
    return true;
  }

  // Waits until every row is written; false when writing failed.
  bool finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
      ready_.notify_one();
    }
    if (thread_.joinable()) thread_.join();
    return !failed_;
  }

 private:
  static constexpr std::size_t Depth = 2;
  static constexpr std::size_t ChunkBytes = std::size_t{1} << 20;

  void run() {
    std::string text;
    for (;;) {
      Spectrum s;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty() || done_; });
        if (queue_.empty()) return;
        s = std::move(queue_.front());
        queue_.pop_front();
      }
      // Written a few rows at a time: the text never holds much more than
      // ChunkBytes, whatever the size of the spectrum.
      const std::size_t rowBytes = 24 * std::max<std::size_t>(s.velocities.size(), 1);
      const std::int32_t rows = static_cast<std::int32_t>(std::max<std::size_t>(1, ChunkBytes / rowBytes));
      bool ok = true;
      for (std::int32_t first = 0; ok && first < s.samples; first += rows) {
        text.clear();
        appendSpectrumCsv(s, cdpColumn_, text, first, rows);
        ok = file_.write(text);
      }
      std::lock_guard<std::mutex> lock(mutex_);
      room_.notify_one();
      if (!ok) {
        failed_ = true;
        queue_.clear();
        return;
      }
    }
  }

  AtomicFile& file_;
  const bool cdpColumn_;
  std::mutex mutex_;
  std::condition_variable ready_, room_;
  std::deque<Spectrum> queue_;
  bool done_ = false;
  bool failed_ = false;
  std::thread thread_;  // last: starts once the members above exist
};

}  // namespace

SpectrumRunResult runSpectra(const GatherCdps& gather, const SpectrumRunParams& p, const SpectrumRunHooks& hooks) {
  SpectrumRunResult result;
  AtomicFile csv;
  const bool writeCsv = !p.csvPath.empty();
  if (writeCsv && (!csv.open(p.csvPath) || !csv.write(spectrumCsvHeader(p.csvCdpColumn)))) {
    result.error = csv.error();
    return result;
  }
  std::unique_ptr<CsvWriter> writer;
  if (writeCsv) writer = std::make_unique<CsvWriter>(csv, p.csvCdpColumn);

  SemblanceEngine engine(p.settings);
  // CDPs alike (as a regular gather's are) are computed several at once where
  // the processor has the vectors for it; every spectrum is the same either way.
  const std::size_t most = SemblanceEngine::together() ? SemblanceEngine::Together : 1;
  std::vector<CdpTraces> batch(most);
  std::vector<Spectrum> spectra(most);
  std::vector<std::vector<SpectrumPeak>> peaks(most);
  std::size_t next = 0;  // the next CDP to read
  std::size_t held = 0;  // CDPs read and not computed yet, batch[0..held)
  std::string readError;
  bool writing = true;
  while (writing) {
    // Read until the batch is full, an error, or a CDP not alike the first or
    // past the values a batch may hold (which then begins the next batch).
    std::size_t count = held;
    bool carried = false;
    while (count < most && next < p.cdps.size() && readError.empty()) {
      std::string err = gather.read(p.cdps[next], batch[count]);
      if (err.empty()) err = spectrumSizeProblem(batch[count], p.settings.velocities.size());
      if (!err.empty()) {
        readError = err;
        break;
      }
      ++next;
      const std::size_t values = static_cast<std::size_t>(batch[0].samples) * p.settings.velocities.size();
      if (count > 0 && (!SemblanceEngine::alike(batch[0], batch[count]) || (count + 1) * values > TogetherValues)) {
        carried = true;
        break;
      }
      ++count;
    }
    if (count == 0) {
      if (readError.empty()) break;
      result.error = readError;
      return result;  // the writer stops, then the temporary CSV goes with `csv`
    }
    if (!engine.computeTogether(batch.data(), count, spectra.data(), hooks.cancel)) {
      result.cancelled = true;
      return result;
    }
    // The batch's peaks, on as many threads as the spectra.
    if (p.peaks && hooks.peaks) {
      std::atomic<std::size_t> nextPeaks{0};
      const auto find = [&] {
        for (std::size_t c; (c = nextPeaks.fetch_add(1, std::memory_order_relaxed)) < count;)
          peaks[c] = spectrumPeaks(spectra[c], p.peakThreshold);
      };
      std::thread helper;
      if (count >= 2 && p.settings.workers >= 2) helper = std::thread(find);
      find();
      if (helper.joinable()) helper.join();
    }
    for (std::size_t c = 0; c < count && writing; ++c) {
      Spectrum& spectrum = spectra[c];
      if (hooks.spectrum) hooks.spectrum(spectrum);
      if (p.peaks && hooks.peaks) hooks.peaks(spectrum, peaks[c]);
      if (writer && !writer->push(std::move(spectrum))) {
        writing = false;
        break;
      }
      ++result.cdpsDone;
      if (hooks.progress) hooks.progress(result.cdpsDone, p.cdps.size());
      if (hooks.cancel && hooks.cancel->load(std::memory_order_relaxed)) {
        result.cancelled = true;
        return result;
      }
    }
    held = 0;
    if (carried) {
      std::swap(batch[0], batch[count]);
      held = 1;
    }
  }
  if (writer && (!writer->finish() || !csv.commit())) result.error = csv.error();
  return result;
}

}  // namespace tsly
