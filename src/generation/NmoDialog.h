// The NMO parameters dialog `nmosele` ("NMO Parameters"): the panels and their
// start CDPs, the trial velocities, CDPs per panel, stretch ratio, output length,
// "Stack CDPs" and the output file; "Generate Panels" runs the generation engine,
// "STOP Processing" ends a run after the velocity block in progress.
//
// The main window creates it on first use (which runs its Creation values from
// the shared state) and keeps it: "&Exit" and a finished run hide it, so its
// entries keep their values between showings ("&Exit" during a run stops the
// run as "STOP Processing" does; the dialog hides when the run has ended).
// showDialog() resets the information label to the file's CDP range and shows
// it modally. Label7 shows the output name as the run writes it (the file
// name in capitals).
//
// Change rules run on every change of a box, typed or set, as the analyst types:
// the count boxes grow and shrink the Text3 / Text4 columns (1..20), Text2 is
// held to 0..50 (a negative value becomes 5), Text5 to .1 .. .99 (a lone "0" or
// "." is left alone while typing). Spin buttons step the boxes and wrap around.
//
// Control arrays (Text1, Spin1, Text3, Text4) share their objectName; each
// control carries its array index in the dynamic property "index".
#pragma once

#include <QDialog>
#include <QWidget>
#include <string>
#include <vector>

#include "generation/core/Generation.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;

namespace tsly {

// Up and down arrows beside a box (a spin button without a value of its own).
class SpinButton : public QWidget {
  Q_OBJECT
 public:
  explicit SpinButton(QWidget* parent = nullptr);
  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

 signals:
  void upClicked();
  void downClicked();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
};

class NmoDialog : public QDialog {
  Q_OBJECT
 public:
  NmoDialog(AppState& state, Ui& ui, QWidget* parent = nullptr);

  // The main window's "Set NMO Parameters": reset Label4, then show modally
  // (application-modal, returning at once).
  void showDialog();
  // What showDialog does before showing (also for tests that show it modeless).
  void prepareOpening();

  // Controls, by the objectNames the analyst's help and the tests use.
  // Text1 / Spin1 (0: panel count, 1: velocity count) and the column boxes
  // Text3 (start CDPs) and Text4 (velocities) are control arrays.
  QLineEdit* text1(int box) const { return countBoxes_[static_cast<size_t>(box)]; }
  QLineEdit* text2() const { return cdpsPerPanel_; }
  QLineEdit* text3(int entry) const { return startCdps_[static_cast<size_t>(entry)]; }
  QLineEdit* text4(int entry) const { return velocities_[static_cast<size_t>(entry)]; }
  QLineEdit* text5() const { return stretch_; }
  QLineEdit* text6() const { return lengthMs_; }
  QLabel* label4() const { return info_; }
  QLabel* label7() const { return outputFile_; }
  QPushButton* processButton() const { return process_; }
  QPushButton* stopButton() const { return stopnmo_; }
  QCheckBox* stackCheck() const { return stackcheck_; }
  SpinButton* spin1(int button) const { return countSpins_[static_cast<size_t>(button)]; }
  SpinButton* spin2() const { return cdpsPerPanelSpin_; }
  SpinButton* spin3() const { return stretchSpin_; }
  QAction* fileoutAction() const { return fileout_; }
  QAction* fileexitAction() const { return fileexit_; }

  int panelEntryCount() const { return static_cast<int>(startCdps_.size()); }
  int velocityEntryCount() const { return static_cast<int>(velocities_.size()); }
  bool running() const { return running_; }
  // The output file of the last run (after upper-casing), empty before any.
  const std::string& lastOutputName() const { return lastOutput_; }
  // The run's inputs as the entries stand.
  GenerationParams entries() const;
  // The clock of the completion message (tests fix it).
  std::function<std::string()> timeOfDay;

 public slots:
  void process();   // "Generate Panels"
  void stopnmo();   // "STOP Processing"
  void fileout();   // "Output File Name"
  void fileexit();  // "&Exit": hides the dialog; during a run, stops it
  void countUp(int box);
  void countDown(int box);
  void cdpsPerPanelUp();
  void cdpsPerPanelDown();
  void stretchUp();
  void stretchDown();
  // Escape and the close box. While a run is in progress they act as "STOP
  // Processing" (the velocity block in progress is finished with its separator,
  // then the run ends and the dialog hides); otherwise they hide the dialog.
  void reject() override;

 private:
  void buildMenu();
  void buildCountRow();
  void buildColumnsAndRun();
  void connectRules();
  void setCreationValues();
  // A control of the client area: object name, geometry, array index (-1: none).
  template <class Field>
  Field* field(const char* name, const QRect& r, int index = -1);
  QRect twips(double left, double top, double width, double height) const;
  void countChanged(int box);
  void cdpsChanged();
  void stretchChanged();
  void resizeColumn(std::vector<QLineEdit*>& column, int n, bool startCdps);
  QLineEdit* newEntry(const char* name, int index, const QRect& first);
  void setBox(QLineEdit* box, const std::string& text, bool cursorToEnd = false);

  AppState& s_;
  Ui& ui_;
  QMenuBar* menuBar_;
  QMenu* files_;
  QAction* fileout_;
  QAction* fileexit_;
  QWidget* client_;
  QLineEdit* countBoxes_[2];                // Text1: panels, velocities (1..20)
  SpinButton* countSpins_[2];               // Spin1
  QLineEdit* cdpsPerPanel_;                 // Text2
  SpinButton* cdpsPerPanelSpin_;            // Spin2
  QLineEdit* stretch_;                      // Text5: stretch ratio
  SpinButton* stretchSpin_;                 // Spin3
  std::vector<QLineEdit*> startCdps_;       // Text3: one box per panel
  std::vector<QLineEdit*> velocities_;      // Text4: one box per velocity
  QRect startCdpsFirst_, velocitiesFirst_;  // where each column's first box stands
  QLineEdit* lengthMs_;                     // Text6: output length in ms
  QLabel* info_;                            // Label4: the CDP range, then the run's progress
  QPushButton* process_;
  QPushButton* stopnmo_;
  QCheckBox* stackcheck_;
  QLabel* outputFile_;  // Label7: the output file name
  bool running_ = false;
  bool stopFlag_ = false;
  std::string lastOutput_;
};

}  // namespace tsly
