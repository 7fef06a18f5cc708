// What the picks commands need of the main window, named by meaning: the status
// line, the shared file dialog's remembered name, the display the picks are
// drawn on (wait for its redraw, draw the picks again, hear of its changes),
// "Make VELF commands", the data files open, and where a window of its own
// first opens. The main window implements it; the picks commands never see one
// of its widgets.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;
#include "shared/OutputCheck.h"

namespace tsly {

class PicksHost {
 public:
  virtual ~PicksHost() = default;

  // The status label Label1.
  virtual void setStatusText(const std::string& text) = 0;
  // The file name the shared file dialog shows at first and keeps after use.
  virtual std::string& dialogFileName() = 0;
  // While a redraw runs, keeps `action` to run after it and returns true (the
  // picks of the CDP drawn are drawn at the end of its redraw); false when none runs.
  virtual bool runAfterRedraw(std::function<void()> action) = 0;
  // Draws the current CDP again, its picks with it.
  virtual void redrawPicks() = 0;
  // `listener` runs after each change of the picks shown: a pick, Clear Picks,
  // another CDP drawn.
  virtual void addPicksListener(std::function<void()> listener) = 0;
  // Picks were stored otherwise than by a click (a picks file was loaded):
  // "Make VELF commands" is enabled, as a click enables it.
  virtual void picksStored() = 0;
  // The data files the program has open (the panel file, the spectrum's
  // gather): no picks file is written over them.
  virtual std::vector<NamedFile> dataFilesInUse() = 0;
  // Places `window` (a top-level window of the picks commands, not yet shown)
  // where it first opens: beside the main window.
  virtual void placeBeside(QWidget* window) = 0;
};

}  // namespace tsly
