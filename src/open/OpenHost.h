// What the Open command needs of the main window, named by meaning: the status
// line, the menu items and buttons it switches, the redraw or the NMO parameters
// afterwards, the scroll bars, the file-information window, the job editor's
// "lastpath" and the shared file dialog's remembered name. The main window
// implements it; Open never sees a widget of the main window.
#pragma once

#include <string>

namespace tsly {

class FileInfoWindow;

// The controls Open switches on and off.
enum class OpenControl {
  ChangeGraphics,     // menu item "Change Graphics" (editsele)
  SetNmoParameters,   // menu item "Set NMO Parameters" (editnmo)
  MakeVelfCommands,   // menu item "Make VELF commands" (editvelf)
  ClearPicks,         // button "Clear Picks"
  PrevNext,           // buttons "Prev" and "Next"
};

class OpenHost {
 public:
  virtual ~OpenHost() = default;

  // The status label Label1.
  virtual void setStatusText(const std::string& text) = 0;
  virtual void setControlEnabled(OpenControl control, bool on) = 0;
  // While the scan lets events run the tables it rebuilds are half made: the
  // host holds back the buttons, the canvas and the "&Options" menu (true) and
  // gives each its own state back afterwards (false).
  virtual void holdInput(bool held) = 0;
  // Gather data: "Set NMO Parameters" as if chosen from the menu.
  virtual void showNmoParameters() = 0;
  // Panel data: the redraw of the current CDP.
  virtual void redraw() = 0;
  // The scroll bars after the tables changed, by the display's one rule.
  virtual void updateScrollBars() = 0;
  // The file-information window tslyfile (made on first use, then kept).
  virtual FileInfoWindow& fileInfoWindow() = 0;
  // Tells the job editor the last directory ("lastpath").
  virtual void sendLastPath(const std::string& path) = 0;
  // True once Exit has run: an Open that was letting events run stops.
  virtual bool shuttingDown() const = 0;
  // The file name the shared file dialog shows at first and keeps after use.
  virtual std::string& dialogFileName() = 0;
};

}  // namespace tsly
