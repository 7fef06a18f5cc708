// Velocity spectra computed off the caller's thread, the newest request first:
// what a window uses so that computing never holds up the user.
//
//   SpectrumWorker worker([](std::uint64_t id, Spectrum&& s) { ...post to the UI thread... });
//   std::uint64_t id = worker.request(cdpTraces, settings);
//
// Rules, stated once:
//  - One worker thread (the engine inside it uses the settings' workers, the
//    worker thread being one of them). Requests are numbered 1, 2, ... in the
//    order made.
//  - A newer request supersedes every older one: a request still waiting is
//    dropped, and the one computing is cancelled (between velocity blocks); a
//    superseded request's result is never delivered. So `done` sees request
//    ids rising, and after the calls stop it sees the last request's result.
//  - `done` runs on the worker thread; it must hand the spectrum over (for
//    example by posting it to the window's thread) and not call back into the
//    worker.
//  - The engine (and its moveout tables) is kept while the settings stay the
//    same; new settings make a new engine.
//  - cancel() drops the waiting request and cancels the running one. The
//    destructor does the same and waits for the thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"

namespace tsly {

class SpectrumWorker {
 public:
  using Done = std::function<void(std::uint64_t id, Spectrum&& spectrum)>;

  explicit SpectrumWorker(Done done);
  ~SpectrumWorker();
  SpectrumWorker(const SpectrumWorker&) = delete;
  SpectrumWorker& operator=(const SpectrumWorker&) = delete;

  std::uint64_t request(CdpTraces traces, SemblanceSettings settings);
  void cancel();

 private:
  struct Job {
    std::uint64_t id;
    CdpTraces traces;
    SemblanceSettings settings;
  };
  void run();

  Done done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<Job> waiting_;
  std::uint64_t lastId_ = 0;
  std::atomic<std::uint64_t> newest_{0};  // the request that may still be delivered
  std::atomic<bool> cancelRunning_{false};
  bool quit_ = false;
  std::unique_ptr<SemblanceEngine> engine_;
  std::thread thread_;  // last: starts once the members above exist
};

}  // namespace tsly
