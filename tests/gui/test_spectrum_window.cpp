// The "Velocity Spectrum" window through the real main window: the "&Options"
// item, the gather asked for once, the window following Next/Prev, picks and
// Clear Picks, the range boxes, newer requests superseding older ones, and
// "Save PNG...".
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/SpectrumCommand.h"
#include "app/TessalyWindow.h"
#include "picks/PicksCommands.h"
#include "picks/VelocityFunctionWindow.h"
#include "display/DisplaySurface.h"
#include "picks/core/PickTable.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "spectrum/core/CorrectedGather.h"
#include "jobs/core/JobLink.h"
#include "qt/ImageCanvas.h"
#include "shared/Numbers.h"
#include "support/GenFixtures.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// Panels of CDPs 1001 and 1011 (velocities 1500, 1800, 2100, ten traces each,
// 400 samples at 4 ms) and the gather they stand for: CDPs 1001..1011, eight
// offsets, an event at 400 ms and 2000 m/s.
struct Fixture : MainWindow {
  TempDir dir;
  std::string panels = dir.file("scan.nmo");
  std::string gather = dir.file("gather.dat");

  Fixture() {
    linked();
    w.show();
    PanelFileOptions o;
    o.samples = 400;
    o.interval = 4000;
    writePanelFile(panels,
                   {{1001, 1500, 10}, {1001, 1800, 10}, {1001, 2100, 10},
                    {1011, 1500, 10}, {1011, 1800, 10}, {1011, 2100, 10}},
                   o);
    writeGather(gather, syntheticGather(1001, 11, 8, 400));
  }
  void open() {
    ui.choose(panels);
    w.action("fileopen")->trigger();
    QVERIFY2(ui.boxes.empty(), ui.boxes.empty() ? "" : ui.boxes[0].text.c_str());
  }
  QAction* item() { return w.action("velspectrum"); }
  VelocitySpectrumWindow* window() { return w.spectrum().window(); }
  // Opens the window with the gather; waits for its first spectrum.
  VelocitySpectrumWindow* openWindow() {
    open();
    ui.choose(gather);
    item()->trigger();
    VelocitySpectrumWindow* v = window();
    if (v) waitForSpectrum(v);
    return v;
  }
  static bool waitForSpectrum(VelocitySpectrumWindow* v) {
    QElapsedTimer t;
    t.start();
    while ((v->computing() || !v->spectrum()) && t.elapsed() < 60000) QTest::qWait(10);
    return !v->computing() && v->spectrum();
  }
  std::int16_t cdpShown() const { return static_cast<std::int16_t>(st.CdpList[static_cast<std::size_t>(st.CurrentCdp)]); }
  // Whether the velocity function's colour is drawn at (time, velocity) of the
  // spectrum, within a pixel.
  bool functionAt(VelocitySpectrumWindow* v, double ms, double vel) {
    const auto& L = v->layout();
    const Spectrum* s = v->spectrum();
    const int x = static_cast<int>(
        std::lround(L.spectrumLeft + velocityX(vel, s->velocities.front(), s->velocities.back(), L.spectrumWidth)));
    const int y = static_cast<int>(std::lround(L.plotTop + ms / L.msPerRow));
    const QRgb white = VelocitySpectrumWindow::functionColour().rgb() & 0xffffff;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if ((v->picture().pixel(x + dx, y + dy) & 0xffffff) == white) return true;
    return false;
  }
};

// The window alone, shown one CDP of a gather of `traces` traces x `samples`
// samples, the panels' velocities spanning `span`; no main canvas.
struct LoneWindow {
  TempDir dir;
  AppState st;
  ScriptedUi ui;
  std::string gather = dir.file("g.dat");
  VelocitySpectrumWindow v{st, ui};
  LoneWindow(int traces, int samples, std::pair<double, double> span) {
    writeGather(gather, syntheticGather(1001, 1, traces, samples));
    GatherCdps g;
    QCOMPARE(g.open(gather), std::string());
    SpectrumCdpInput in;
    in.panelFile = dir.file("p.nmo");
    in.gatherFile = gather;
    QCOMPARE(g.read(1001, in.traces), std::string());
    in.panelSpan = span;
    v.show();
    v.showCdp(in);
  }
};

void compareBox(const RecordedBox& b, const std::string& text) {
  QCOMPARE(Box(b), (Box{text, "Velocity Spectrum", Buttons::Ok, Icon::Exclamation}));
}

}  // namespace

class SpectrumWindowTest : public QObject {
  Q_OBJECT
 private slots:
  // The spectrum and the velocity function open beside the main window, never
  // over its menus and controls, clear of each other where the screen has
  // room; closed and opened again, they come back where they were left.
  void windowsOpenBesideTheMainWindowThenWhereLeft() {
    Fixture f;
    f.w.move(0, 0);
    f.w.resize(360, 300);
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    f.w.action("velfunction")->trigger();
    QWidget* vf = f.w.picks().velocityFunctionWindow();
    QVERIFY(vf && vf->isVisible());
    const QRect main = f.w.frameGeometry();
    const QRect controls(f.w.mapToGlobal(QPoint(0, 0)),
                         QSize(f.w.width(), control<QWidget>(f.w, "Picture2")->mapTo(&f.w, QPoint(0, 0)).y()));
    for (QWidget* t : {static_cast<QWidget*>(v), vf}) {
      QVERIFY2(!t->frameGeometry().intersects(controls), qPrintable(t->objectName()));
      if (!t->frameGeometry().intersects(main)) continue;
      qInfo("%s: no room beside the main window on this screen", qPrintable(t->objectName()));
    }
    if (!v->frameGeometry().intersects(main) && !vf->frameGeometry().intersects(main))
      QVERIFY(!v->frameGeometry().intersects(vf->frameGeometry()));
    const QPoint spectrumLeft = v->pos() + QPoint(13, 7), functionLeft = vf->pos() + QPoint(-9, 11);
    v->move(spectrumLeft);
    vf->move(functionLeft);
    v->close();
    vf->close();
    f.item()->trigger();
    f.w.action("velfunction")->trigger();
    QVERIFY(v->isVisible() && vf->isVisible());
    QCOMPARE(v->pos(), spectrumLeft);
    QCOMPARE(vf->pos(), functionLeft);
  }

  void theItemIsEnabledWithPanelsAndAsksForTheGatherOnce() {
    Fixture f;
    QVERIFY(f.item());
    QCOMPARE(f.item()->text(), QString("Velocity Spectrum"));
    QVERIFY(!f.item()->isEnabled());
    f.st.LastPath = f.dir.path();
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    QVERIFY(f.item()->isEnabled());
    QCOMPARE(f.ui.openDialogs.size(), size_t(2));
    QCOMPARE(f.ui.openDialogs[1].title, std::string("CDP Gather of the Panels"));
    QCOMPARE(f.ui.openDialogs[1].initialDir, f.dir.path());
    QVERIFY(f.ui.boxes.empty());
    QCOMPARE(v->objectName(), QString("VelocitySpectrum"));
    QCOMPARE(v->windowTitle(), QString("Velocity Spectrum"));
    QVERIFY(v->isVisible());
    QVERIFY(v->isWindow());
    QVERIFY(!v->isModal());
    QCOMPARE(v->cdp(), std::int16_t(1001));
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1001));
    QCOMPARE(v->gather().traceCount(), size_t(8));
    // The panels' 1500..2100 widened by a tenth.
    QCOMPARE(v->range().min, 1470.0);
    QCOMPARE(v->range().max, 2130.0);
    QCOMPARE(v->spectrum()->velocities.front(), 1470.0f);
    QCOMPARE(v->spectrum()->velocities.back(), 2130.0f);
    QCOMPARE(control<QLineEdit>(f.w, "vmin"), nullptr);  // the boxes are the window's own
    QCOMPARE(v->findChild<QLineEdit*>("vmin")->text(), QString("1470"));
    QCOMPARE(v->statusLine()->text(), QString("CDP 1001: 8 live traces of gather.dat, 0 picks"));
    // Closed and chosen again: the gather stands, no dialog.
    v->close();
    f.item()->trigger();
    QCOMPARE(f.ui.openDialogs.size(), size_t(2));
    QVERIFY(v->isVisible());
    // The time scale is the main canvas's.
    const DisplayView& view = f.w.display().display().view();
    QCOMPARE(v->layout().rows, nearestI32(view.PlotRows));
    QCOMPARE(v->layout().msPerRow, view.MicrosecondsPerRow / 1000.0);
    QCOMPARE(v->picture().height(), v->layout().plotTop + v->layout().rows + 10);
  }

  void aGatherWithoutThePanelsCdpsIsRefusedNamingThem() {
    Fixture f;
    f.open();
    const std::string part = f.dir.file("part.dat");
    writeGather(part, syntheticGather(1003, 5, 4, 100));  // 1003..1007
    f.ui.choose(part);
    f.item()->trigger();
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    compareBox(f.ui.boxes[0], part + " does not hold every CDP of " + f.panels + ".\r\nMissing CDPs: 1001, 1011");
    QVERIFY(!f.window() || !f.window()->isVisible());
    // Asked again next time.
    f.item()->trigger();
    QCOMPARE(f.ui.openDialogs.size(), size_t(3));
  }

  void theWindowFollowsNextAndPrev() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    f.press("nextpanel");
    QCOMPARE(f.cdpShown(), std::int16_t(1011));
    QCOMPARE(v->cdp(), std::int16_t(1011));
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1011));
    QCOMPARE(v->statusLine()->text(), QString("CDP 1011: 8 live traces of gather.dat, 0 picks"));
    f.press("prevpanel");
    QCOMPARE(v->cdp(), std::int16_t(1001));
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1001));
    QCOMPARE(f.ui.openDialogs.size(), size_t(2));
  }

  // Other panels opened: their gather is not known yet; "Gather..." asks for it.
  // The first panel file's gather is still remembered when it is opened again.
  void anotherPanelFileWantsItsOwnGather() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    const std::string other = f.dir.file("other.nmo");
    PanelFileOptions o;
    o.samples = 400;
    writePanelFile(other, {{1001, 2000, 10}, {1011, 2000, 10}}, o);
    f.ui.choose(other);
    f.w.action("fileopen")->trigger();
    QVERIFY(!v->hasCdp());
    QVERIFY(v->picture().isNull());
    QCOMPARE(v->statusLine()->text(),
             QString::fromStdString("No CDP-gather file chosen for " + other + ": press Gather..."));
    QCOMPARE(f.ui.openDialogs.size(), size_t(3));
    f.ui.choose(f.gather);
    QTest::mouseClick(v->findChild<QPushButton*>("choosegather"), Qt::LeftButton);
    QCOMPARE(f.ui.openDialogs.size(), size_t(4));
    QCOMPARE(f.ui.openDialogs[3].title, std::string("CDP Gather of the Panels"));
    QVERIFY(v->hasCdp());
    QVERIFY(Fixture::waitForSpectrum(v));
    // One panel velocity, 2000: a tenth either side.
    QCOMPARE(v->spectrum()->velocities.front(), 1800.0f);
    QCOMPARE(v->spectrum()->velocities.back(), 2200.0f);
    f.open();
    QVERIFY(v->hasCdp());
    QCOMPARE(f.ui.openDialogs.size(), size_t(5));  // the Open only
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->velocities.front(), 1470.0f);
  }

  // Panels whose velocities are all 0 give no range: nothing is computed until
  // one is typed, and the gather is still shown.
  void noPanelRangeComputesNothingUntilOneIsTyped() {
    LoneWindow w(6, 200, {0, 0});
    VelocitySpectrumWindow& v = w.v;
    QVERIFY(!v.computing());
    QVERIFY(!v.spectrum());
    QCOMPARE(v.gather().traceCount(), size_t(6));
    QVERIFY(!v.picture().isNull());
    v.findChild<QLineEdit*>("vmin")->setText("1500");
    v.findChild<QLineEdit*>("vmax")->setText("2500");
    v.findChild<QLineEdit*>("vstep")->setText("100");
    QTest::mouseClick(v.findChild<QPushButton*>("apply"), Qt::LeftButton);
    QVERIFY(w.ui.boxes.empty());
    QVERIFY(Fixture::waitForSpectrum(&v));
    QCOMPARE(v.spectrum()->velocities.size(), size_t(11));
  }

  // Before the main canvas gives its time scale the window takes tsly's (a row
  // per sample): its picture is then the PNG `tsly semblance` writes of the
  // same CDP and range, pixel for pixel, with the gather beside it.
  void thePictureIsTheOneTslyWrites() {
    LoneWindow w(8, 400, {1500, 2100});
    VelocitySpectrumWindow& v = w.v;
    QVERIFY(Fixture::waitForSpectrum(&v));
    const VelocityRange r = v.range();
    const QString bin = qEnvironmentVariable("TESSALY_BIN_DIR");
    QVERIFY2(!bin.isEmpty(), "TESSALY_BIN_DIR is not set");
    QProcess tsly;
    tsly.start(bin + "/tsly/tsly",
               {"semblance", QString::fromStdString(w.gather), "--cdp", "1001", "--vmin",
                QString::number(r.min), "--vmax", QString::number(r.max), "--dv", QString::number(r.step), "--png",
                QString::fromStdString(w.dir.file("t.png"))});
    QVERIFY(tsly.waitForFinished(60000));
    QCOMPARE(tsly.exitCode(), 0);
    QImage png;
    QVERIFY(png.load(QString::fromStdString(w.dir.file("t.png")), "PNG"));
    QCOMPARE(png.width(), v.layout().scaleRight + 8);
    QVERIFY(v.picture().width() > png.width());
    QCOMPARE(png.height(), v.picture().height());
    QCOMPARE(png.convertToFormat(QImage::Format_RGB32), v.picture().copy(0, 0, png.width(), png.height()));
  }

  void picksAndClearPicksRedrawTheFunctionAndTheGather() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    const CorrectedGather recorded = v->gather();
    QVERIFY(!recorded.movedOut);
    QTest::mousePress(f.w.canvas(), Qt::LeftButton, {}, QPoint(235, 150));
    const std::vector<VelocityPick> picks = velocityPicksOf(f.st.PickTable[1]);
    QCOMPARE(picks.size(), size_t(1));
    QCOMPARE(v->picks().size(), size_t(1));
    QCOMPARE(v->picks()[0].timeMs, picks[0].timeMs);
    QCOMPARE(v->picks()[0].velocity, picks[0].velocity);
    QVERIFY(v->gather().movedOut);
    QVERIFY(v->gather().data != recorded.data);
    QCOMPARE(v->statusLine()->text(), QString("CDP 1001: 8 live traces of gather.dat, 1 pick"));
    // The pick is ringed in white on the spectrum.
    QVERIFY(f.functionAt(v, picks[0].timeMs, picks[0].velocity));
    // The function is held at the pick's velocity down to the bottom of the plot.
    const double bottom = (v->layout().rows - 20) * v->layout().msPerRow;
    QVERIFY(f.functionAt(v, bottom, picks[0].velocity));
    // The spectrum itself is not computed again for a pick.
    const std::uint64_t requests = v->requests();
    QVERIFY(!v->computing());

    f.press("clearpicks");
    QVERIFY(v->picks().empty());
    QVERIFY(!v->gather().movedOut);
    QCOMPARE(v->gather().data, recorded.data);
    QVERIFY(!f.functionAt(v, picks[0].timeMs, picks[0].velocity));
    QVERIFY(!f.functionAt(v, bottom, picks[0].velocity));
    QCOMPARE(v->statusLine()->text(), QString("CDP 1001: 8 live traces of gather.dat, 0 picks"));
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1001));
    QVERIFY(v->requests() >= requests);
  }

  void aNewerRequestSupersedesAnOlderOne() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    QSignalSpy shown(v, &VelocitySpectrumWindow::spectrumShown);
    // Two CDPs reported in a row, before either is computed: only the second
    // is shown. (The display's own redraw lets events run, so the reports are
    // made here, back to back.)
    f.st.CurrentCdp = 2;
    f.w.spectrum().displayChanged(DisplayChange::CdpShown);
    const std::uint64_t first = v->requests();
    QCOMPARE(v->cdp(), std::int16_t(1011));
    QVERIFY(v->computing());
    QCOMPARE(v->cursor().shape(), Qt::BusyCursor);
    QCOMPARE(v->statusLine()->text(), QString("CDP 1011: computing the spectrum..."));
    f.st.CurrentCdp = 1;
    f.w.spectrum().displayChanged(DisplayChange::CdpShown);
    QVERIFY(v->requests() > first);
    QVERIFY(Fixture::waitForSpectrum(v));
    // Results arrive in the order asked for and a superseded one is never
    // shown: once the last is on screen, the first can no longer come.
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toInt(), 1001);
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1001));
    QVERIFY(v->cursor().shape() != Qt::BusyCursor);
    // Picking goes on while a spectrum is computed: the pick reaches the window
    // at once, the spectrum is left to finish.
    f.press("nextpanel");
    QVERIFY(v->computing());
    QTest::mousePress(f.w.canvas(), Qt::LeftButton, {}, QPoint(235, 150));
    QCOMPARE(v->picks().size(), size_t(1));
    QVERIFY(v->gather().movedOut);
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1011));
  }

  // Closed while computing: the computation is dropped; chosen again, the
  // window computes the CDP shown.
  void closingDropsTheComputation() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    QSignalSpy shown(v, &VelocitySpectrumWindow::spectrumShown);
    f.press("nextpanel");
    QVERIFY(v->computing());
    v->close();
    QVERIFY(!v->computing());
    QVERIFY(v->cursor().shape() != Qt::BusyCursor);
    QCOMPARE(shown.count(), 0);  // and never later: the count after the next request is 1
    QVERIFY(!v->spectrum());
    f.item()->trigger();
    QVERIFY(v->isVisible());
    QVERIFY(v->computing());
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1011));
    QCOMPARE(shown.count(), 1);
  }

  void theRangeBoxesRefuseNonsenseAndSetTheVelocities() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    auto* vmin = v->findChild<QLineEdit*>("vmin");
    auto* vmax = v->findChild<QLineEdit*>("vmax");
    auto* vstep = v->findChild<QLineEdit*>("vstep");
    auto* stretch = v->findChild<QLineEdit*>("stretch");
    auto* apply = v->findChild<QPushButton*>("apply");
    QVERIFY(vmin && vmax && vstep && stretch && apply);
    const VelocityRange before = v->range();
    vmin->setText("12abc");
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    compareBox(f.ui.boxes[0], "The lowest velocity \"12abc\" is not a number above 0.");
    QCOMPARE(v->range(), before);
    vmin->setText("1000");
    vmax->setText("900");
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(f.ui.boxes.size(), size_t(2));
    compareBox(f.ui.boxes[1], "The highest velocity \"900\" is not a number above the lowest (1000).");
    vmax->setText("3000");
    stretch->setText("2");
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(f.ui.boxes.size(), size_t(3));
    compareBox(f.ui.boxes[2], "The stretch ratio \"2\" is not a number from .1 to .99.");
    QCOMPARE(v->range(), before);
    stretch->setText(".3");
    vstep->setText("50");
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(f.ui.boxes.size(), size_t(3));
    QCOMPARE(v->range(), (VelocityRange{1000, 3000, 50}));
    QCOMPARE(v->stretch(), 0.3f);
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->velocities.size(), size_t(41));
    QCOMPARE(v->spectrum()->velocities.back(), 3000.0f);
    // The typed range stays for the next CDP; "Panel Range" brings the panels' back.
    f.press("nextpanel");
    QCOMPARE(v->range(), (VelocityRange{1000, 3000, 50}));
    QTest::mouseClick(v->findChild<QPushButton*>("panelrange"), Qt::LeftButton);
    QCOMPARE(v->range(), before);
    QVERIFY(Fixture::waitForSpectrum(v));
    QCOMPARE(v->spectrum()->cdp, std::int16_t(1011));
    QCOMPARE(v->spectrum()->velocities.front(), 1470.0f);
  }

  void savePngWritesThePicture() {
    Fixture f;
    VelocitySpectrumWindow* v = f.openWindow();
    QVERIFY(v);
    auto* save = v->findChild<QPushButton*>("savepng");
    QVERIFY(save && save->isEnabled());
    // Cancel: nothing written.
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(f.ui.saveDialogs.size(), size_t(1));
    QCOMPARE(f.ui.saveDialogs[0].title, std::string("Save PNG"));
    QCOMPARE(f.ui.saveDialogs[0].fileName, std::string("scan-cdp1001.png"));
    const std::string png = f.dir.file("spectrum.png");
    f.ui.choose(png);
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(f.ui.boxes.empty());
    QImage back;
    QVERIFY(back.load(QString::fromStdString(png), "PNG"));
    QCOMPARE(back.size(), v->picture().size());
    QCOMPARE(back.convertToFormat(QImage::Format_RGB32), v->picture().convertToFormat(QImage::Format_RGB32));
    // Into a folder that does not exist: said so, nothing else touched.
    const std::string nowhere = f.dir.file("no/such/folder/x.png");
    f.ui.choose(nowhere);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(f.ui.boxes.size(), size_t(1));
    QVERIFY(f.ui.boxes[0].text.rfind("The picture could not be saved as " + nowhere + ":\r\n", 0) == 0);
    QCOMPARE(f.ui.boxes[0].title, std::string("Velocity Spectrum"));
    QCOMPARE(f.ui.boxes[0].buttons, Buttons::Ok);
    QCOMPARE(f.ui.boxes[0].icon, Icon::Exclamation);
    QVERIFY(!std::filesystem::exists(nowhere));
    // Over the gather it is made from: refused before any question, the gather kept.
    const std::string gatherBytes = readFile(f.gather);
    f.ui.choose(f.gather);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(f.ui.boxes.size(), size_t(2));
    compareBox(f.ui.boxes[1], f.gather + " holds the data this picture is made from; the picture is not saved over it.");
    QCOMPARE(readFile(f.gather), gatherBytes);
  }
};

QTEST_MAIN(SpectrumWindowTest)
#include "test_spectrum_window.moc"
