// tsly section FILE --png OUT.png [--gain DB] [--fill] [--tmin MS] [--tmax MS]:
// a picture of a trace file (time down, traces across, wiggles or variable
// area, time and CDP labels, panel velocities), laid out by
// deck/core/SectionPlot and painted here with QPainter.
// No window is shown: the Qt platform is "offscreen" unless QT_QPA_PLATFORM
// names another.
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <iostream>
#include <memory>
#include <string>

#include "ArgParse.h"
#include "CliSupport.h"
#include "platform/ShownText.h"
#include "PngOutput.h"
#include "commands.h"
#include "deck/core/SectionPlot.h"
#include "qt/PngFile.h"

namespace tsly::cli {

namespace {

struct SectionOptions {
  std::string in, png, gain = "0", tmin, tmax;
  bool fill = false;
};

QPolygonF polygon(const std::vector<section::Point>& pts) {
  QPolygonF p;
  p.reserve(static_cast<qsizetype>(pts.size()));
  for (const auto& q : pts) p << QPointF(q.x, q.y);
  return p;
}

QImage paintSection(const section::Data& d, const section::Layout& l, bool fill) {
  QImage img(l.width, l.height, QImage::Format_RGB32);
  if (img.isNull()) return img;
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  QFont font = p.font();
  font.setPixelSize(11);
  p.setFont(font);
  const QFontMetrics fm(font);
  const double plotLeft = l.left, plotRight = l.width - l.right;

  // Time lines and labels.
  for (const auto& t : l.timeLabels) {
    p.setPen(QPen(QColor(205, 205, 205), 1));
    p.drawLine(QPointF(plotLeft, t.at), QPointF(plotRight, t.at));
    p.setPen(Qt::black);
    p.drawLine(QPointF(plotLeft - 5, t.at), QPointF(plotLeft, t.at));
    const QString s = QString::fromStdString(t.text);
    p.drawText(QPointF(plotLeft - 8 - fm.horizontalAdvance(s), t.at + fm.ascent() / 2.0 - 1), s);
  }
  const QString ms = QStringLiteral("ms");
  p.drawText(QPointF(plotLeft - 8 - fm.horizontalAdvance(ms), l.top - 8), ms);

  // CDP labels with a tick down to the plot.
  p.setPen(Qt::black);
  for (const auto& c : l.cdpLabels) {
    const QString s = QString::fromStdString(c.text);
    p.drawText(QPointF(c.at - fm.horizontalAdvance(s) / 2.0, l.top - 14), s);
    p.drawLine(QPointF(c.at, l.top - 10), QPointF(c.at, l.top - 3));
  }
  p.drawText(QPointF(4, l.top - 14), QStringLiteral("CDP"));
  // A panel file: each panel's velocity above its CDPs.
  for (const auto& v : l.velocityLabels) {
    const QString s = QString::fromStdString(v.text);
    p.drawText(QPointF(v.at - fm.horizontalAdvance(s) / 2.0, l.top - 30), s);
  }
  if (!l.velocityLabels.empty()) p.drawText(QPointF(4, l.top - 30), QStringLiteral("velocity"));
  p.drawRect(QRectF(plotLeft, l.top, plotRight - plotLeft, l.plotBottom() - l.top));

  // The traces.
  p.setClipRect(QRectF(plotLeft, l.top, plotRight - plotLeft, l.plotBottom() - l.top + 1));
  const QPen wigglePen(Qt::black, l.spacing >= 4 ? 1.0 : 0.6);
  for (size_t k = 0; k < d.traces.size(); ++k) {
    if (fill) {
      QPainterPath lobes;
      for (const auto& lobe : section::positiveLobes(l, d, k)) lobes.addPolygon(polygon(lobe));
      p.fillPath(lobes, Qt::black);
    }
    p.setPen(wigglePen);
    p.drawPolyline(polygon(section::wiggle(l, d, k)));
  }
  p.end();
  return img;
}

int runSection(const SectionOptions& o) {
  double gain = 0.0;
  if (!parseFiniteNumber(o.gain, gain) || std::fabs(gain) > 120.0)
    return fail("section", "--gain wants decibels from -120 to 120 (got '" + o.gain + "')");
  section::Options opt;
  opt.gainDb = gain;
  opt.fill = o.fill;
  const auto time = [](const std::string& text, double& ms) { return text.empty() || parseFiniteNumber(text, ms); };
  if (!time(o.tmin, opt.tminMs)) return fail("section", "--tmin wants a time in ms (got '" + shownText(o.tmin, 40) + "')");
  if (!time(o.tmax, opt.tmaxMs)) return fail("section", "--tmax wants a time in ms (got '" + shownText(o.tmax, 40) + "')");
  if (!o.tmin.empty() && !o.tmax.empty() && !(opt.tminMs < opt.tmaxMs))
    return fail("section", "--tmin (" + shownText(o.tmin, 40) + ") must be below --tmax (" + shownText(o.tmax, 40) + ")");
  if (!inputAllowed("section", o.in) || !outputAllowed("section", o.png, true, {{o.in, "the input file"}})) return 1;
  stopOnSignals(false);
  section::Data d;
  if (std::string why = section::readSectionFile(o.in, d); !why.empty()) return fail("section", why);
  if (std::string why = section::checkTimeWindow(d, opt); !why.empty()) return fail("section", why);
  const section::Layout l = section::layoutSection(d, opt);
  if (l.capped)
    fail("section", "the picture is limited to " + std::to_string(section::MaxSectionSide) + " pixels each way and " +
                        std::to_string(section::MaxSectionPixels) + " in all; drawn smaller to fit");

  ensureGuiApplication();
  const QImage img = paintSection(d, l, o.fill);
  if (img.isNull()) return fail("section", "no memory for a picture of " + std::to_string(l.width) + " x " +
                                              std::to_string(l.height) + " pixels");
  if (const std::string error = writePngFile(img, o.png); !error.empty()) return fail("section", error);
  std::cout << "Wrote " << o.png << ": " << d.traces.size() << " traces, " << l.width << " x " << l.height
            << " pixels\n";
  return 0;
}

}  // namespace

void addSectionCommand(CLI::App& app, int& exitCode) {
  auto opts = std::make_shared<SectionOptions>();
  auto* cmd = addCommand(
      app, exitCode, opts, runSection, "section",
      "Draw a trace file (a stacked file from 'tsly nmo --stack', a panel file, or any other) as a PNG picture: "
      "time down (true times: a trace's first sample at its recording delay, word 55), traces across in file "
      "order, wiggles or variable area, time labels in ms, CDP labels and, for a panel file, each panel's "
      "velocity. The picture is about 800 pixels high for the time window, taller where that would put more "
      "than one sample on a pixel.");
  cmd->add_option("FILE", opts->in, "trace file to draw")->required();
  cmd->add_option("--png", opts->png,
                  "PNG file to write (replaced if it exists; at most 16384 pixels each way, a larger section is "
                  "drawn smaller)")
      ->required();
  cmd->add_option("--gain", opts->gain,
                  "gain in dB (default 0: the largest amplitude of the file swings one trace spacing)");
  cmd->add_flag("--fill", opts->fill, "variable area: fill the positive lobes black");
  cmd->add_option("--tmin", opts->tmin, "time at the top of the picture, ms (default: the earliest first sample)");
  cmd->add_option("--tmax", opts->tmax, "time at the bottom of the picture, ms (default: the latest last sample)");
}

}  // namespace tsly::cli
