// Picking on the "Velocity Spectrum" window through the real main window: a
// click takes the nearest semblance peak, Shift+click the point itself, a pick
// dragged moves, a right click or Delete removes it, a second pick at one time
// is refused with the duplicate-time box; the panels, the status line and the
// table follow; the guide from the picked neighbours on the spectrum and
// across the panels.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QMouseEvent>

#include <cmath>

#include "app/SpectrumCommand.h"
#include "app/TessalyWindow.h"
#include "display/DisplaySurface.h"
#include "display/core/PanelVelocityAxis.h"
#include "jobs/core/JobLink.h"
#include "picks/core/PickTable.h"
#include "qt/ImageCanvas.h"
#include "spectrum/SpectrumPictureWidget.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "spectrum/core/SpectrumPicking.h"
#include "support/GenFixtures.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// A pick line is drawn by XOR with cyan: red on white, cyan on black.
constexpr QRgb Red = 0xff0000, Cyan = 0x00ffff;

// Panels of CDPs 1001 and 1011 (1500, 1800, 2100; 400 samples at 4 ms) and
// their gather: eight offsets, an event at 400 ms and 2000 m/s. The window
// open on CDP 1001 with its spectrum computed.
struct Fixture {
  TempDir dir;
  AppState st;
  ScriptedUi ui;
  RecordingDde dde;
  TessalyWindow w{st, ui, dde};
  VelocitySpectrumWindow* v = nullptr;

  Fixture() {
    w.endProcess = [] {};
    w.link().linkstart("JobPad", "orogdde");
    w.show();
    PanelFileOptions o;
    o.samples = 400;
    o.interval = 4000;
    const std::string panels = dir.file("scan.nmo"), gather = dir.file("gather.dat");
    writePanelFile(panels,
                   {{1001, 1500, 10}, {1001, 1800, 10}, {1001, 2100, 10},
                    {1011, 1500, 10}, {1011, 1800, 10}, {1011, 2100, 10}},
                   o);
    writeGather(gather, syntheticGather(1001, 11, 8, 400));
    ui.choose(panels);
    w.action("fileopen")->trigger();
    ui.choose(gather);
    w.action("velspectrum")->trigger();
    v = w.spectrum().window();
    QElapsedTimer t;
    t.start();
    while (v && (v->computing() || !v->spectrum()) && t.elapsed() < 60000) QTest::qWait(10);
  }
  const CdpPicks& picks() const { return st.PickTable[1]; }
  QWidget* picture() { return v->findChild<SpectrumPictureWidget*>("spectrumPicture"); }
  double first() const { return v->spectrum()->velocities.front(); }
  double last() const { return v->spectrum()->velocities.back(); }
  // The picture pixel of (ms, velocity), and back.
  QPoint pixel(double ms, double velocity) const {
    const FigurePoint p = spectrumPixelOf(v->layout(), first(), last(), 0, {float(ms), float(velocity)});
    return {int(std::lround(p.x)), int(std::lround(p.y))};
  }
  VelocityPick pointAt(QPoint p) const { return *spectrumPointAt(v->layout(), first(), last(), 0, p.x(), p.y()); }
  void click(QPoint at, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::mouseClick(picture(), b, m, at);
  }
  void drag(QPoint from, QPoint to) {
    QTest::mousePress(picture(), Qt::LeftButton, Qt::NoModifier, from);
    for (int k = 1; k <= 4; ++k) {
      const QPointF at = from + (to - from) * (k / 4.0);
      QMouseEvent move(QEvent::MouseMove, at, picture()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QApplication::sendEvent(picture(), &move);
    }
    QTest::mouseRelease(picture(), Qt::LeftButton, Qt::NoModifier, to);
  }
  QRgb canvasAt(int x, int y) { return w.canvas()->image().pixel(x, y) & 0xffffff; }
  // Whether the main canvas shows the pick line of (ms, velocity).
  bool lineOnPanels(float ms, int velocity) {
    const auto span = pickSpan(st, velocity);
    const int y = static_cast<int>(std::lround(ms / 4.0 + 50));
    auto xored = [&](int x) { return canvasAt(x, y) == Red || canvasAt(x, y) == Cyan; };
    return span && xored(span->left + 1) && xored(span->right - 1);
  }
  // The velocity of a pick made at picture pixel p, as the box writes it.
  std::string velocityText(QPoint p) const {
    return " " + std::to_string(std::lround(pointAt(p).velocity));
  }
};

}  // namespace

class SpectrumPickingTest : public QObject {
  Q_OBJECT
 private slots:
  void aClickTakesTheNearestPeakAndShiftClickThePointItself();
  void aPickDraggedMovesAndRemovedGoes();
  void aSecondPickAtOneTimeIsRefused();
  void theGuideShowsTheNeighboursOnBothWindows();
};

void SpectrumPickingTest::aClickTakesTheNearestPeakAndShiftClickThePointItself() {
  Fixture f;
  QVERIFY(f.v && f.v->spectrum());
  const QPoint near = f.pixel(390, 1950);
  f.click(near);
  const VelocityPick peak = nearestMaximum(*f.v->spectrum(), f.pointAt(near));
  QCOMPARE(picksInUse(f.picks()), 1);
  QCOMPARE(f.picks().PickTime[1], peak.timeMs);
  QCOMPARE(int(f.picks().PickVelocity[1]), int(std::lround(peak.velocity)));
  QVERIFY(std::fabs(peak.timeMs - 400) <= 8);   // the event
  QVERIFY(std::fabs(peak.velocity - 2000) <= 40);
  QCOMPARE(f.picks().PickPanel[1], std::int16_t(0));  // between the 1800 and 2100 panels
  QVERIFY(f.lineOnPanels(peak.timeMs, f.picks().PickVelocity[1]));
  QVERIFY(f.w.action("editvelf")->isEnabled());
  QCOMPARE(f.v->picks().size(), size_t(1));
  QCOMPARE(f.v->selectedPick(), 0);
  // Shift+click: exactly there.
  const QPoint here = f.pixel(200, 1700);
  f.click(here, Qt::LeftButton, Qt::ShiftModifier);
  QCOMPARE(picksInUse(f.picks()), 2);
  QCOMPARE(f.picks().PickTime[2], f.pointAt(here).timeMs);
  QCOMPARE(int(f.picks().PickVelocity[2]), int(std::lround(f.pointAt(here).velocity)));
  QVERIFY(f.lineOnPanels(f.picks().PickTime[2], f.picks().PickVelocity[2]));
  QVERIFY(f.ui.boxes.empty());
  // Clicks off the field pick nothing.
  f.click(QPoint(2, 2));
  QCOMPARE(picksInUse(f.picks()), 2);
}

void SpectrumPickingTest::aPickDraggedMovesAndRemovedGoes() {
  Fixture f;
  QVERIFY(f.v && f.v->spectrum());
  f.click(f.pixel(100, 1600), Qt::LeftButton, Qt::ShiftModifier);
  f.click(f.pixel(300, 1900), Qt::LeftButton, Qt::ShiftModifier);
  const float t0 = f.picks().PickTime[1];
  const int v0 = f.picks().PickVelocity[1];
  QVERIFY(f.lineOnPanels(t0, v0));
  // Dragged: where it is let go.
  const QPoint to = f.pixel(160, 1750);
  f.drag(f.pixel(t0, v0), to);
  QCOMPARE(picksInUse(f.picks()), 2);
  QCOMPARE(f.picks().PickTime[1], f.pointAt(to).timeMs);
  QCOMPARE(int(f.picks().PickVelocity[1]), int(std::lround(f.pointAt(to).velocity)));
  QVERIFY(!f.lineOnPanels(t0, v0));
  QVERIFY(f.lineOnPanels(f.picks().PickTime[1], f.picks().PickVelocity[1]));
  QCOMPARE(f.v->selectedPick(), 0);
  // A press without moving selects; Delete removes the pick selected.
  const float t1 = f.picks().PickTime[2];
  const int v1 = f.picks().PickVelocity[2];
  f.click(f.pixel(t1, v1));
  QCOMPARE(f.v->selectedPick(), 1);
  QCOMPARE(picksInUse(f.picks()), 2);
  QTest::keyClick(f.picture(), Qt::Key_Delete);
  QCOMPARE(picksInUse(f.picks()), 1);
  QVERIFY(!f.lineOnPanels(t1, v1));
  QCOMPARE(f.v->selectedPick(), -1);
  // A right click on a pick removes it; elsewhere nothing.
  f.click(f.pixel(350, 2000), Qt::RightButton);
  QCOMPARE(picksInUse(f.picks()), 1);
  f.click(f.pixel(f.picks().PickTime[1], f.picks().PickVelocity[1]), Qt::RightButton);
  QCOMPARE(picksInUse(f.picks()), 0);
  QCOMPARE(f.v->picks().size(), size_t(0));
  // Slots put in time order behind the window (as the VELF commands do): the
  // pick clicked is still the one removed.
  const QPoint late = f.pixel(300, 1900), early = f.pixel(100, 1600);
  f.click(late, Qt::LeftButton, Qt::ShiftModifier);
  f.click(early, Qt::LeftButton, Qt::ShiftModifier);
  orderPicksByTime(f.st.PickTable[1]);
  f.click(early, Qt::RightButton);
  QCOMPARE(picksInUse(f.picks()), 1);
  QCOMPARE(f.picks().PickTime[1], f.pointAt(late).timeMs);
  QVERIFY(f.ui.boxes.empty());
}

void SpectrumPickingTest::aSecondPickAtOneTimeIsRefused() {
  Fixture f;
  QVERIFY(f.v && f.v->spectrum());
  // A panel click first, then the spectrum at the same pixel row.
  QTest::mouseClick(f.w.canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 150));  // 1500 at 400 ms
  QCOMPARE(f.picks().PickTime[1], 400.0f);
  const QPoint same = f.pixel(400, 2050);
  f.click(same, Qt::LeftButton, Qt::ShiftModifier);
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].text,
           "Duplicate Time Picks on velocities - \r\n 1500 and " + f.velocityText(same) + " on CDP #  1001");
  QCOMPARE(f.ui.boxes[0].title, std::string("TSLY-DUPLICATE TIME PICKS NOT ALLOWED"));
  QCOMPARE(f.ui.boxes[0].buttons, Buttons::Ok);
  QCOMPARE(f.ui.boxes[0].icon, Icon::Information);
  QCOMPARE(picksInUse(f.picks()), 1);
  // Dragged onto that time: refused as well, the pick stays where it was.
  f.click(f.pixel(200, 2000), Qt::LeftButton, Qt::ShiftModifier);
  const float t = f.picks().PickTime[2];
  const QPoint onto = f.pixel(400, 2000);
  f.drag(f.pixel(t, f.picks().PickVelocity[2]), onto);
  QCOMPARE(f.ui.boxes.size(), size_t(2));
  QCOMPARE(f.ui.boxes[1].text,
           "Duplicate Time Picks on velocities - \r\n 1500 and " + f.velocityText(onto) + " on CDP #  1001");
  QCOMPARE(f.picks().PickTime[2], t);
  QCOMPARE(f.v->picks()[1].timeMs, t);
  QCOMPARE(f.v->selectedPick(), 1);  // still the pick dragged
}

void SpectrumPickingTest::theGuideShowsTheNeighboursOnBothWindows() {
  Fixture f;
  QVERIFY(f.v && f.v->spectrum());
  // CDP 1011 picked at 1650 throughout; CDP 1001 shown again.
  CdpPicks& other = f.st.PickTable[2];
  other.PickTime[1] = 100.0f;
  other.PickVelocity[1] = 1650;
  f.w.display().display().refresh();
  auto* box = f.v->findChild<QCheckBox*>("guide");
  QVERIFY(box && !box->isChecked());
  // Rows of the spectrum's first 100 whose pixels near 1650 take the guide's colour.
  auto guideOnSpectrum = [&] {
    const QPoint p = f.pixel(0, 1650);
    int found = 0;
    for (int y = p.y(); y < p.y() + 100; ++y) {
      bool row = false;
      for (int x = p.x() - 1; x <= p.x() + 1; ++x) {
        const QColor c = f.v->picture().pixelColor(x, y);
        row = row || (c.red() > 200 && c.green() < 140 && c.blue() > 200);
      }
      found += row;
    }
    return found;
  };
  QCOMPARE(guideOnSpectrum(), 0);
  box->click();
  QVERIFY(f.w.display().display().guideShown());
  QVERIFY(guideOnSpectrum() > 40);   // dashes of 8 with gaps of 5
  QVERIFY(guideOnSpectrum() < 100);
  // Across the panels: half way between the middles of the 1500 and 1800 panels.
  const auto x = panelVelocityX(f.st, 1650);
  QVERIFY(x);
  QCOMPARE(f.canvasAt(int(std::lround(*x)), 52), QRgb(0xff00ff));
  box->click();
  QVERIFY(!f.w.display().display().guideShown());
  QCOMPARE(guideOnSpectrum(), 0);
  QVERIFY(f.canvasAt(int(std::lround(*x)), 52) != QRgb(0xff00ff));
}

QTEST_MAIN(SpectrumPickingTest)
#include "test_spectrum_picking.moc"
