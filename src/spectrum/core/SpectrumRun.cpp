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
  CdpTraces traces;
  for (std::int16_t cdp : p.cdps) {
    std::string err = gather.read(cdp, traces);
    if (err.empty()) err = spectrumSizeProblem(traces, p.settings.velocities.size());
    if (!err.empty()) {
      result.error = err;
      return result;  // the writer stops, then the temporary CSV goes with `csv`
    }
    Spectrum spectrum;
    if (!engine.compute(traces, spectrum, hooks.cancel)) {
      result.cancelled = true;
      return result;
    }
    if (hooks.spectrum) hooks.spectrum(spectrum);
    if (p.peaks && hooks.peaks) hooks.peaks(spectrum, spectrumPeaks(spectrum, p.peakThreshold));
    if (writer && !writer->push(std::move(spectrum))) break;
    ++result.cdpsDone;
    if (hooks.progress) hooks.progress(result.cdpsDone, p.cdps.size());
    if (hooks.cancel && hooks.cancel->load(std::memory_order_relaxed)) {
      result.cancelled = true;
      return result;
    }
  }
  if (writer && (!writer->finish() || !csv.commit())) result.error = csv.error();
  return result;
}

}  // namespace tsly
