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
//  - Picks made, moved or removed on the spectrum go into the pick table
//    (PickEdits.h: a pick at the time of another is refused with the
//    duplicate-time box); the panel display draws them again and every window
//    that follows it hears of them, as of a click on a panel.
//  - The guide (the function of the picked neighbours) goes to the window with
//    each CDP and its picks; its check box shows it on the spectrum and across
//    the panels.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>

#include "display/core/PanelDisplay.h"
#include "spectrum/core/SpectrumGather.h"
#include "moveout/core/VelocityFunction.h"
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
  // The guide of the CDP shown at the sample times of its traces.
  std::vector<VelocityPick> guide() const;
  // The window's picking, on the CDP shown.
  void addPick(float timeMs, int velocity);
  void movePick(int index, float timeMs, int velocity);
  void removePick(int index);
  void edited(float timeMs, int velocity);
  void showGuide(bool on);
  // Slot of the pick the window shows at `index` (0: none).
  int slotOfIndex(int index) const;
  // The sample times of the CDP last handed to the window.
  double firstMs_ = 0, dtMs_ = 0;
  std::int32_t samples_ = 0;

  AppState& st_;
  Ui& ui_;
  QWidget* mainWindow_;
  DisplaySurface& display_;
  QAction* action_ = nullptr;
  VelocitySpectrumWindow* window_ = nullptr;
  SpectrumGathers gathers_;
};

}  // namespace tsly
