// The Qt side of where "Velocity Spectrum" and "Velocity Function" first open
// (the rule: shared/WindowPlacement.h): the screen the main window is on, the
// main window's frame, where its menus and controls end (the main window says:
// below its buttons and status line), and the frames of the windows already
// placed.
//
// A window not yet shown has no frame of its own: it is taken to get the main
// window's (the same window manager draws both). Sizes asked for are client
// sizes; the placed window is moved and resized to the frame found.
#pragma once

#include <QSize>
#include <vector>

#include "shared/WindowPlacement.h"

class QWidget;

namespace tsly {

class ToolWindowPlacing {
 public:
  // `controlsBottom`: the screen y below the main window's menus and controls.
  ToolWindowPlacing(QWidget* main, int controlsBottom) : main_(main), controlsBottom_(controlsBottom) {}

  // The frame of a window (as it will be once shown).
  PlaceRect frameOf(const QWidget* window) const;
  // Where a window of client size `size` would go, clear of `taken`.
  PlaceRect slotFor(QSize size, QSize least, const std::vector<PlaceRect>& taken) const;
  // Moves and resizes `window` (not yet shown) to its place.
  void place(QWidget* window, QSize least, const std::vector<PlaceRect>& taken) const;

 private:
  PlacementRequest request(QSize size, QSize least, const std::vector<PlaceRect>& taken) const;

  QWidget* main_;
  int controlsBottom_;
};

}  // namespace tsly
