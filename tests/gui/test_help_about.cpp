// The About window: its size at 96 and 120 dpi, where its picture comes from,
// the disclaimer on OK, the credits on a click, and nothing on the close box.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "help/AboutWindow.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "gui/GuiTestMain.h"

using namespace tsly;
using tsly::test::Box;

namespace {

const std::string Disclaimer =
    "The Tessaly project does not guarantee\r\n"
    "this computer software to be free from errors \r\n"
    "or inaccuracies and disclaims any responsibility \r\n"
    "or liability for interpretations based on data \r\n"
    "processed using this software or decisions \r\n"
    "based thereon.\r\n";

void writePicture(const QString& path, QColor colour) {
  QImage img(388, 253, QImage::Format_RGB32);
  img.fill(colour);
  QVERIFY(img.save(path, "BMP"));
}

}  // namespace

class TestAbout : public QObject {
  Q_OBJECT
 private slots:
  void sizeAt96And120Dpi_data();
  void sizeAt96And120Dpi();
  void sizeAtTheScreensOwnDpi();
  void pictureFallback();
  void okShowsTheDisclaimerThenCloses();
  void closeBoxShowsNothing();
};

void TestAbout::sizeAt96And120Dpi_data() {
  QTest::addColumn<int>("dpi");
  QTest::addColumn<double>("widthTwips");
  QTest::newRow("96 dpi") << 96 << 5820.0;   // 388 x 15
  QTest::newRow("120 dpi") << 120 << 4656.0;  // 388 x 12
}

void TestAbout::sizeAt96And120Dpi() {
  QFETCH(int, dpi);
  QFETCH(double, widthTwips);
  test::ScriptedUi ui;
  test::TempDir none;
  AboutWindow about(ui, nullptr, AboutOptions{none.path() + "/", dpi, dpi});
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QCOMPARE(about.geometryTwips().twipsPerPixelX, 1440.0 / dpi);
  QCOMPARE(about.geometryTwips().outerWidthTwips, widthTwips);
  QCOMPARE(about.frameGeometry().width(), 388);
  QCOMPARE(about.height(), 253);
  QCOMPARE(about.frameGeometry().height(), 253 + about.frameExtra().height());
  QCOMPARE(about.geometryTwips().outerHeightTwips,
           (253 + about.frameExtra().height()) * 1440.0 / dpi);
  // The OK button sits on the bottom edge of the inner area.
  QCOMPARE(about.okButton()->geometry().bottom() + 1, 253);
  QCOMPARE(about.okButton()->text(), QString("OK"));
  QCOMPARE(about.okButton()->objectName(), QString("Command1"));
  QCOMPARE(about.objectName(), QString("About"));
  QVERIFY(ui.boxes.empty());
}

// The same window measured at the dpi the windowing system reports, once as the
// test runs and once in a child run on a 120 dpi screen.
void TestAbout::sizeAtTheScreensOwnDpi() {
  test::ScriptedUi ui;
  AboutWindow about(ui);
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QCOMPARE(about.frameGeometry().width(), 388);
  QCOMPARE(about.height(), 253);
  QCOMPARE(about.geometryTwips().outerWidthTwips, 388.0 * 1440.0 / about.logicalDpiX());
  if (qEnvironmentVariableIsSet("TESSALY_ABOUT_CHILD")) {
    QCOMPARE(about.logicalDpiX(), qEnvironmentVariableIntValue("TESSALY_ABOUT_CHILD"));
    return;
  }
  // A screen of 120 logical dpi, without Qt's own scaling (as the window system
  // of a classic desktop reports it).
  test::TempDir dir;
  const std::string config = dir.file("screen120.json");
  test::writeFile(config,
                  R"({"screens":[{"name":"s120","x":0,"y":0,"width":1280,"height":1024,"logicalDpi":120,"dpr":1}]})");
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_ENABLE_HIGHDPI_SCALING", "0");
  env.insert("TESSALY_ABOUT_CHILD", "120");
  env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + QString::fromStdString(config));
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(), test::ownTestArguments({"sizeAtTheScreensOwnDpi"}));
  QVERIFY(child.waitForFinished(60000));
  QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
}

void TestAbout::pictureFallback() {
  test::ScriptedUi ui;
  test::TempDir system, empty;
  test::CurrentTempDir current;
  const std::string systemDir = system.path() + "/";
  const QString systemPicture = QString::fromStdString(system.file("rvlabout.bmp"));
  writePicture(systemPicture, Qt::blue);
  writePicture(QString::fromStdString(current.file("rvlabout.bmp")), Qt::green);
  {
    AboutWindow about(ui, nullptr, AboutOptions{systemDir, 96, 96});
    QVERIFY(about.hasPicture());
    QCOMPARE(about.picturePath(), systemPicture);
  }
  {
    // Not in the system directory: the current directory's.
    AboutWindow about(ui, nullptr, AboutOptions{empty.path() + "/", 96, 96});
    QVERIFY(about.hasPicture());
    QCOMPARE(about.picturePath(), QDir(QString::fromStdString(current.path())).filePath("rvlabout.bmp"));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QImage shown = about.grab().toImage();
    QCOMPARE(shown.pixelColor(5, 5), QColor(Qt::green));
  }
  {
    // In neither place: no picture, same size, no message.
    test::CurrentTempDir nowhere;
    AboutWindow about(ui, nullptr, AboutOptions{nowhere.path() + "/", 96, 96});
    QVERIFY(!about.hasPicture());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.frameGeometry().width(), 388);
    QCOMPARE(about.height(), 253);
  }
  {
    // A file that is there but is no picture: none, and no second place tried.
    test::writeFile(system.file("rvlabout.bmp"), "not a bitmap");
    AboutWindow about(ui, nullptr, AboutOptions{systemDir, 96, 96});
    QVERIFY(!about.hasPicture());
  }
  QVERIFY(ui.boxes.empty());
}

void TestAbout::okShowsTheDisclaimerThenCloses() {
  test::ScriptedUi ui;
  test::TempDir none;
  QMainWindow main;
  main.setGeometry(100, 100, 600, 500);
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));

  // Each use makes a new window, shown modally, captioned with the version,
  // centred over the main window; a click beside the button shows the credits.
  for (int use = 0; use < 2; ++use) {
    ui.boxes.clear();
    QPointer<QDialog> seen;
    QString caption;
    QPoint centreOffset;
    QSize frame;
    bool hidden = false;
    QTimer::singleShot(0, [&] {
      auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
      QVERIFY(about);
      seen = about;
      caption = about->windowTitle();
      centreOffset = about->frameGeometry().center() - main.frameGeometry().center();
      frame = about->frameExtra();
      QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(10, 10));
      QTest::mouseClick(about->okButton(), Qt::LeftButton);
      hidden = !about->isVisible();
    });
    fileabout(ui, &main, AboutOptions{none.path() + "/", 0, 0});
    QCOMPARE(caption, QString("Tessaly  Ver. 4.0.32c"));
    // (within the frame, which the window system adds only once it is shown)
    QVERIFY2(std::abs(centreOffset.x()) <= 1 + frame.width() &&
                 std::abs(centreOffset.y()) <= 1 + frame.height(),
             qPrintable(QString("%1,%2").arg(centreOffset.x()).arg(centreOffset.y())));
    QVERIFY(hidden);
    QVERIFY(seen.isNull());  // discarded
    QCOMPARE(ui.boxes.size(), size_t(2));
    QCOMPARE(Box(ui.boxes[0]), (Box{"Tessaly  Ver. 4.0.32c\r\nWritten by the Tessaly developers\r\n"
                                           "Velocity analysis work of 2025 - 2026", "About", Buttons::Ok, Icon::Information}));
    QCOMPARE(Box(ui.boxes[1]), (Box{Disclaimer, "Tessaly", Buttons::Ok, Icon::None}));
  }
}

void TestAbout::closeBoxShowsNothing() {
  test::ScriptedUi ui;
  test::TempDir none;
  QMainWindow main;
  main.show();
  bool closed = false;
  QTimer::singleShot(0, [&] {
    QWidget* about = QApplication::activeModalWidget();
    QVERIFY(about);
    closed = about->close();
  });
  fileabout(ui, &main, AboutOptions{none.path() + "/", 0, 0});
  QVERIFY(closed);
  QVERIFY(ui.boxes.empty());
}

QTEST_MAIN(TestAbout)
#include "test_help_about.moc"
