#include "display/core/WindowLayout.h"

#include <algorithm>

#include "shared/Numbers.h"

namespace tsly {

ResizeResult resizeLayout(double windowWidth, double windowHeight, const TwipsRect& viewport,
                          const TwipsRect& vscroll, const TwipsRect& hscroll) {
  ResizeResult r;
  r.viewport = viewport;
  r.vscroll = vscroll;
  r.hscroll = hscroll;
  if (!(windowHeight > MinRelayoutHeightTwips)) return r;
  r.relayout = true;
  r.viewport.height = std::max(0.0, windowHeight - hscroll.height - 1100);
  r.viewport.width = std::max(0.0, windowWidth - 400);
  r.vscroll.height = r.viewport.height;
  r.hscroll.top = r.viewport.top + r.viewport.height;
  r.hscroll.width = r.viewport.width;
  return r;
}

int scrollLargeStep(int viewportPixels) { return std::max(ScrollSmallStep, viewportPixels - 2 * ScrollSmallStep); }

ScrollBars scrollBarsFor(int canvasWidth, int canvasHeight, int viewportWidth, int viewportHeight) {
  ScrollBars b;
  b.verticalMax = std::max(canvasHeight - viewportHeight, 0);
  b.horizontalMax = std::max(canvasWidth - viewportWidth, 0);
  b.verticalPage = scrollLargeStep(viewportHeight);
  b.horizontalPage = scrollLargeStep(viewportWidth);
  return b;
}

CanvasPos canvasPosForHorizontal(int hValue, int vValue) { return {-hValue, -vValue}; }
CanvasPos canvasPosForVertical(int vValue) { return {0, -vValue}; }

}  // namespace tsly
