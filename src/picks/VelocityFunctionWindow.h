// The "Velocity Function" window (objectName "VelocityFunction"): a modeless
// window that checks the velocity function of the CDP shown. setCdp() takes the
// CDP's picks and shows them in time order in a table (time, RMS velocity,
// interval velocity, thickness, what the check found) and, beside it, a plot of
// the RMS velocity (points joined by lines) and the interval velocity (one step
// per interval) against time, time increasing downwards as on the panels.
// Flagged rows are tinted. The window only informs; it changes no pick.
//
// The main window keeps one and calls setCdp() after every pick, Clear Picks and
// CDP change, and clearCdp() when no panel file is open.
#pragma once

#include <vector>

#include <QWidget>

#include "picks/core/VelocityCheck.h"
#include "shared/State.h"

class QLabel;
class QTableWidget;

namespace tsly {

// The plot beside the table (objectName "velocityPlot").
class VelocityPlot : public QWidget {
  Q_OBJECT
 public:
  explicit VelocityPlot(QWidget* parent = nullptr);
  void setRows(const std::vector<vcheck::VelocityRow>& rows);
  QSize sizeHint() const override { return {300, 360}; }
  QSize minimumSizeHint() const override { return {220, 200}; }

  // Colours of the two curves (tests look for them in the drawn image).
  static QColor rmsColour() { return QColor(0, 0, 200); }
  static QColor intervalColour() { return QColor(200, 0, 0); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<vcheck::VelocityRow> rows_;
};

class VelocityFunctionWindow : public QWidget {
  Q_OBJECT
 public:
  explicit VelocityFunctionWindow(QWidget* parent = nullptr);

  // Shows the picks of one CDP (slots with a non-zero velocity).
  void setCdp(int cdp, const CdpPicks& picks);
  // No CDP to show (no panel file open).
  void clearCdp();

  const std::vector<vcheck::VelocityRow>& rows() const { return rows_; }
  QTableWidget* table() const { return table_; }
  VelocityPlot* plot() const { return plot_; }
  QLabel* heading() const { return heading_; }

  // Column texts of the table.
  enum Column { ColTime, ColRms, ColInterval, ColThickness, ColCheck, ColumnCount };

 private:
  QLabel* heading_ = nullptr;
  QTableWidget* table_ = nullptr;
  VelocityPlot* plot_ = nullptr;
  std::vector<vcheck::VelocityRow> rows_;
};

}  // namespace tsly
