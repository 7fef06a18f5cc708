// Where a window of the program first opens beside the main window ("Velocity
// Spectrum", "Velocity Function"), as plain screen geometry in pixels.
//
//   PlaceRect r = placeBeside({screen, main, controlsBottom, taken, wanted, least});
//
// Rules, stated once:
//  - The window goes where it covers neither the main window nor the windows
//    already placed (`taken`), inside the screen's free area: at a corner
//    formed by the screen, the main window and the windows taken (to the right
//    of the main window, below it, ...). At each such corner it takes its
//    wanted size, made smaller where the screen or another window ends it.
//  - Of those places the one where it keeps at least its least size and the
//    largest area wins; on equal areas, right of the main window at its top
//    first, then below it at its left, then the others.
//  - Where no place keeps the least size the window opens, at most its wanted
//    size, in a corner of the screen below `controlsBottom` (the bottom of the
//    main window's menus and controls), the corner where it covers least of
//    the windows taken (bottom-right first): it may cover the main window's
//    picture, never its menus or controls.
#pragma once

#include <vector>

namespace tsly {

struct PlaceRect {
  int x = 0, y = 0, width = 0, height = 0;
  int right() const { return x + width; }  // one past the last column
  int bottom() const { return y + height; }
  bool intersects(const PlaceRect& o) const {
    return x < o.right() && o.x < right() && y < o.bottom() && o.y < bottom();
  }
  bool operator==(const PlaceRect&) const = default;
};

struct PlaceSize {
  int width = 0, height = 0;
};

struct PlacementRequest {
  PlaceRect screen;              // the screen's free area
  PlaceRect main;                // the main window, frame included
  int controlsBottom = 0;        // y where its menus and controls end
  std::vector<PlaceRect> taken;  // windows already placed, frames included
  PlaceSize wanted, least;       // of the window to place, frame included
};

// The frame rectangle the window first opens at.
PlaceRect placeBeside(const PlacementRequest& r);

}  // namespace tsly
