// Layout arithmetic of the main window's viewport and scroll bars, in twips
// (1440 per inch), and the canvas position the scroll bars give. Qt-free.
#pragma once

#include "shared/Twips.h"

namespace tsly {

// The window must be taller than this for the viewport to follow its size.
inline constexpr int MinRelayoutHeightTwips = 2500;

struct TwipsRect {
  double left = 0, top = 0, width = 0, height = 0;
};

struct ResizeResult {
  bool relayout = false;  // false: viewport and bars stay as they are
  TwipsRect viewport, vscroll, hscroll;
};

// New places of the viewport and the bars for a window of the given outer size
// (twips): viewport height = window height - bar height - 1100, width = window
// width - 400; the vertical bar as high as the viewport; the horizontal bar under
// it, as wide. Windows 2500 twips high or less change nothing.
ResizeResult resizeLayout(double windowWidth, double windowHeight, const TwipsRect& viewport,
                          const TwipsRect& vscroll, const TwipsRect& hscroll);

// Natural steps: an arrow moves 16 pixels, a click in the trough a viewport less
// two arrow steps (at least one arrow step).
inline constexpr int ScrollSmallStep = 16;
int scrollLargeStep(int viewportPixels);

// Maxima and trough steps of VScroll1 and HScroll1 (pixels).
struct ScrollBars {
  int verticalMax = 0;
  int horizontalMax = 0;
  int verticalPage = ScrollSmallStep;
  int horizontalPage = ScrollSmallStep;
};
// The one rule for the scroll bars, from the canvas and viewport sizes in
// pixels; the redraw, Open and every resize set the bars by it. Each maximum is
// the part of the canvas that does not fit in the viewport, never below 0: at
// the maximum the canvas's far edge meets the viewport's, so the canvas never
// scrolls out of view, and a redraw that narrows it clamps the bar (which moves
// the canvas) so that it stays in view.
ScrollBars scrollBarsFor(int canvasWidth, int canvasHeight, int viewportWidth, int viewportHeight);

struct CanvasPos {
  int left = 0, top = 0;
};
// Horizontal bar moved: both offsets apply.
CanvasPos canvasPosForHorizontal(int hValue, int vValue);
// Vertical bar moved: the canvas's left edge comes back into view.
CanvasPos canvasPosForVertical(int vValue);

}  // namespace tsly
