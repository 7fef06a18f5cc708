// "&Options" / "Velocity Spectrum" (objectName velspectrum): the velocity
// spectrum window for the CDP shown, wired to the main window.
//
//  - The item is enabled while velocity-scan panels are open (the main window
//    switches it with Prev and Next).
//  - Choosing it asks for the CDP-gather file the panels were made from, once
//    per panel file for the session (SpectrumGathers), then shows the window
//    (made on first use and placed by placeWindow, then kept where the user
//    leaves it; modeless).
//  - While the window is visible it follows the panel display's changes: a CDP
//    shown (Open, Next, Prev, any redraw) reads that CDP's traces from the
//    gather and hands them over with the main canvas's time scale; a pick or
//    Clear Picks hands over the CDP's picks. A hidden window is brought up to
//    date when it is shown again.
#pragma once

#include <functional>
#include <memory>

#include <QObject>

#include "display/core/PanelDisplay.h"
#include "spectrum/core/SpectrumGather.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QAction;
class QMenu;
class QWidget;

namespace tsly {

class DisplaySurface;
class VelocitySpectrumWindow;

class SpectrumCommand : public QObject {
  Q_OBJECT
 public:
  // Adds the item to `options` and listens to `display`.
  SpectrumCommand(AppState& state, Ui& ui, QWidget* mainWindow, QMenu* options, DisplaySurface& display);
  ~SpectrumCommand() override;

  // Places the window, once made and before it is first shown (the main
  // window places it beside itself).
  std::function<void(QWidget*)> placeWindow;

  QAction* action() const { return action_; }
  // The window, once the item has made it.
  VelocitySpectrumWindow* window() const { return window_; }
  SpectrumGathers& gathers() { return gathers_; }

  // Panels open (true) or not: the item, and a visible window's contents.
  void setAvailable(bool panelsOpen);
  // The menu item.
  void open();
  // The window's "Gather...": another gather for the open panels.
  void chooseGather();
  // What the panel display reports.
  void displayChanged(DisplayChange what);

 private:
  bool panelsOpen() const;
  // The CDP shown, its traces and the time scale, to the window.
  void showCdp();
  void showPicks();

  AppState& st_;
  Ui& ui_;
  QWidget* mainWindow_;
  DisplaySurface& display_;
  QAction* action_ = nullptr;
  VelocitySpectrumWindow* window_ = nullptr;
  SpectrumGathers gathers_;
};

}  // namespace tsly
