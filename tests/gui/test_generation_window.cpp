// From the main window: opening a gather opens the NMO parameters dialog; its run
// writes stacked panels that open in the main window as panel data and draw.
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
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

class GenerationWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void gatherOpensTheDialogAndItsPanelsOpenAndDraw();
};

void GenerationWindowTest::gatherOpensTheDialogAndItsPanelsOpenAndDraw() {
  TempDir dir;
  writeGather(dir.file("line1.dat"), syntheticGather(2001, 8, 6, 250, 100, 150, 0.5, 2200.0));
  AppState st;
  ScriptedUi ui;
  RecordingDde dde;
  TessalyWindow w{st, ui, dde};
  w.endProcess = [] {};
  w.link().linkstart("JobPad", "orogdde");  // the job editor is up
  w.show();

  ui.fileAnswers.push_back({FileDialogResult::Status::Chosen, dir.file("line1.dat"), ""});
  w.fileopen();
  NmoDialog* d = w.nmoDialog();
  QVERIFY(d != nullptr);
  QVERIFY(d->isVisible());
  QVERIFY(!control<QPushButton>(w, "prevpanel")->isEnabled());
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
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].title, std::string("TSLY-Move out completed"));

  // The panel file opens as panel data and is drawn.
  const std::string panels = dir.file("TSLYNMO.NMO");
  ui.fileAnswers.push_back({FileDialogResult::Status::Chosen, panels, ""});
  w.fileopen();
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(int(st.DataType), 2);
  QCOMPARE(st.TraceCount, 15);
  QCOMPARE(st.PanelCount, 3);
  QCOMPARE(int(st.PanelTable[1].FirstCdp), 2001);
  QCOMPARE(int(st.PanelTable[1].LastCdp), 2004);
  QCOMPARE(int(st.PanelTable[2].Velocity), 2200);
  QCOMPARE(st.CdpCount, 1);
  QVERIFY(st.PanelDrawn != 0);
  QVERIFY(control<QPushButton>(w, "prevpanel")->isEnabled());
  const QImage& img = w.display().canvas().image();
  int dark = 0;
  for (int y = 0; y < img.height(); y += 2)
    for (int x = 0; x < img.width(); x += 2)
      if (qGray(img.pixel(x, y)) < 128) ++dark;
  QVERIFY2(dark > 100, "the panels are drawn on the canvas");
}

QTEST_MAIN(GenerationWindowTest)
#include "test_generation_window.moc"
