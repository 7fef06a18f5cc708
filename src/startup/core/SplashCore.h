// The splash window's geometry, hit-testing and wait. No window code here: the
// splash widget calls these, and so do the tests.
#pragma once

#include <cstdint>
#include <string>

namespace tsly::startup {

// Splash boxes in the splash picture's own units (pixels), from its width W and
// height H: OK from (0.84 W, 0.90 H) to (0.99 W, 0.99 H), Pause from
// (0.01 W, 0.90 H) to (0.30 W, 0.99 H). Both share the top edge.
struct SplashBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};

struct SplashBoxes {
  SplashBox ok;
  SplashBox pause;
};

SplashBoxes splashBoxes(double width, double height);

enum class SplashHit { None, Ok, Pause };

// A press at (x, y): OK when x >= the OK box's left edge and y >= the boxes' top
// edge (so the top edge line itself counts for OK); otherwise Pause when
// x < the Pause box's right edge and y > the top edge; otherwise nothing.
SplashHit splashHitTest(const SplashBoxes& boxes, double x, double y);

// How long the splash stays up by itself.
inline constexpr std::int64_t SplashWaitMs = 4000;

// The splash wait on a millisecond clock supplied by the caller. Running until
// the deadline; a press on OK ends it; a press on Pause holds it (no deadline)
// until OK is pressed.
class SplashWait {
 public:
  enum class State { Running, Held, Ended };

  void start(std::int64_t nowMs, std::int64_t durationMs = SplashWaitMs);
  // Applies a press; returns true when the press asks for a beep (Pause).
  bool press(SplashHit hit);
  // True once the wait is over at time nowMs (ended by OK or by the clock).
  bool over(std::int64_t nowMs) const;
  // Milliseconds left until the wait ends by itself; -1 while held; 0 when over.
  std::int64_t remainingMs(std::int64_t nowMs) const;
  State state() const { return state_; }

 private:
  State state_ = State::Running;
  std::int64_t deadline_ = 0;
};

}  // namespace tsly::startup
