// The main window `tessaly`: menus, the Prev / Next / Clear Picks buttons, the
// status label, the canvas inside its viewport and the two scroll bars. The
// canvas takes the focus (Tab reaches it) and scrolls from the keyboard:
// arrows, Page Up / Page Down, Home (top-left) and End (bottom). A status
// message that wraps pushes the viewport down rather than covering it.
//
// Every control and menu item carries its name as objectName (`fileopen`,
// `prevpanel`, `Picture1`, ...) and, where it has one, its help topic number as
// the dynamic property "helpContextId". Controls are placed from their design
// positions in twips at the window's logical DPI.
//
// The window holds references to the application's shared state, the dialog
// interface and the job-editor channel; main() passes the real ones, tests pass
// doubles. It owns the job-editor link (JobLink) and the file-information window.
//
// Life cycle: construct, then startup() (reads tessaly.ini, talks to the job
// editor: app/Session.h), then show(). "E&xit" and closing the window run
// shutdown(), which writes tessaly.ini into the start directory and then calls
// the end hook (by default: quit the application's event loop). Open and Exit
// chosen while a redraw, a generation run or another Open is going wait for it
// (app/WaitingCommands.h).
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FileDialogState.h"
#include "app/WaitingCommands.h"
#include "open/OpenHost.h"
#include "picks/PicksHost.h"
#include "platform/DdeClient.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QAction;
class QMenu;
class QPushButton;
class QScrollBar;
class QWidget;

namespace tsly {

class DisplaySurface;
class FileInfoWindow;
class NmoDialog;
class SpectrumCommand;
class ImageCanvas;
class WrappingLabel;
class JobLink;
class OpenCommand;
class HelpViewer;
class PicksCommands;
namespace output {
class PictureOutput;
}

// Design size of the main window's client area, in twips.
inline constexpr double MainClientWidthTwips = 7560;
inline constexpr double MainClientHeightTwips = 5040;

class TessalyWindow : public QMainWindow, private OpenHost, private PicksHost {
  Q_OBJECT
 public:
  TessalyWindow(AppState& state, Ui& ui, DdeClient& dde, QWidget* parent = nullptr);
  ~TessalyWindow() override;

  AppState& state() { return state_; }
  Ui& ui() { return ui_; }
  JobLink& link() { return *link_; }

  // Start-up: menu states, help set-up, the settings file, the job editor.
  void startup();
  // Opens a file exactly as "&Open" would once its dialog returned the name
  // (the file named on the command line).
  void openFile(const std::string& path);
  // Shut-down: asks the job editor for the processing-system path, writes the
  // settings file into the start directory, quits help, ends. Runs once.
  void shutdown();
  bool shutDown() const { return shutDown_; }

  // Called at the end of shut-down to end the program (default: quit the event
  // loop, every window closed without further events).
  std::function<void()> endProcess;
  // Called at shut-down to close the help viewer (the help module sets it).
  std::function<void()> quitHelp;

  // The program's help viewer (set up by startup(), told to quit at shut-down).
  HelpViewer& help() { return *help_; }
  // The shared file dialog's remembered names.
  FileDialogState& fileDialog() { return fileDialog_; }

  // The help file "TESSALY.HLP" in the program's folder (set by startup()).
  const std::string& helpFilePath() const { return helpFilePath_; }
  // Builds the help-file path from a folder: one "/" between folder and name.
  static std::string helpPathFor(const std::string& programFolder);
  // The program's folder (default: the executable's folder; tests may set it).
  void setProgramFolder(const std::string& folder) { programFolder_ = folder; }

  // The job editor's reply at shut-down: its processing-system path (empty when
  // it did not reply).
  std::string EditorReply1;

  // Window placement in twips (top/left of the frame, width/height of the window).
  double topTwips() const;
  double leftTwips() const;
  double widthTwips() const;
  double heightTwips() const;
  void setPlacementTwips(double top, double left, double width, double height);

  // The drawing canvas Picture1 and the panel display working on it.
  ImageCanvas* canvas() const { return canvas_; }
  DisplaySurface& display() { return *display_; }
  // Menu items and menus by objectName.
  QAction* action(const char* objectName) const;
  QMenu* menu(const char* objectName) const;
  // The file-information window tslyfile, made on first use.
  FileInfoWindow& fileInfoWindow() override;
  // The NMO parameters dialog, once "Set NMO Parameters" has created it.
  NmoDialog* nmoDialog() const { return nmosele_; }
  // Save BMP, Print and Print Setup, with the printer chosen for this run.
  output::PictureOutput& pictureOutput();

  // True while an Open is scanning the file (its progress lets events run).
  bool openRunning() const;
  // Save, Load, Export Picks, the velocity-function window and the question
  // before unsaved picks are lost.
  PicksCommands& picks() { return *picks_; }

  // "Velocity Spectrum" and its window.
  SpectrumCommand& spectrum() { return *spectrum_; }

  // The data files the program has open: the file open in the main window,
  // the panel file the picks belong to and the gather of the velocity
  // spectrum. No writer of the program writes over them.
  std::vector<NamedFile> dataFilesInUse() override;

 public slots:
  // "&Files..."
  void fileopen();
  void fileinfo();
  void fileprtsetup();
  void fileprint();
  void filebmp();
  void fileexit();
  // "&Options"
  void editsele();
  void editnmo();
  void editvelf();
  // "&Help"
  void helpcontents();
  void fileabout();
  // Buttons and scroll bars.
  void prevpanel();
  void nextpanel();
  void clearpicks();
  void refresh();
  void hscrollChanged(int value);
  void vscrollChanged(int value);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  void buildControls();
  QAction* addItem(QMenu* menu, const char* name, const char* caption, void (TessalyWindow::*slot)());
  // The status label: the text, then the width left in its row (and the height
  // the text needs there), so that no message is ever cut.
  void showStatus(const QString& text);
  void fitStatusLabel();
  // Moves the top of the viewport and VScroll1 to `pixels` below their
  // design top (the status line's lines beyond its row).
  void setStatusInset(int pixels);
  // The canvas's keys: true when `key` scrolled it.
  bool scrollByKey(int key);
  // Open and Exit wait for a redraw, a generation run or another Open (see
  // WaitingCommands): true when `action` was kept, false when it may run now.
  bool deferWhileBusy(std::function<void()> action);
  bool waitForOpen(std::function<void()> action);

  // OpenHost
  void setStatusText(const std::string& text) override;
  void setControlEnabled(OpenControl control, bool on) override;
  void holdInput(bool held) override;
  void showNmoParameters() override;
  void redraw() override;
  void updateScrollBars() override;
  void sendLastPath(const std::string& path) override;
  bool shuttingDown() const override;
  std::string& dialogFileName() override;
  // PicksHost (setStatusText and dialogFileName as above)
  bool runAfterRedraw(std::function<void()> action) override;
  void redrawPicks() override;
  void addPicksListener(std::function<void()> listener) override;
  void picksStored() override;
  void placeBeside(QWidget* window) override;
  void placeSpectrum(QWidget* window);
  int controlsBottom() const;

  AppState& state_;
  Ui& ui_;
  DdeClient& dde_;
  std::unique_ptr<JobLink> link_;
  std::unique_ptr<OpenCommand> open_;
  std::unique_ptr<HelpViewer> help_;
  std::unique_ptr<output::PictureOutput> output_;
  FileInfoWindow* fileInfo_ = nullptr;
  NmoDialog* nmosele_ = nullptr;
  WaitingCommands waiting_;

  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QPushButton* prevpanel_ = nullptr;
  QPushButton* nextpanel_ = nullptr;
  QPushButton* clearpicks_ = nullptr;
  QPushButton* refresh_ = nullptr;
  WrappingLabel* label1_ = nullptr;
  QScrollBar* vscroll1_ = nullptr;
  QScrollBar* hscroll1_ = nullptr;
  QWidget* picture2_ = nullptr;
  QWidget* picture1_ = nullptr;
  ImageCanvas* canvas_ = nullptr;
  // Listens to the display: made after it, ended after it.
  std::unique_ptr<PicksCommands> picks_;
  std::unique_ptr<DisplaySurface> display_;
  std::unique_ptr<SpectrumCommand> spectrum_;

  FileDialogState fileDialog_;
  std::string helpFilePath_;
  std::string programFolder_;
  bool shutDown_ = false;
  // Enabled states of the controls and of "&Options" while Open holds them.
  bool inputHeld_ = false;
  int statusInset_ = 0;  // pixels the viewport is pushed down by the status line
  bool controlsWereEnabled_ = true;
  bool optionsWereEnabled_ = true;
};

}  // namespace tsly
