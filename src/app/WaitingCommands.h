// Commands that must not run while something lets events run under them wait
// here, and run once it is over:
//  - Open and Exit inside a redraw (the redraw keeps them and runs them when it
//    ends) or inside a generation run, which reads the gather's tables to its
//    end: nothing may open another file or end the program under it;
//  - an Open chosen while another one scans runs once that one has finished,
//    and asks about unsaved picks then (its table is the one it would replace).
#pragma once

#include <functional>
#include <vector>

namespace tsly {

class WaitingCommands {
 public:
  using Action = std::function<void()>;
  // What the commands wait for, each asked when a command comes.
  struct Busy {
    // Keeps `action` to run after the redraw in progress; false when none is.
    std::function<bool(Action)> afterRedraw;
    std::function<bool()> generating;
    std::function<bool()> opening;
  };

  explicit WaitingCommands(Busy busy) : busy_(std::move(busy)) {}

  // True when `action` was kept (a redraw or a generation run is in progress),
  // false when it may run now.
  bool deferWhileBusy(Action action);
  // True when `action` was kept for the end of the Open in progress.
  bool waitForOpen(Action action);

  // An Open has ended: the commands that waited for it run, in order, until
  // `stop` says the program is shutting down.
  void openEnded(const std::function<bool()>& stop);
  // A click on "Generate Panels" has returned: the run it started is over. Each
  // command checks again (a press during a run returns at once, with the run
  // still going: the commands then wait on).
  void generationEnded();

 private:
  Busy busy_;
  std::vector<Action> waitingForGeneration_;
  std::vector<Action> waitingForOpen_;
};

}  // namespace tsly
