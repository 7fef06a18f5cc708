#include "picks/VelocityFunctionWindow.h"

#include <algorithm>
#include <cmath>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shared/Numbers.h"

namespace tsly {

namespace {

// Interval velocities beyond these are drawn at the edge of the plot: one
// interval of a few ms can give an absurd value that would squash the rest.
constexpr double PlotVelocityFloor = 0.0;
constexpr double PlotVelocityCeiling = 12000.0;

double niceStep(double span, int wanted) {
  if (!(span > 0)) return 1.0;
  const double raw = span / wanted;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * mag) return m * mag;
  return 10.0 * mag;
}

QString text(double v) { return QString::fromStdString(plainNumberText(v)); }
QString text(float v) { return QString::fromStdString(plainNumberText(v)); }

}  // namespace

// ---------------------------------------------------------------------------
// Plot

namespace {

// The plot's scales: time from 0 down to the last pick (rounded up to a whole
// step), velocity across the RMS and interval velocities (interval velocities
// held within the plot's floor and ceiling), both in round steps.
struct PlotAxes {
  QRect area;
  double tMax = 0, tStep = 1, vLo = 0, vHi = 0, vStep = 1;

  PlotAxes(const QRect& plotArea, const std::vector<vcheck::VelocityRow>& rows) : area(plotArea) {
    vLo = 1e300;
    vHi = -1e300;
    for (const auto& r : rows) {
      tMax = std::max(tMax, static_cast<double>(r.timeMs));
      vLo = std::min(vLo, static_cast<double>(r.rmsVelocity));
      vHi = std::max(vHi, static_cast<double>(r.rmsVelocity));
      if (r.hasInterval) {
        const double v = std::clamp(r.intervalVelocity, PlotVelocityFloor, PlotVelocityCeiling);
        vLo = std::min(vLo, v);
        vHi = std::max(vHi, v);
      }
    }
    tStep = niceStep(tMax > 0 ? tMax : 100.0, 5);
    tMax = std::max(tStep, std::ceil(tMax / tStep) * tStep);
    if (vHi - vLo < 200) {
      vLo -= 100;
      vHi += 100;
    }
    vStep = niceStep(vHi - vLo, 4);
    vLo = std::floor(vLo / vStep) * vStep;
    vHi = std::ceil(vHi / vStep) * vStep;
  }
  double x(double v) const {
    v = std::clamp(v, vLo, vHi);
    return area.left() + (v - vLo) / (vHi - vLo) * area.width();
  }
  double y(double t) const { return area.top() + std::clamp(t, 0.0, tMax) / tMax * area.height(); }
};

// Grid lines with their labels: times down the left, velocities along the top.
void drawGrid(QPainter& p, const PlotAxes& a, const QFontMetrics& fm, int labelsWidth, int widgetWidth) {
  p.setRenderHint(QPainter::Antialiasing, false);
  for (double t = 0; t <= a.tMax + a.tStep / 2; t += a.tStep) {
    const int y = static_cast<int>(std::lround(a.y(t)));
    p.setPen(QColor(225, 225, 225));
    p.drawLine(a.area.left(), y, a.area.right(), y);
    p.setPen(Qt::black);
    p.drawText(QRect(0, y - fm.height() / 2, labelsWidth - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter, text(t));
  }
  for (double v = a.vLo; v <= a.vHi + a.vStep / 2; v += a.vStep) {
    const int x = static_cast<int>(std::lround(a.x(v)));
    p.setPen(QColor(225, 225, 225));
    p.drawLine(x, a.area.top(), x, a.area.bottom());
    p.setPen(Qt::black);
    // Labels centred on their line, kept inside the widget at both ends.
    const QString label = text(v);
    const int w = fm.horizontalAdvance(label) + 4;
    const int lx = std::clamp(x - w / 2, 0, std::max(0, widgetWidth - w));
    p.drawText(QRect(lx, 2, w, fm.height()), Qt::AlignCenter, label);
  }
}

// Interval velocity: one vertical step per interval, joined across.
void drawIntervals(QPainter& p, const PlotAxes& a, const std::vector<vcheck::VelocityRow>& rows) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(VelocityPlot::intervalColour(), 2));
  bool previous = false;
  double previousX = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const auto& r = rows[i];
    if (!r.hasInterval) {
      previous = false;
      continue;
    }
    const double x = a.x(r.intervalVelocity);
    const double y1 = a.y(rows[i - 1].timeMs), y2 = a.y(r.timeMs);
    if (previous) p.drawLine(QPointF(previousX, y1), QPointF(x, y1));
    p.drawLine(QPointF(x, y1), QPointF(x, y2));
    previous = true;
    previousX = x;
  }
}

// RMS velocity: the picks joined by lines; flagged picks ringed.
void drawRms(QPainter& p, const PlotAxes& a, const std::vector<vcheck::VelocityRow>& rows) {
  p.setPen(QPen(VelocityPlot::rmsColour(), 2));
  for (std::size_t i = 1; i < rows.size(); ++i)
    p.drawLine(QPointF(a.x(rows[i - 1].rmsVelocity), a.y(rows[i - 1].timeMs)),
               QPointF(a.x(rows[i].rmsVelocity), a.y(rows[i].timeMs)));
  for (const auto& r : rows) {
    const QPointF c(a.x(r.rmsVelocity), a.y(r.timeMs));
    p.setPen(Qt::NoPen);
    p.setBrush(VelocityPlot::rmsColour());
    p.drawRect(QRectF(c.x() - 3, c.y() - 3, 6, 6));
    if (r.flags != vcheck::NoFlag) {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(VelocityPlot::intervalColour(), 1.5));
      p.drawEllipse(c, 6, 6);
    }
  }
}

// The legend under the plot, on the line at `ly`.
void drawLegend(QPainter& p, const QRect& area, const QFontMetrics& fm, int ly) {
  p.setBrush(Qt::NoBrush);
  int lx = area.left();
  for (const auto& [colour, name] : {std::pair{VelocityPlot::rmsColour(), QString("RMS")},
                                     std::pair{VelocityPlot::intervalColour(), QString("Interval")}}) {
    p.setPen(QPen(colour, 2));
    p.drawLine(lx, ly, lx + 18, ly);
    p.setPen(Qt::black);
    p.drawText(QPoint(lx + 22, ly + fm.ascent() / 2 - 1), name);
    lx += 30 + fm.horizontalAdvance(name);
  }
  p.drawText(QRect(lx, ly - fm.height() / 2, area.right() - lx, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
             "time (ms) down");
}

}  // namespace

VelocityPlot::VelocityPlot(QWidget* parent) : QWidget(parent) {
  setObjectName("velocityPlot");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void VelocityPlot::setRows(const std::vector<vcheck::VelocityRow>& rows) {
  rows_ = rows;
  update();
}

void VelocityPlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const QFontMetrics fm(font());
  const int left = fm.horizontalAdvance("00000") + 10;
  const int top = fm.height() + 8;
  const int bottom = fm.height() + 10;
  const int right = 12;
  const QRect area(left, top, std::max(20, width() - left - right), std::max(20, height() - top - bottom));
  p.setPen(QColor(160, 160, 160));
  p.drawRect(area);
  if (rows_.empty()) {
    p.setPen(Qt::black);
    p.drawText(area, Qt::AlignCenter, "No picks");
    return;
  }
  const PlotAxes axes(area, rows_);
  drawGrid(p, axes, fm, left, width());
  drawIntervals(p, axes, rows_);
  drawRms(p, axes, rows_);
  drawLegend(p, area, fm, height() - fm.height() / 2 - 4);
}

// ---------------------------------------------------------------------------
// Window

VelocityFunctionWindow::VelocityFunctionWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("VelocityFunction");
  setWindowTitle("Velocity Function");
  heading_ = new QLabel(this);
  heading_->setObjectName("cdpLabel");
  table_ = new QTableWidget(0, ColumnCount, this);
  table_->setObjectName("velocityTable");
  table_->setHorizontalHeaderLabels({"Time (ms)", "RMS velocity", "Interval velocity", "Thickness (ms)", "Check"});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  table_->setWordWrap(false);
  // Every column as wide as its texts, so a check is never cut short.
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  plot_ = new VelocityPlot(this);

  auto* body = new QHBoxLayout;
  body->addWidget(table_, 1);
  body->addWidget(plot_, 0);
  auto* column = new QVBoxLayout(this);
  column->addWidget(heading_);
  column->addLayout(body, 1);
  resize(1040, 460);
  clearCdp();
}

void VelocityFunctionWindow::clearCdp() {
  rows_.clear();
  heading_->setText("No CDP shown");
  table_->setRowCount(0);
  plot_->setRows(rows_);
}

void VelocityFunctionWindow::setCdp(int cdp, const CdpPicks& picks) {
  rows_ = vcheck::analyse(picks);
  int flagged = 0;
  for (const auto& r : rows_) flagged += r.flags != vcheck::NoFlag ? 1 : 0;
  QString heading = QString("CDP %1: %2 %3").arg(cdp).arg(rows_.size()).arg(rows_.size() == 1 ? "pick" : "picks");
  if (flagged) heading += QString(", %1 flagged").arg(flagged);
  heading_->setText(heading);

  table_->setRowCount(static_cast<int>(rows_.size()));
  const QColor tint(255, 225, 225);
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    const auto& r = rows_[static_cast<std::size_t>(i)];
    const bool first = i == 0;
    const QString cells[ColumnCount] = {
        text(r.timeMs),
        QString::number(r.rmsVelocity),
        r.hasInterval ? QString::number(nearest(r.intervalVelocity)) : QString(first ? "" : "-"),
        first ? QString() : text(static_cast<float>(r.thicknessMs)),
        QString::fromStdString(vcheck::flagText(r.flags)),
    };
    for (int c = 0; c < ColumnCount; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c != ColCheck) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (r.flags != vcheck::NoFlag) {
        item->setBackground(tint);
        item->setToolTip(cells[ColCheck]);
      }
      table_->setItem(i, c, item);
    }
  }
  plot_->setRows(rows_);
}

}  // namespace tsly
