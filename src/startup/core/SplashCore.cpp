#include "startup/core/SplashCore.h"

#include "shared/State.h"

namespace tsly::startup {

namespace {
// Fractions as ratios of whole numbers, so that a height of 300 gives a top edge
// of exactly 270 and a press on that row is decided without rounding noise.
double part(double whole, int percent) { return whole * percent / 100.0; }
}  // namespace

SplashBoxes splashBoxes(double width, double height) {
  SplashBoxes b;
  b.ok = {part(width, 84), part(height, 90), part(width, 99), part(height, 99)};
  b.pause = {part(width, 1), part(height, 90), part(width, 30), part(height, 99)};
  return b;
}

SplashHit splashHitTest(const SplashBoxes& boxes, double x, double y) {
  if (x >= boxes.ok.left && y >= boxes.ok.top) return SplashHit::Ok;
  if (x < boxes.pause.right && y > boxes.pause.top) return SplashHit::Pause;
  return SplashHit::None;
}

void SplashWait::start(std::int64_t nowMs, std::int64_t durationMs) {
  state_ = State::Running;
  deadline_ = nowMs + durationMs;
}

bool SplashWait::press(SplashHit hit) {
  if (state_ == State::Ended) return false;
  if (hit == SplashHit::Ok) {
    state_ = State::Ended;
    return false;
  }
  if (hit == SplashHit::Pause) {
    state_ = State::Held;
    return true;
  }
  return false;
}

bool SplashWait::over(std::int64_t nowMs) const {
  switch (state_) {
    case State::Ended: return true;
    case State::Held: return false;
    case State::Running: return nowMs >= deadline_;
  }
  return true;
}

std::int64_t SplashWait::remainingMs(std::int64_t nowMs) const {
  if (state_ == State::Held) return -1;
  if (over(nowMs)) return 0;
  return deadline_ - nowMs;
}

}  // namespace tsly::startup
