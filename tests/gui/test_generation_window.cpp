// Panel generation from the main window: opening a gather opens the NMO
// parameters dialog; its run writes stacked panels that open in the main window
// as panel data and draw. Escape, the close box, "&Open" and "E&xit" during a run.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "display/DisplaySurface.h"
#include "app/TessalyWindow.h"
#include "generation/NmoDialog.h"
#include "jobs/core/JobLink.h"
#include "gui/WindowTestSupport.h"
#include "qt/ImageCanvas.h"
#include "support/GenFixtures.h"
#include "shared/Settings.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

class GenerationWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void gatherOpensTheDialogAndItsPanelsOpenAndDraw();
  void escapeOrCloseDuringAGenerationRunStopsIt_data();
  void escapeOrCloseDuringAGenerationRunStopsIt();
  void openDuringAGenerationRunWaitsForIt();
  void exitDuringAGenerationRunWaitsForIt();
};

void GenerationWindowTest::gatherOpensTheDialogAndItsPanelsOpenAndDraw() {
  TempDir dir;
  writeGather(dir.file("line1.dat"), syntheticGather(2001, 8, 6, 250, 100, 150, 0.5, 2200.0));
  MainWindow m;
  m.linked();  // the job editor is up
  m.w.show();

  m.ui.choose(dir.file("line1.dat"));
  m.w.fileopen();
  NmoDialog* d = m.w.nmoDialog();
  QVERIFY(d != nullptr);
  QVERIFY(d->isVisible());
  QVERIFY(!control<QPushButton>(m.w, "prevpanel")->isEnabled());
  QCOMPARE(d->label4()->text(), QString("First CDP =  2001\r\nLast CDP =  2008"));
  QCOMPARE(d->text3(0)->text(), QString(" 2001"));
  QCOMPARE(d->text6()->text(), QString("1000"));
  QCOMPARE(d->label7()->text().toStdString(), dir.file("TSLYNMO.NMO"));

  // Three velocities around the data's 2200, four CDPs per panel, stacked.
  d->text4(0)->setText("1800");
  d->text1(1)->setText("3");
  d->text4(1)->setText("2200");
  d->text4(2)->setText("2600");
  d->text2()->setText("4");
  d->processButton()->click();
  QVERIFY(d->isHidden());
  QCOMPARE(m.ui.boxes.size(), size_t(1));
  QCOMPARE(m.ui.boxes[0].title, std::string("TSLY-Move out completed"));

  // The panel file opens as panel data and is drawn.
  const std::string panels = dir.file("TSLYNMO.NMO");
  m.ui.choose(panels);
  m.w.fileopen();
  QCOMPARE(m.ui.boxes.size(), size_t(1));
  QCOMPARE(int(m.st.DataType), 2);
  QCOMPARE(m.st.TraceCount, 15);
  QCOMPARE(m.st.PanelCount, 3);
  QCOMPARE(int(m.st.PanelTable[1].FirstCdp), 2001);
  QCOMPARE(int(m.st.PanelTable[1].LastCdp), 2004);
  QCOMPARE(int(m.st.PanelTable[2].Velocity), 2200);
  QCOMPARE(m.st.CdpCount, 1);
  QVERIFY(m.st.PanelDrawn != 0);
  QVERIFY(control<QPushButton>(m.w, "prevpanel")->isEnabled());
  const QImage& img = m.w.display().canvas().image();
  int dark = 0;
  for (int y = 0; y < img.height(); y += 2)
    for (int x = 0; x < img.width(); x += 2)
      if (qGray(img.pixel(x, y)) < 128) ++dark;
  QVERIFY2(dark > 100, "the panels are drawn on the canvas");
}

namespace {

// A gather of 3 CDPs x 4 offsets opened in the main window, its NMO dialog set
// for one panel of the 3 CDPs at three velocities (one CDP block per velocity).
struct GenerationRig : MainWindow {
  TempDir dir;
  NmoDialog* d = nullptr;
  GenerationRig() {
    writeGather(dir.file("line.dat"), syntheticGather(3001, 3, 4, 100));
    linked();
    st.StartDirectory = dir.path();
    w.show();
    openGather();
    d = w.nmoDialog();
    d->text1(1)->setText("3");
    d->text4(0)->setText("1800");
    d->text4(1)->setText("2200");
    d->text4(2)->setText("2600");
    d->text2()->setText("3");
  }
  void openGather() {
    ui.choose(dir.file("line.dat"));
    w.fileopen();
  }
  std::string output() const { return dir.file("TSLYNMO.NMO"); }
  int separators() const {
    int n = 0;
    for (const ReadTrace& t : readTraces(output())) n += t.h[WordTraceCode] == TraceCodeSeparator;
    return n;
  }
};

}  // namespace

// Escape, the close box and the dialog's "&Exit" during a run act as "STOP
// Processing": the block in progress is finished with its separator (the
// dialog shows its progress and STOP meanwhile), then the dialog hides.
void GenerationWindowTest::escapeOrCloseDuringAGenerationRunStopsIt_data() {
  QTest::addColumn<int>("how");
  QTest::newRow("Escape") << 0;
  QTest::newRow("close box") << 1;
  QTest::newRow("Exit") << 2;
}

void GenerationWindowTest::escapeOrCloseDuringAGenerationRunStopsIt() {
  QFETCH(int, how);
  GenerationRig g;
  QVERIFY(g.d->isVisible());
  int events = 0;
  bool visibleAfter = true;
  g.ui.onEvents = [&] {
    if (++events == 1) {
      if (how == 0) QTest::keyClick(g.d, Qt::Key_Escape);
      if (how == 1) g.d->close();
      if (how == 2) g.d->fileexitAction()->trigger();
    }
    visibleAfter = visibleAfter && g.d->isVisible() && !g.d->stopButton()->isHidden();
  };
  g.d->processButton()->click();
  g.ui.onEvents = nullptr;
  QVERIFY(visibleAfter);  // not hidden while the run goes on
  QVERIFY(!g.d->running());
  QVERIFY(g.d->isHidden());
  // The first velocity block, closed by its separator, and nothing after it.
  const std::vector<ReadTrace> traces = readTraces(g.output());
  QCOMPARE(traces.size(), size_t(4));
  QCOMPARE(traces.back().h[WordTraceCode], std::int16_t(TraceCodeSeparator));
  QCOMPARE(traces.back().h[WordCdp], std::int16_t(1800));
  // Not stopped: Escape hides the dialog as before.
  QTest::keyClick(g.d, Qt::Key_Escape);
  QVERIFY(g.d->isHidden());
}

// "&Open" during a run waits until the run has ended; the run never sees the
// tables of the file opened.
void GenerationWindowTest::openDuringAGenerationRunWaitsForIt() {
  GenerationRig g;
  // What an undisturbed run writes.
  g.d->processButton()->click();
  QCOMPARE(g.separators(), 3);
  const std::string undisturbed = readFile(g.output());
  std::filesystem::remove(g.output());

  g.openGather();
  writeFile(g.dir.file("scan.nmo"), panelFile(4, 101, 3, {1500, 2000}));
  const std::size_t dialogsBefore = g.ui.openDialogs.size();
  int events = 0;
  std::size_t dialogsDuringRun = 0;
  g.ui.onEvents = [&] {
    ++events;
    if (events == 1) {
      g.ui.choose(g.dir.file("scan.nmo"));
      g.w.action("fileopen")->trigger();
    }
    if (g.d->running()) dialogsDuringRun = std::max(dialogsDuringRun, g.ui.openDialogs.size());
  };
  g.d->processButton()->click();
  g.ui.onEvents = nullptr;
  QVERIFY(events > 1);
  QCOMPARE(dialogsDuringRun, dialogsBefore);
  QCOMPARE(readFile(g.output()), undisturbed);
  // Then the Open ran.
  QCOMPARE(g.ui.openDialogs.size(), dialogsBefore + 1);
  QCOMPARE(g.st.DataFileName, g.dir.file("scan.nmo"));
  QCOMPARE(g.st.PanelCount, 2);
  QVERIFY(control<QPushButton>(g.w, "nextpanel")->isEnabled());
}

// "E&xit" (and the main window's close box) during a run: the program ends when
// the run is over, its output complete.
void GenerationWindowTest::exitDuringAGenerationRunWaitsForIt() {
  GenerationRig g;
  int events = 0;
  bool endedDuringRun = false;
  g.ui.onEvents = [&] {
    ++events;
    if (events == 1) g.w.action("fileexit")->trigger();
    if (events == 2) g.w.close();
    endedDuringRun = endedDuringRun || g.ended > 0 || g.w.shutDown();
  };
  g.d->processButton()->click();
  g.ui.onEvents = nullptr;
  QVERIFY(!endedDuringRun);
  QCOMPARE(g.separators(), 3);
  QCOMPARE(g.ended, 1);
  QVERIFY(g.w.shutDown());
  QCOMPARE(settingsLines(readFile(g.dir.file("tessaly.ini")), 100).size(), size_t(22));
}

QTEST_MAIN(GenerationWindowTest)
#include "test_generation_window.moc"
