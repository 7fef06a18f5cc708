// "&Options" / "Velocity Field" (objectName velfield): the velocity field of
// the line from the picks of the session, wired to the main window.
//
//  - The item is enabled while velocity-scan or CDP-stacked panels are open.
//  - Choosing it shows the window (made on first use, placed by placeWindow,
//    then kept where the user leaves it; modeless).
//  - While the window is visible it follows the panel display: a pick, Clear
//    Picks, a CDP drawn (Open, Next, Prev, a load of picks) draw the field
//    again from the pick table, over the CDPs of the panel file and the
//    file's record length, with the CDP shown marked.
//  - A click in the field shows the listed CDP nearest the one clicked in the
//    main window, as Next and Prev move.
#pragma once

#include <functional>

#include <QObject>

#include "display/core/PanelDisplay.h"
#include "field/FieldHost.h"
#include "shared/State.h"

class QAction;
class QMenu;
class QWidget;

namespace tsly {

class DisplaySurface;
class VelocityFieldWindow;

class FieldCommand : public QObject, private FieldHost {
  Q_OBJECT
 public:
  FieldCommand(AppState& state, QWidget* mainWindow, QMenu* options, DisplaySurface& display);
  ~FieldCommand() override;

  std::function<void(QWidget*)> placeWindow;

  QAction* action() const { return action_; }
  VelocityFieldWindow* window() const { return window_; }

  // Panels open (true) or not: the item, and a visible window's contents.
  void setAvailable(bool panelsOpen);
  // The menu item.
  void open();
  // The field of the session's picks, to a visible window.
  void update();

 private:
  bool panelsOpen() const;
  void showCdp(int cdp) override;

  AppState& st_;
  QWidget* mainWindow_;
  DisplaySurface& display_;
  QAction* action_ = nullptr;
  VelocityFieldWindow* window_ = nullptr;
};

}  // namespace tsly
