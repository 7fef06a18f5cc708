// "&Options" / "Auto Pick" through the real main window: proposals for the CDP
// shown and for all CDPs, drawn apart on the panels and the spectrum, accepted
// by key and by menu, dropped.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <cmath>

#include "app/AutoPickCommand.h"
#include "app/SpectrumCommand.h"
#include "app/TessalyWindow.h"
#include "display/DisplaySurface.h"
#include "display/core/DisplayGeometry.h"
#include "generation/core/Synth.h"
#include "jobs/core/JobLink.h"
#include "picks/core/PickTable.h"
#include "qt/ImageCanvas.h"
#include "spectrum/VelocitySpectrumWindow.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

namespace {

constexpr QRgb Orange = 0xff8c00;         // white under the proposal pen
constexpr QRgb ProposalPen = 0x0073ff;    // ProposalColour
constexpr QRgb PickPen = 0x00ffff;        // PickColour

// Panels of CDPs 1001 and 1011 (1500, 1800, 2100 m/s) and their gather: CDPs
// 1001..1011, 16 offsets, events at 400 ms / 2000 m/s and 1000 ms / 2400 m/s.
struct Fixture {
  TempDir dir;
  AppState st;
  ScriptedUi ui;
  RecordingDde dde;
  TessalyWindow w{st, ui, dde};
  std::string panels = dir.file("scan.nmo");
  std::string gather = dir.file("gather.dat");

  Fixture() {
    w.endProcess = [] {};
    w.link().linkstart("JobPad", "orogdde");
    w.show();
    PanelFileOptions o;
    o.samples = 400;
    o.interval = 4000;
    writePanelFile(panels,
                   {{1001, 1500, 10}, {1001, 1800, 10}, {1001, 2100, 10},
                    {1011, 1500, 10}, {1011, 1800, 10}, {1011, 2100, 10}},
                   o);
    SynthParams g;
    g.cdps = 11;
    g.offsetStep = 100;
    g.offsetCount = 16;
    g.samples = 400;
    g.events = {{400, 2000, 1000}, {1000, 2400, -1000}};
    g.noise = 0.05;
    if (writeSynthGather(gather, g) != "") qFatal("gather not written");
    ui.fileAnswers.push_back(chosen(panels));
    w.action("fileopen")->trigger();
  }
  static FileDialogResult chosen(const std::string& path) {
    FileDialogResult r;
    r.status = FileDialogResult::Status::Chosen;
    r.path = path;
    return r;
  }
  // Runs an item of the menu and waits for the first pass to end.
  bool run(const char* item) {
    w.action(item)->trigger();
    QElapsedTimer t;
    t.start();
    while (w.autoPick().running() && t.elapsed() < 60000) QTest::qWait(10);
    return !w.autoPick().running();
  }
  const std::vector<ProposalPick>& proposed(std::int16_t cdp) { return w.autoPick().proposals().of(cdp); }
  QString status() { return control<QLabel>(w, "Label1")->text(); }
  int picks(int record) { return picksInUse(st.PickTable[static_cast<std::size_t>(record)]); }
  // Whether the panel `panel` shows a line of the XOR pen `pen` at time `ms`
  // (on white or on a black timing line).
  bool lineAt(int panel, float ms, QRgb pen) {
    const PanelEntry& e = st.PanelTable[static_cast<std::size_t>(panel)];
    const int y = pickRow(ms, w.display().display().view().MicrosecondsPerRow, st.PlotTop);
    int hits = 0;
    for (int x = e.Left; x <= e.Right; ++x) {
      const QRgb c = w.canvas()->image().pixel(x, y) & 0xffffff;
      hits += c == pen || c == (pen ^ 0xffffff);
    }
    return hits > (e.Right - e.Left) / 2;
  }
};

}  // namespace

class AutoPickMenuTest : public QObject {
  Q_OBJECT
 private slots:
  void proposeAcceptByKeyAndMenuDrop() {
    Fixture f;
    QVERIFY(f.ui.boxes.empty());
    QVERIFY(f.w.action("autopickcdp")->isEnabled());
    QCOMPARE(f.w.menu("autopick")->title(), QString("Auto Pick"));
    // This CDP: the gather asked for once, two proposals, the table unchanged.
    f.ui.fileAnswers.push_back(Fixture::chosen(f.gather));
    QVERIFY(f.run("autopickcdp"));
    QCOMPARE(f.ui.openDialogs.back().title, std::string("CDP Gather of the Panels"));
    QVERIFY(f.ui.boxes.empty());
    QCOMPARE(f.proposed(1001).size(), std::size_t(2));
    QVERIFY(f.proposed(1011).empty());
    QVERIFY(std::fabs(f.proposed(1001)[0].timeMs - 400) <= 12 && std::abs(f.proposed(1001)[0].velocity - 2000) <= 40);
    QVERIFY(std::fabs(f.proposed(1001)[1].timeMs - 1000) <= 12 && std::abs(f.proposed(1001)[1].velocity - 2400) <= 48);
    QCOMPARE(f.status(), QString("Auto Pick: 2 picks proposed on 1 CDP"));
    QCOMPARE(f.picks(1), 0);
    QVERIFY(f.lineAt(3, f.proposed(1001)[0].timeMs, ProposalPen));  // across the 2100 panel, the nearest
    // Accepted by key: ordinary picks, drawn as picks.
    const float first = f.proposed(1001)[0].timeMs;
    QTest::keyClick(&f.w, Qt::Key_A);
    QCOMPARE(f.picks(1), 2);
    QVERIFY(f.proposed(1001).empty());
    QCOMPARE(f.status(), QString("Auto Pick: 2 picks accepted"));
    QVERIFY(f.w.action("editvelf")->isEnabled());
    QVERIFY(!f.lineAt(3, first, ProposalPen));
    QVERIFY(f.lineAt(3, first, PickPen));

    // All CDPs; dropped by key on the CDP shown, accepted by menu on the next.
    const std::size_t dialogs = f.ui.openDialogs.size();
    QVERIFY(f.run("autopickall"));
    QCOMPARE(f.ui.openDialogs.size(), dialogs);
    QCOMPARE(f.w.autoPick().proposals().cdpCount(), std::size_t(2));
    QTest::keyClick(&f.w, Qt::Key_D);
    QVERIFY(f.proposed(1001).empty());
    QCOMPARE(f.status(), QString("Auto Pick: proposals dropped"));
    QCOMPARE(f.picks(1), 2);
    QTest::mouseClick(control<QPushButton>(f.w, "nextpanel"), Qt::LeftButton);
    QCOMPARE(f.proposed(1011).size(), std::size_t(2));
    f.w.action("autopickaccept")->trigger();
    QCOMPARE(f.picks(2), 2);
    QVERIFY(f.w.autoPick().proposals().empty());
    QVERIFY(f.ui.boxes.empty());
  }

  void proposalsRingedOnTheSpectrumUntilDropped() {
    Fixture f;
    f.ui.fileAnswers.push_back(Fixture::chosen(f.gather));
    f.w.action("velspectrum")->trigger();
    VelocitySpectrumWindow* v = f.w.spectrum().window();
    QVERIFY(v);
    auto orangeOnSpectrum = [&] {
      const QImage& p = v->picture();
      for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
          if ((p.pixel(x, y) & 0xffffff) == Orange) return true;
      return false;
    };
    QVERIFY(f.run("autopickall"));
    QElapsedTimer t;
    t.start();
    while ((v->computing() || !v->spectrum()) && t.elapsed() < 60000) QTest::qWait(10);
    QVERIFY(orangeOnSpectrum());
    f.w.action("autopickdropall")->trigger();
    QVERIFY(f.w.autoPick().proposals().empty());
    QVERIFY(!orangeOnSpectrum());
    QVERIFY(f.ui.boxes.empty());
  }
};

QTEST_MAIN(AutoPickMenuTest)
#include "test_spectrum_autopick.moc"
