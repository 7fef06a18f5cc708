#include "spectrum/core/SpectrumWorker.h"

namespace tsly {

namespace {

bool sameSettings(const SemblanceSettings& a, const SemblanceSettings& b) {
  return a.velocities == b.velocities && a.windowSamples == b.windowSamples && a.stretch == b.stretch &&
         a.workers == b.workers && a.tableCacheBytes == b.tableCacheBytes;
}

}  // namespace

SpectrumWorker::SpectrumWorker(Done done) : done_(std::move(done)), thread_([this] { run(); }) {}

SpectrumWorker::~SpectrumWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    waiting_.reset();
    cancelRunning_ = true;
    newest_ = 0;
  }
  wake_.notify_one();
  thread_.join();
}

std::uint64_t SpectrumWorker::request(CdpTraces traces, SemblanceSettings settings) {
  std::uint64_t id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    id = ++lastId_;
    waiting_ = Job{id, std::move(traces), std::move(settings)};
    newest_ = id;
    cancelRunning_ = true;  // whatever runs now is older
  }
  wake_.notify_one();
  return id;
}

void SpectrumWorker::cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  waiting_.reset();
  newest_ = 0;
  cancelRunning_ = true;
}

void SpectrumWorker::run() {
  for (;;) {
    Job job{};
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || waiting_.has_value(); });
      if (quit_) return;
      job = std::move(*waiting_);
      waiting_.reset();
      cancelRunning_ = false;
    }
    if (!engine_ || !sameSettings(engine_->settings(), SemblanceEngine::normalised(job.settings)))
      engine_ = std::make_unique<SemblanceEngine>(job.settings);
    Spectrum s;
    if (!engine_->compute(job.traces, s, &cancelRunning_)) continue;
    // Checked and delivered under the lock: a request made after the
    // computation ended supersedes it too.
    std::lock_guard<std::mutex> lock(mutex_);
    if (newest_.load() != job.id) continue;
    done_(job.id, std::move(s));
  }
}

}  // namespace tsly
