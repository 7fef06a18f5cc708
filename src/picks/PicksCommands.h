// The picks commands of the main window: "Save Picks...", "Load Picks...",
// "Export Picks..." and "Velocity Function" at the end of "&Options" (objectNames
// savepicks, loadpicks, exportpicks, velfunction), and the question asked before
// picks that were neither saved nor sent as a VELF deck would be lost (Exit, the
// close box, Open, Load).
//
// The four items are on while panel data is open: Open calls setPanelData(true)
// when it has made a fresh pick table for a panel file, false when a gather was
// opened. The picks belong to the panel file they were made on (dataFile()):
// they stay its picks while a gather is open to make panels from, or after a
// file was refused; a save names that file, and Exit or Open still ask about them.
//
// Every box goes through Ui. The velocity-function window is made on first use
// (first shown where the host places it), kept, and follows the display's
// changes (a pick, Clear Picks, a CDP drawn) and every load. A load that stores
// picks enables "Make VELF commands" as a click does; a save or an export is
// never written over the panel file nor over a data file the host names for it
// (the velocity spectrum's gather).
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "picks/PicksHost.h"
#include "picks/core/PicksTexts.h"
#include "picks/core/PicksFile.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QAction;
class QMenu;
class QWidget;

namespace tsly {

class VelocityFunctionWindow;

class PicksCommands : public QObject {
  Q_OBJECT
 public:
  // `window`: the main window, parent of the velocity-function window;
  // `options`: "&Options", the items are added at its end.
  PicksCommands(AppState& state, Ui& ui, PicksHost& host, QWidget* window, QMenu* options,
                QObject* parent = nullptr);
  ~PicksCommands() override;

  // Open made a fresh pick table for the panel file now open (true), or opened
  // a gather (false): the items follow, the velocity-function window too.
  void setPanelData(bool open);
  bool panelData() const { return panelData_; }
  // A VELF deck reached the job editor whole: the picks count as sent.
  void deckSent();
  // Whether the picks changed since they were last saved, loaded or sent.
  bool unsaved() const;
  // True when nothing unsaved would be lost, or the user saved the picks or
  // chose to let them go; false to go back (Cancel, or the save did not happen).
  bool mayDiscard(pickstext::Leaving why);

  // The panel file the picks belong to ("" before any).
  const std::string& dataFile() const { return dataFile_; }
  // The velocity-function window, once "Velocity Function" has made it.
  VelocityFunctionWindow* velocityFunctionWindow() const { return velocityFunction_; }

 public slots:
  void savepicks();
  void loadpicks();
  void exportpicks();
  void velfunction();

 private:
  // The save dialog, the question before replacing, the write; true when written.
  bool save();
  // The name a dialog proposes: the shared name when it already ends in `ext`,
  // else "<data file base>.<ext>" in the last directory.
  std::string proposedName(const char* ext) const;
  // The chosen name, left in the shared dialog; false when there is none.
  bool takeChosen(const FileDialogResult& chosen);
  // The output check (shared/OutputCheck.h): false, and the box shown, when
  // `path` names a data file open or leads to a folder, FIFO or device.
  bool outputAllowed(const std::string& path, const char* title);
  void updateVelocityFunction();
  void enableItems(bool on);

  AppState& st_;
  Ui& ui_;
  PicksHost& host_;
  QWidget* window_;
  picks::PicksSavePoint savePoint_;
  std::string dataFile_;
  bool panelData_ = false;
  bool exportCsv_ = false;  // the last export was CSV
  QAction* save_ = nullptr;
  QAction* load_ = nullptr;
  QAction* export_ = nullptr;
  QAction* velfunction_ = nullptr;
  VelocityFunctionWindow* velocityFunction_ = nullptr;
};

}  // namespace tsly
