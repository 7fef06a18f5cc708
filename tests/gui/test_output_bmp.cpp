// Save BMP: the refusal without a persistent image, the save dialog, the name
// rules, the overwrite prompt of the file utilities and the bitmap written.
#include <QtTest>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPainter>

#include <sys/stat.h>

#include "output/PictureOutput.h"
#include "platform/FileChecks.h"
#include "qt/QtUi.h"
#include "shared/FileUtil.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::output;
using namespace tsly::test;

namespace {

QImage canvasPicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setPen(Qt::black);
  for (int x = 50; x < w - 50; x += 7) p.drawLine(x, 50, x + (x % 3), h - 10);
  p.fillRect(w / 3, h / 2, 40, 20, QColor(0, 255, 255));
  p.setPen(QColor(250, 10, 120));
  p.drawText(12, 40, "1000");
  return img;
}

struct Fixture {
  AppState state;
  ScriptedUi ui;
  TempDir dir;
  const QString folder = QString::fromStdString(dir.path());
  std::string dialogName = "/somewhere/last.dat";
  std::unique_ptr<PictureOutput> out;
  QImage canvas = canvasPicture(333, 217);

  Fixture() : Fixture(ui) {}
  explicit Fixture(Ui& dialogs) {
    PictureOutputOptions o;
    o.dataFiles = [this] { return std::vector<NamedFile>{{state.DataFileName, "the data file open in Tessaly"}}; };
    out = std::make_unique<PictureOutput>(
        dialogs, nullptr,
        [this, &dialogs](const std::string& name, std::int16_t& mode) {
          return ConfirmTargetFile(dialogs, state, name, mode);
        },
        nullptr, o);
  }
  QString path(const QString& name) const { return folder + "/" + name; }
  void choose(const QString& name) {
    ui.choose(path(name).toStdString());
  }
  QStringList files() const { return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
};

bool samePixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return false;
  const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
  for (int r = 0; r < x.height(); ++r)
    for (int c = 0; c < x.width(); ++c)
      if (x.pixel(c, r) != y.pixel(c, r)) return false;
  return true;
}

}  // namespace

class TestOutputBmp : public QObject {
  Q_OBJECT
 private slots:
  void refusedWithoutPersistentImage();
  void dialogRequestAndNameLeftByLastUse();
  void nameUpperCasedAndTrimmed();
  void nameWithoutExtensionGetsBmp();
  void targetNameRules_data();
  void targetNameRules();
  void writtenFileReadsBackWithCanvasSizeAndPixels();
  void overwriteAsksFirst_data();
  void overwriteAsksFirst();
  void cancelEndsSilently();
  void dialogFailureShowsUnexpectedError();
  void targetsThatAreNoFileAreRefused_data();
  void targetsThatAreNoFileAreRefused();
  void theOpenDataFileIsNeitherProposedNorWritten();
  void realDialogTypedNameWithoutExtension_data();
  void realDialogTypedNameWithoutExtension();
};

void TestOutputBmp::refusedWithoutPersistentImage() {
  Fixture f;
  f.out->saveBmp(nullptr, f.dialogName);
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].text,
           std::string("Graphics Save Option must be selected\r\nin order to save BMP files."));
  QCOMPARE(f.ui.boxes[0].title, std::string("Plotwell BMP Save Error"));
  QVERIFY(f.ui.boxes[0].buttons == Buttons::Ok);
  QVERIFY(f.ui.boxes[0].icon == Icon::Exclamation);
  QVERIFY(f.ui.saveDialogs.empty());
  QVERIFY(f.files().isEmpty());
  QCOMPARE(f.dialogName, std::string("/somewhere/last.dat"));
}

void TestOutputBmp::dialogRequestAndNameLeftByLastUse() {
  Fixture f;
  f.choose(" my panel.bmp ");
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(f.ui.saveDialogs.size(), size_t(1));
  const FileDialogRequest& r = f.ui.saveDialogs[0];
  QCOMPARE(r.title, std::string("Tessaly BMP File SAVE"));
  QCOMPARE(r.filter, std::string("BitMaps (*.bmp)|*.bmp|All Files (*.*)|*.*"));
  QCOMPARE(r.filterIndex, 1);
  QCOMPARE(r.defaultExt, std::string("bmp"));
  QCOMPARE(r.initialDir, std::string());
  QCOMPARE(r.fileName, std::string("/somewhere/last.dat"));
  QVERIFY(!r.overwritePrompt);  // the file utilities ask instead
  // The common dialog keeps the name as it was chosen.
  QCOMPARE(f.dialogName, f.path(" my panel.bmp ").toStdString());
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(f.ui.saveDialogs[1].fileName, f.path(" my panel.bmp ").toStdString());
}

void TestOutputBmp::nameUpperCasedAndTrimmed() {
  Fixture f;
  f.choose(" my panel.bmp ");
  f.out->saveBmp(&f.canvas, f.dialogName);
  QVERIFY(f.ui.boxes.empty());  // a new file: no question
  QCOMPARE(f.files(), QStringList{"MY PANEL.BMP"});
}

void TestOutputBmp::nameWithoutExtensionGetsBmp() {
  Fixture f;
  f.choose("cdp1001");
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(f.files(), QStringList{"CDP1001.BMP"});
}

void TestOutputBmp::targetNameRules_data() {
  QTest::addColumn<QString>("chosen");
  QTest::addColumn<QString>("target");
  QTest::newRow("folders keep their case") << "/home/ana/data/my panel.bmp" << "/home/ana/data/MY PANEL.BMP";
  QTest::newRow("outer blanks") << "  /home/ana/ my panel.bmp  " << "/home/ana/MY PANEL.BMP";
  QTest::newRow("blanks before the extension") << "/d/ my panel .bmp" << "/d/MY PANEL.BMP";
  QTest::newRow("no extension") << "/d/Line7" << "/d/LINE7.BMP";
  QTest::newRow("other extension kept") << "/d/shot.png" << "/d/SHOT.PNG";
  QTest::newRow("dot in folder only") << "/d.v2/panel" << "/d.v2/PANEL.BMP";
  QTest::newRow("non-ASCII letters") << QString::fromUtf8("/d/übersicht.bmp") << QString::fromUtf8("/d/ÜBERSICHT.BMP");
  QTest::newRow("no folder") << "a.bmp" << "A.BMP";
  QTest::newRow("only blanks") << "/d/   " << "";
  QTest::newRow("only blanks, extension added") << "/d/   .bmp" << "";
  QTest::newRow("hidden file") << "/d/.shot.bmp" << "/d/.SHOT.BMP";
  QTest::newRow("empty") << "" << "";
}

void TestOutputBmp::targetNameRules() {
  QFETCH(QString, chosen);
  QFETCH(QString, target);
  QCOMPARE(bmpTargetPath(chosen), target);
}

void TestOutputBmp::writtenFileReadsBackWithCanvasSizeAndPixels() {
  Fixture f;
  f.choose("panel.bmp");
  f.out->saveBmp(&f.canvas, f.dialogName);
  const QString file = f.path("PANEL.BMP");
  QCOMPARE(readFile(file.toStdString()).substr(0, 2), std::string("BM"));  // a standard Windows bitmap
  QImage back(file, "BMP");
  QVERIFY(!back.isNull());
  QCOMPARE(back.size(), QSize(333, 217));
  QVERIFY(samePixels(back, f.canvas));
}

// An existing file: asked first; Cancel writes nothing, OK replaces it whole.
void TestOutputBmp::overwriteAsksFirst_data() {
  QTest::addColumn<bool>("confirmed");
  QTest::newRow("Cancel") << false;
  QTest::newRow("OK") << true;
}

void TestOutputBmp::overwriteAsksFirst() {
  QFETCH(bool, confirmed);
  Fixture f;
  const std::string name = f.path("OLD.BMP").toStdString();
  writeFile(name, "keep me");
  f.choose("old.bmp");
  f.ui.answers.push_back(confirmed ? Answer::Ok : Answer::Cancel);
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), (Box{"The file '" + name +
                                        "' already exists on disk.\r\nSaving to this file will destroy its "
                                        "original contents.\r\n\r\nChoose OK to overwrite the file, Cancel to stop\r\n",
                                    "File Message", Buttons::OkCancel, Icon::Information}));
  if (confirmed)
    QVERIFY(samePixels(QImage(f.path("OLD.BMP"), "BMP"), f.canvas));
  else
    QCOMPARE(readFile(name), std::string("keep me"));
  QCOMPARE(f.files(), QStringList{"OLD.BMP"});  // no temporary file left behind
}

void TestOutputBmp::cancelEndsSilently() {
  Fixture f;
  f.ui.fileAnswers.push_back({FileDialogResult::Status::Cancelled, {}, {}});
  f.out->saveBmp(&f.canvas, f.dialogName);
  QVERIFY(f.ui.boxes.empty());
  QVERIFY(f.files().isEmpty());
  QCOMPARE(f.dialogName, std::string("/somewhere/last.dat"));
}

void TestOutputBmp::dialogFailureShowsUnexpectedError() {
  Fixture f;
  f.ui.fileAnswers.push_back({FileDialogResult::Status::Failed, {}, "Invalid file name"});
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(Box(f.ui.boxes[0]), (Box{"Unexpected error\r\nInvalid file name", "Tessaly ERROR", Buttons::Ok, Icon::None}));
  QVERIFY(f.files().isEmpty());
}

void TestOutputBmp::targetsThatAreNoFileAreRefused_data() {
  QTest::addColumn<QString>("make");  // what the target name is made into
  QTest::addColumn<QString>("what");
  QTest::newRow("folder") << "mkdir" << "a folder";
  QTest::newRow("FIFO") << "mkfifo" << "a FIFO";
  QTest::newRow("link to a FIFO") << "link" << "a FIFO";
}

void TestOutputBmp::targetsThatAreNoFileAreRefused() {
  QFETCH(QString, make);
  QFETCH(QString, what);
  Fixture f;
  const std::string target = f.path("SUB.BMP").toStdString();
  if (make == "mkdir") QVERIFY(QDir(f.folder).mkdir("SUB.BMP"));
  if (make == "mkfifo") QCOMPARE(::mkfifo(target.c_str(), 0644), 0);
  if (make == "link") {
    QCOMPARE(::mkfifo(f.path("fifo").toStdString().c_str(), 0644), 0);
    QVERIFY(QFile::link("fifo", f.path("SUB.BMP")));
  }
  f.choose("sub.bmp");
  f.out->saveBmp(&f.canvas, f.dialogName);
  // Refused before any question; the thing stays what it was.
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  const tsly::test::RecordedBox& b = f.ui.boxes[0];
  QCOMPARE(b.text, "\"" + target + "\" is " + what.toStdString() + ", not a file.\r\nNothing was written.");
  QCOMPARE(b.title, std::string("Tessaly ERROR"));
  QVERIFY(b.buttons == Buttons::Ok);
  QVERIFY(b.icon == Icon::Exclamation);
  QCOMPARE(tsly::fileStatus(target).kind, make == "mkdir" ? tsly::FileKind::Folder : tsly::FileKind::Fifo);
}

// The dialog's shared name is the open panel file after an Open or a
// generation run (SCAN.NMO): Save BMP proposes SCAN.BMP instead, and the data
// file chosen all the same is refused without the overwrite question.
void TestOutputBmp::theOpenDataFileIsNeitherProposedNorWritten() {
  Fixture f;
  f.state.DataFileName = f.path("SCAN.NMO").toStdString();
  QFile data(f.path("SCAN.NMO"));
  QVERIFY(data.open(QIODevice::WriteOnly));
  data.write("traces");
  data.close();
  f.dialogName = f.state.DataFileName;
  f.choose("scan.nmo");
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(f.ui.saveDialogs[0].fileName, f.path("SCAN.BMP").toStdString());
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(f.ui.boxes[0].text, "\"" + f.state.DataFileName + "\" is the data file open in Tessaly.\r\nNothing was written.");
  QCOMPARE(f.ui.boxes[0].title, std::string("Tessaly ERROR"));
  QVERIFY(data.open(QIODevice::ReadOnly));
  QCOMPARE(data.readAll(), QByteArray("traces"));
  QCOMPARE(f.files(), QStringList{"SCAN.NMO"});
}

void TestOutputBmp::realDialogTypedNameWithoutExtension_data() {
  QTest::addColumn<QString>("typed");
  QTest::newRow("plain") << "my panel";
  QTest::newRow("blanks around") << " my panel ";  // the dialog adds ".bmp" after the blank
}

void TestOutputBmp::realDialogTypedNameWithoutExtension() {
  QFETCH(QString, typed);
  QtUi qtui;
  Fixture f(qtui);
  f.dialogName.clear();
  QString title;
  QStringList filters;
  std::function<void()> poll = [&] {
    auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dlg) {
      QTimer::singleShot(20, poll);
      return;
    }
    title = dlg->windowTitle();
    filters = dlg->nameFilters();
    dlg->setDirectory(f.folder);
    auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
    edit->setText(typed);
    QMetaObject::invokeMethod(dlg, "accept", Qt::QueuedConnection);
  };
  QTimer::singleShot(20, poll);
  f.out->saveBmp(&f.canvas, f.dialogName);
  QCOMPARE(title, QString("Tessaly BMP File SAVE"));
  QCOMPARE(filters.size(), 2);
  QVERIFY(filters[0].startsWith("BitMaps (*.bmp)"));
  QVERIFY2(filters[1].startsWith("All Files (*.*"), qPrintable(filters.join("|")));
  QCOMPARE(f.files(), QStringList{"MY PANEL.BMP"});
  QVERIFY(samePixels(QImage(f.path("MY PANEL.BMP"), "BMP"), f.canvas));
}

QTEST_MAIN(TestOutputBmp)
#include "test_output_bmp.moc"
