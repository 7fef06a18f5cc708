// Save BMP, Print and Print Setup from the main window's menu: the canvas
// Picture1 is what is saved and printed.
#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinterInfo>

#include "app/TessalyWindow.h"
#include "gui/WindowTestSupport.h"
#include "output/PictureOutput.h"
#include "qt/ImageCanvas.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Fixture : MainWindow {
  TempDir dir;
  const QString folder = QString::fromStdString(dir.path());
  ImageCanvas* canvas = w.findChild<ImageCanvas*>("Picture1");

  Fixture() { st.DataFileName = dir.file("line7.dat"); }
  // Panels as a redraw leaves them, with the graphics-save flag given.
  void draw(bool persistent) {
    canvas->setSize(240, 150);
    canvas->setPenMode(PenMode::Copy);
    canvas->setPenWidth(1);
    canvas->clear();
    canvas->setPersistent(persistent);
    for (int x = 50; x < 190; x += 10) {
      canvas->moveTo(x, 50);
      canvas->lineTo(x + 3, 140);
    }
    canvas->textOut(12, 45, "0");
    canvas->setPenColor({0, 255, 255});
    canvas->moveTo(50, 90);
    canvas->lineTo(150, 90);
  }
};

bool samePixels(const QImage& a, const QImage& b) {
  return a.size() == b.size() &&
         a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestOutputWindow : public QObject {
  Q_OBJECT
 private slots:
  void menuItems();
  void saveBmpRefusedWhenTheCanvasKeepsNoImage();
  void saveBmpWritesTheCanvas();
  void printWithoutPrinterLeavesAPdfAndSaysWhere();
  void printSetupCancelledIsSilent();
};

void TestOutputWindow::menuItems() {
  Fixture f;
  QVERIFY(f.canvas);
  QCOMPARE(f.w.action("filebmp")->text(), QString("Save BMP"));
  QCOMPARE(f.w.action("fileprint")->text(), QString("&Print"));
  QCOMPARE(f.w.action("fileprtsetup")->text(), QString("Print Setup"));
}

void TestOutputWindow::saveBmpRefusedWhenTheCanvasKeepsNoImage() {
  Fixture f;
  QVERIFY(f.canvas);
  f.draw(false);  // panels visible, graphics-save flag off at the redraw
  f.w.action("filebmp")->trigger();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].title, std::string("Plotwell BMP Save Error"));
  QVERIFY(f.ui.saveDialogs.empty());
  QVERIFY(QDir(f.folder).isEmpty());
}

void TestOutputWindow::saveBmpWritesTheCanvas() {
  Fixture f;
  QVERIFY(f.canvas);
  f.draw(true);
  f.ui.choose((f.folder + "/ my panel ").toStdString());
  f.w.action("filebmp")->trigger();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.ui.saveDialogs.size(), size_t(1));
  // The common dialog holds the name of the file last opened: a bitmap of
  // that name is offered instead, never the data file itself.
  const std::string data = f.st.DataFileName;
  QCOMPARE(f.ui.saveDialogs[0].fileName, data.substr(0, data.rfind('.')) + ".BMP");
  const QString file = f.folder + "/MY PANEL.BMP";
  QVERIFY(QFileInfo::exists(file));
  QVERIFY(samePixels(QImage(file, "BMP"), f.canvas->image()));

  // The next use offers the name chosen this time.
  f.w.action("filebmp")->trigger();
  QCOMPARE(f.ui.saveDialogs[1].fileName, (f.folder + "/ my panel ").toStdString());
}

void TestOutputWindow::printWithoutPrinterLeavesAPdfAndSaysWhere() {
  if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("a printer is installed here");
  Fixture f;
  QVERIFY(f.canvas);
  f.draw(true);
  f.w.action("fileprint")->trigger();
  QVERIFY(f.ui.boxes.empty());
  const QStringList pdfs = QDir(f.folder).entryList({"tessaly-print-*.pdf"}, QDir::Files);
  QCOMPARE(pdfs.size(), 1);
  const QString path = QFileInfo(f.folder + "/" + pdfs[0]).absoluteFilePath();
  QCOMPARE(control<QLabel>(f.w, "Label1")->text(), "No printer installed: the page was written to " + path);
  QVERIFY(QFileInfo(path).size() > 0);
  QVERIFY(!f.ui.busy);
}

void TestOutputWindow::printSetupCancelledIsSilent() {
  Fixture f;
  QString title;
  std::function<void()> poll = [&] {
    auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dlg) {
      QTimer::singleShot(20, poll);
      return;
    }
    title = dlg->windowTitle();
    dlg->reject();
  };
  QTimer::singleShot(20, poll);
  f.w.action("fileprtsetup")->trigger();
  QCOMPARE(title, QString("Tessaly Printer Setup"));
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.w.pictureOutput().printer().pageLayout().orientation(),
           f.w.pictureOutput().heldOrientation());
}

QTEST_MAIN(TestOutputWindow)
#include "test_output_window.moc"
