// The graphics parameters dialog `tslysele` ("Graphics Parameters"): traces per
// inch, gain, plot ending time, normalisation, area fill and the sampling ratio.
// Created on first use and then kept hidden between uses.
//
// run() fills the boxes from the settings, shows the dialog modally at the given
// place and, when it was closed with Done, stores the boxes into the settings and
// returns true (the caller then redraws). The window's close box (and Escape)
// cancels: nothing typed is stored. A sampling-ratio button takes effect the
// moment it is clicked, whichever way the dialog is closed.
#pragma once

#include <array>

#include <QDialog>

#include "display/core/GraphicsSettings.h"
#include "platform/Ui.h"
#include "shared/State.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QButtonGroup;

namespace tsly {

class GraphicsDialog : public QDialog {
  Q_OBJECT
 public:
  GraphicsDialog(AppState& state, Ui& ui, QWidget* parent = nullptr);

  // dpi: pixels per inch of the canvas. topLeft: where the dialog is placed.
  bool run(int dpi, const QPoint& topLeft);

  // Entries as they stand in the boxes.
  GraphicsEntries entries() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fill(const GraphicsEntries& e);
  void optionClicked(int index);
  void doneClicked();
  QRect twips(int left, int top, int width, int height) const;
  void layOut();
  void fitCaptions();

  AppState& s_;
  Ui& ui_;
  // The controls, with their objectNames.
  QGroupBox* frame_;                             // Frame1
  QLineEdit* tracesPerInch_;                     // Text1
  QLineEdit* gain_;                              // Text6: trace gain in dB
  QLineEdit* timeLength_;                        // Text2: plot ending time
  QLabel* tracesPerInchLabel_;                   // Label1
  QLabel* gainLabel_;                            // Label6
  QLabel* timeLengthLabel_;                      // Label2
  QCheckBox* normalize_;                         // normalize
  QCheckBox* areafil_;                           // areafil
  QGroupBox* ratioFrame_;                        // Frame3: the sampling ratio
  std::array<QRadioButton*, 4> ratioButtons_{};  // Option3, indices 0..3
  QButtonGroup* ratioGroup_;
  QPushButton* done_;  // DONE
};

}  // namespace tsly
