// Draws the About picture "rvlabout.bmp": a small velocity-scan panel of wiggle
// traces (area-filled), one reflection picked, and the program's name.
// Usage: mkabout OUTPUT.bmp
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Width = 388;
constexpr int Height = 253;

// A synthetic moved-out gather trace: three Ricker reflections, flat at the
// right trial velocity (curvature 0), curving down when the velocity is too
// high and up when it is too low.
double amplitude(int trace, int traces, double t, double curvature) {
  const double offset = static_cast<double>(trace - 1) / (traces - 1);
  double a = 0.0;
  const double times[] = {0.18, 0.42, 0.68};
  const double strengths[] = {1.0, -0.8, 0.65};
  for (int r = 0; r < 3; ++r) {
    const double t0 = times[r] + curvature * 0.09 * offset * offset / (1.0 + r);
    const double x = (t - t0) * 42.0;
    a += strengths[r] * (1.0 - 2.0 * x * x) * std::exp(-x * x);
  }
  return a;
}

void drawPanel(QPainter& p, int left, int top, int width, int height, int traces, double curvature) {
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.drawRect(left, top, width, height);
  const double spacing = static_cast<double>(width) / (traces + 1);
  for (int i = 1; i <= traces; ++i) {
    const double x0 = left + i * spacing;
    QPainterPath wiggle, fill;
    fill.moveTo(x0, top);
    for (int row = 0; row <= height; ++row) {
      const double t = static_cast<double>(row) / height;
      const double a = amplitude(i, traces, t, curvature);
      const double x = x0 + a * spacing * 0.7;
      if (row == 0)
        wiggle.moveTo(x, top + row);
      else
        wiggle.lineTo(x, top + row);
      fill.lineTo(a > 0 ? x : x0, top + row);
    }
    fill.lineTo(x0, top + height);
    p.fillPath(fill, QColor(20, 20, 60));
    p.setPen(QPen(QColor(20, 20, 60), 1));
    p.drawPath(wiggle);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkabout OUTPUT.bmp\n");
    return 1;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  QImage img(Width, Height, QImage::Format_RGB32);
  img.fill(QColor(236, 233, 216));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);

  // Three panels at trial velocities below, at and above the flattening one.
  const int panelTop = 58, panelHeight = 150, panelWidth = 104;
  const double curvatures[] = {-1.0, 0.0, 1.0};
  const char* velocities[] = {"1800", "2000", "2200"};
  QFont small("Sans", 7);
  for (int k = 0; k < 3; ++k) {
    const int left = 18 + k * (panelWidth + 14);
    drawPanel(p, left, panelTop, panelWidth, panelHeight, 9, curvatures[k]);
    p.setFont(small);
    p.setPen(QColor(60, 60, 60));
    p.drawText(QRect(left, panelTop + panelHeight + 2, panelWidth, 12), Qt::AlignCenter,
               velocities[k]);
  }
  // The analyst's pick on the flat panel.
  const int pickY = panelTop + static_cast<int>(0.42 * panelHeight);
  p.setPen(QPen(QColor(0, 200, 200), 2));
  p.drawLine(18 + panelWidth + 14, pickY, 18 + 2 * panelWidth + 14, pickY);

  p.setPen(QColor(20, 20, 90));
  QFont title("Sans", 20, QFont::Bold);
  p.setFont(title);
  p.drawText(QRect(0, 6, Width, 30), Qt::AlignCenter, "Tessaly");
  QFont sub("Sans", 8);
  p.setFont(sub);
  p.drawText(QRect(0, 36, Width, 16), Qt::AlignCenter, "Stacking velocity analysis");
  p.end();

  if (!img.save(QString::fromLocal8Bit(argv[1]), "BMP")) {
    std::fprintf(stderr, "mkabout: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
