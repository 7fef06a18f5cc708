// The moveouts of one panel held in memory, computed on worker threads for the
// generation run, which replays the panel's traces in order on its own thread
// and writes what the workers computed.
//
//   PanelMoveout work(velocities, stretch, stack, workers);
//   work.start(panel, count);                       // after panel.load(), all kept
//   const CdpMoveout& r = work.wait(j, m);          // velocity j, CDP m, in write order
//   ... write ...
//   work.release(j, m);                             // its memory may go
//   work.stop();                                    // before the panel is replaced
//
// Rules, stated once:
//  - A unit is one CDP m at one velocity j. The workers take the velocities in
//    entry order, each worker one whole velocity at a time, and its CDPs in
//    order; so each velocity's moveout tables are built once per panel and
//    serve all its CDPs. Each worker rebuilds its tables in place for its next
//    velocity (fresh memory costs more than building them again).
//  - What a unit holds is what the run's own trace loop leaves: stacked, the
//    output buffer after the CDP's live traces were added into it in file order
//    (resized to each trace's sample count as the run resizes it); unstacked,
//    each live trace moved out, one after another. The walk over a CDP's traces
//    stops at the first trace that ends the run (it is never used past it).
//    Every value is nmoit's bit for bit (moveout tables, MoveoutTable.h).
//  - Memory: the units computed and not yet released stay under resultBudget
//    bytes, except that the unit the writer waits for is always computed; the
//    moveout tables of all workers stay under tableBudget bytes (beyond it a
//    trace is moved out by nmoit directly).
//  - wait() throws std::bad_alloc when a worker ran out of memory on that unit.
//  - stop() ends the workers within one unit (a CDP) and joins them; the
//    destructor stops them too. start() may follow for the next panel: the
//    workers' table storage is kept between panels.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "generation/core/PanelTraces.h"

namespace tsly {

struct CdpMoveout {
  std::vector<float> samples;        // stacked: the summed buffer; unstacked: the moved-out traces
  std::vector<std::size_t> starts;   // unstacked: where each live trace's samples begin
};

class PanelMoveout {
 public:
  static constexpr std::size_t DefaultResultBudget = std::size_t{64} << 20;
  static constexpr std::size_t DefaultTableBudget = std::size_t{64} << 20;

  PanelMoveout(std::vector<float> velocities, float stretch, bool stack, int workers,
               std::size_t resultBudget = DefaultResultBudget, std::size_t tableBudget = DefaultTableBudget);
  ~PanelMoveout();
  PanelMoveout(const PanelMoveout&) = delete;
  PanelMoveout& operator=(const PanelMoveout&) = delete;

  void start(const PanelTraces& panel, std::int64_t count);
  const CdpMoveout& wait(std::size_t j, std::int64_t m);
  void release(std::size_t j, std::int64_t m);
  void stop();

 private:
  struct Unit;
  struct Tables;
  void work(Tables& tables);
  void compute(std::size_t j, std::int64_t m, Tables& tables, CdpMoveout& out);
  std::size_t index(std::size_t j, std::int64_t m) const { return j * static_cast<std::size_t>(count_) + static_cast<std::size_t>(m); }

  const std::vector<float> velocities_;
  const float stretch_;
  const bool stack_;
  const int workers_;
  const std::size_t resultBudget_, tableBudget_;

  const PanelTraces* panel_ = nullptr;
  std::int64_t count_ = 0;
  std::vector<std::unique_ptr<Tables>> tables_;  // one set per worker (one when there is none)
  std::atomic<std::size_t> tableBytes_{0};       // bytes of all kept tables

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Unit> units_;
  std::size_t nextVelocity_ = 0;
  std::size_t inFlight_ = 0;  // bytes of computed, unreleased units
  std::size_t waitJ_ = 0;     // the unit the writer needs next
  std::int64_t waitM_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tsly
