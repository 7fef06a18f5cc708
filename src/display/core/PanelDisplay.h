// The panel display of the main window: redraw of the current CDP's panels,
// picks, Clear Picks and Next/Prev, on a Canvas, talking to the user through Ui
// and to the window's other controls through DisplayHost. Qt-free.
//
// Nesting: the redraw lets pending events run after the hourglass and after each
// panel, so other handlers can arrive in the middle of it. They are kept safe so:
//  - a redraw asked for during a redraw restarts it from the top once the current
//    pass reaches its next event point (an Open or the graphics dialog changed
//    what is to be drawn);
//  - Next, Prev, a pick click and Clear Picks arriving during a redraw are queued
//    and run, in order, when it ends (their lines and moves then refer to the
//    finished drawing, and no pick line is drawn twice by the overlay); the
//    window queues its own commands that cannot run inside a redraw (Open,
//    Exit) the same way, through runAfterRedraw();
//  - the redraw keeps its own file handle; nothing nested can close or move it.
//    It reads the shown CDP's traces in large blocks (TraceBlockReader), each
//    trace as reading it alone would give it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "display/core/WindowLayout.h"
#include "platform/Canvas.h"
#include "platform/Ui.h"
#include "shared/State.h"
#include "shared/TraceFormat.h"

namespace tsly {

// What changed on the display, for windows that follow the CDP shown and its picks.
enum class DisplayChange {
  PickMade,      // a pick was stored (or replaced) for the CDP shown
  PicksCleared,  // Clear Picks emptied the CDP shown
  CdpShown,      // a redraw finished drawing a CDP (after Open, Next, Prev, ...)
};

// What the display needs of the main window's other controls.
class DisplayHost {
 public:
  virtual ~DisplayHost() = default;
  virtual void setStatusText(const std::string& text) = 0;  // Label1
  virtual void setClearPicksEnabled(bool on) = 0;           // clearpicks
  virtual void setVelfEnabled(bool on) = 0;                 // editvelf
  // Inner size of the viewport Picture2, in pixels.
  virtual int viewportWidth() const = 0;
  virtual int viewportHeight() const = 0;
  // New maxima and steps of VScroll1 and HScroll1 (scrollBarsFor); a bar whose
  // value is above its new maximum takes the maximum and moves the canvas.
  virtual void setScrollBars(const ScrollBars& bars) = 0;
  // Told after each change above; windows that follow the display listen here.
  virtual void displayChanged(DisplayChange /*what*/) {}
};

// View values of the last redraw, used again by picks and scrolling.
struct DisplayView {
  float MicrosecondsPerRow = 0;
  float PlotRows = 0;
  std::int16_t TraceX = 0;
  std::int16_t CanvasWidth = 0;
};

inline constexpr Rgb PickColour{0, 255, 255};
// The guide: dashes of 6 pixels, gaps of 4, 2 pixels wide, in magenta.
inline constexpr Rgb GuideColour{255, 0, 255};
inline constexpr int GuidePenWidth = 2;
inline constexpr double GuideDash = 6, GuideGap = 4;
// Proposed picks (the first pass's, not yet accepted): XOR on white gives orange.
inline constexpr Rgb ProposalColour{0, 115, 255};

// A line across a panel at a time: a proposed pick as the panels show it.
struct PanelLine {
  std::int32_t panel = 0;  // PanelTable index
  float timeMs = 0;
};
inline constexpr Rgb Foreground{0, 0, 0};

class PanelDisplay {
 public:
  PanelDisplay(AppState& state, Canvas& canvas, Ui& ui, DisplayHost& host);

  // The redraw (button `refresh`).
  void refresh();
  // Mouse press on the canvas at (x, y) canvas pixels; any button.
  void mousePress(float x, float y);
  // Button "Clear Picks".
  void clearPicks();
  // Buttons "Next" and "Prev".
  void nextPanel();
  void prevPanel();
  // Shows CDP index `index` (1..CdpCount) as Next and Prev do: the picks of
  // the CDP shown are checked first. Another index, or the one shown, does nothing.
  void goToCdp(std::int32_t index);

  // While a redraw runs: queues `action` behind it (after whatever is queued
  // already) and returns true. Otherwise returns false and runs nothing.
  bool runAfterRedraw(std::function<void()> action) { return deferIfBusy(std::move(action)); }

  // Picks drawn at any velocity and the guide (PanelVelocityAxis.h, PickEdits.h).
  // The picks of the CDP shown were changed elsewhere (the velocity spectrum):
  // their lines are drawn again, "Make VELF commands" is enabled while any
  // remain, and the windows that follow the display are told (PickMade).
  void picksEdited();
  // The guide from the picked neighbours, dashed across the panels; drawn from
  // the next redraw on.
  void setGuideShown(bool on) { guideShown_ = on; }
  bool guideShown() const { return guideShown_; }
  // The proposed picks of a CDP (its number), drawn by every redraw after its
  // picks with the pick pen in ProposalColour.
  std::function<std::vector<PanelLine>(std::int16_t cdp)> proposals;

  const DisplayView& view() const { return view_; }
  bool redrawing() const { return busy_; }
  int pendingActions() const { return static_cast<int>(deferred_.size()); }

 private:
  enum class Pass { Done, Failed, Restart };
  // The CDP the redraw shows: its index, whether the index is in the list, its
  // number and the trace positions of its panels.
  struct Shown {
    std::int32_t index = 0;
    bool valid = false;
    std::int16_t cdp = 0;
    std::int32_t positions = 0;
  };
  Pass redrawOnce();
  Shown shownCdp() const;
  void layOutCanvas(std::int32_t positions);
  void drawTimingLines();
  void planReading(const Shown& shown);
  Pass drawPanels(int handle, const Shown& shown);
  bool drawPanelTraces(int handle, const PanelEntry& panel, std::int64_t& position, int lineLeft);
  std::int16_t drawPickOverlay(const Shown& shown);
  // The pens: XOR, width 2, the pick colour for pick lines; copy, width 1, the
  // foreground for everything else.
  void usePickPen();
  void useDrawingPen();
  bool readTrace(int handle, const TraceDirEntry& entry, bool& hasSamples);
  // Labels and ticks above the trace at x; lineLeft and lineRight: the separator
  // lines beside it (NoSeparatorLine where there is none).
  void drawLabels(int x, int lineLeft, int lineRight);
  void paintTrace(int x);
  // Pick lines as drawn (XOR): a line is erased by drawing it once more, so
  // the display keeps each one's place until it is erased.
  struct DrawnPick {
    float timeMs;
    std::int16_t velocity;
    int left, right, y;
  };
  // The lines of the shown CDP's picks brought up to date: lines of picks gone
  // erased, picks not yet drawn drawn at their rows.
  void syncPickLines();
  // The line of the pick (timeMs, velocity) erased, if drawn; drawn at row y.
  void eraseLine(float timeMs, std::int16_t velocity);
  void drawLine(float timeMs, std::int16_t velocity, int y);
  void drawGuide(const Shown& shown);
  void moveBy(int step);
  bool deferIfBusy(std::function<void()> action);
  void drain();

  AppState& s_;
  Canvas& canvas_;
  Ui& ui_;
  DisplayHost& host_;
  DisplayView view_;

  bool busy_ = false;
  bool again_ = false;
  bool draining_ = false;
  std::deque<std::function<void()>> deferred_;

  TraceBlockReader blocks_;  // the shown CDP's traces, read in large blocks
  HeaderArray header_{};
  std::vector<float> samples_;
  std::vector<unsigned char> scratch_;
  int interval_ = 5;

  std::vector<DrawnPick> drawn_;
  bool guideShown_ = false;
};

}  // namespace tsly
