#include "app/WaitingCommands.h"

namespace tsly {

bool WaitingCommands::deferWhileBusy(Action action) {
  if (busy_.afterRedraw && busy_.afterRedraw(action)) return true;
  if (busy_.generating && busy_.generating()) {
    waitingForGeneration_.push_back(std::move(action));
    return true;
  }
  return false;
}

bool WaitingCommands::waitForOpen(Action action) {
  if (!busy_.opening || !busy_.opening()) return false;
  waitingForOpen_.push_back(std::move(action));
  return true;
}

void WaitingCommands::openEnded(const std::function<bool()>& stop) {
  std::vector<Action> waiting;
  waiting.swap(waitingForOpen_);
  for (auto& action : waiting) {
    if (stop && stop()) break;
    action();
  }
}

void WaitingCommands::generationEnded() {
  std::vector<Action> waiting;
  waiting.swap(waitingForGeneration_);
  for (auto& action : waiting) action();
}

}  // namespace tsly
