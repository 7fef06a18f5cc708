// Print and Print Setup: the page, its orientation, the PDF written when no
// printer is installed, and the printer dialog's failures.
#include <QtTest>

#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QProcess>
#include <QStandardPaths>

#include "output/PictureOutput.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::output;
using namespace tsly::test;

namespace {

// A printer dialog that answers as told and records what it was shown.
class ScriptedPrinterDialog : public PrinterDialog {
 public:
  struct Step {
    Status status;
    QPageLayout::Orientation orientation;
    QString error;
  };
  QList<Step> steps;
  QList<QPageLayout::Orientation> shownWith;
  // What the dialog leaves on the printer itself (a dialog may change it on Cancel).
  std::optional<QPageLayout::Orientation> leaveOnPrinter;
  // Printing to this file chosen in the dialog.
  QString printToFile;

  Result run(QPrinter& printer, QPageLayout::Orientation held, QWidget*) override {
    shownWith.append(held);
    Step s = steps.isEmpty() ? Step{Status::Cancelled, held, {}} : steps.takeFirst();
    if (leaveOnPrinter) printer.setPageOrientation(*leaveOnPrinter);
    if (!printToFile.isEmpty()) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(printToFile);
    }
    return {s.status, s.orientation, s.error};
  }
};

// The panels as the redraw leaves them: white, timing lines, wiggles, a pick.
QImage canvasPicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setPen(Qt::black);
  for (int y = 50; y < h; y += 40) p.drawLine(40, y, w - 50, y);
  for (int x = 50; x < w - 50; x += 10) {
    p.fillRect(x, 60, 4, h / 2, Qt::black);
  }
  p.fillRect(w / 2, h / 3, 60, 30, QColor(0, 255, 255));
  p.fillRect(10, h - 40, 30, 30, QColor(200, 30, 30));
  return img;
}

bool havePoppler() {
  return !QStandardPaths::findExecutable("pdftoppm").isEmpty() &&
         !QStandardPaths::findExecutable("pdfinfo").isEmpty();
}

QString pdfInfo(const QString& pdf) {
  QProcess p;
  p.start("pdfinfo", {pdf});
  p.waitForFinished(20000);
  return QString::fromLocal8Bit(p.readAllStandardOutput());
}

int pageCount(const QString& pdf) {
  if (havePoppler()) {
    const QString info = pdfInfo(pdf);
    static const QRegularExpression re("Pages:\\s+(\\d+)");
    const auto m = re.match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  }
  const QByteArray all = QByteArray::fromStdString(readFile(pdf.toStdString()));
  if (all.isEmpty()) return -1;
  return all.count("/Type /Page\n") + all.count("/Type /Page ") + all.count("/Type /Page/") -
         all.count("/Type /Pages");
}

// Page size in points from pdfinfo: {width, height}.
QSizeF pageSize(const QString& pdf) {
  static const QRegularExpression re("Page size:\\s+([0-9.]+) x ([0-9.]+) pts");
  const auto m = re.match(pdfInfo(pdf));
  return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

QImage renderPage(const QString& pdf, int dpi, const QString& dir) {
  QProcess p;
  const QString out = dir + "/render";
  p.start("pdftoppm", {"-r", QString::number(dpi), "-png", "-singlefile", pdf, out});
  p.waitForFinished(30000);
  return QImage(out + ".png").convertToFormat(QImage::Format_RGB32);
}

int channelDiff(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// Whether `value` lies, channel by channel, within the range of the canvas
// pixels around (x, y) (a small tolerance for colour rounding).
bool withinNeighbourhood(const QImage& canvas, int x, int y, QRgb value) {
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      const int cx = x + dx, cy = y + dy;
      const QRgb c = canvas.rect().contains(cx, cy) ? canvas.pixel(cx, cy) : qRgb(255, 255, 255);
      const int ch[3] = {qRed(c), qGreen(c), qBlue(c)};
      for (int i = 0; i < 3; ++i) lo[i] = std::min(lo[i], ch[i]), hi[i] = std::max(hi[i], ch[i]);
    }
  const int v[3] = {qRed(value), qGreen(value), qBlue(value)};
  for (int i = 0; i < 3; ++i)
    if (v[i] < lo[i] - 12 || v[i] > hi[i] + 12) return false;
  return true;
}

// The x positions along row y where the picture turns from light to dark.
QList<int> darkEdges(const QImage& img, int y, int width = -1) {
  QList<int> edges;
  const int w = width < 0 ? img.width() : width;
  bool dark = false;
  for (int x = 0; x < w; ++x) {
    const bool d = qGray(img.pixel(x, y)) < 128;
    if (d && !dark) edges << x;
    dark = d;
  }
  return edges;
}

struct Fixture {
  ScriptedUi ui;
  TempDir dir;
  const QString folder = QString::fromStdString(dir.path());
  ScriptedPrinterDialog* dialog = nullptr;
  QStringList status;
  std::unique_ptr<PictureOutput> out;
  QString pdf;

  explicit Fixture(bool printers = false) {
    pdf = folder + "/page.pdf";
    auto d = std::make_unique<ScriptedPrinterDialog>();
    dialog = d.get();
    PictureOutputOptions o;
    o.printersInstalled = [printers] { return printers; };
    o.pdfPath = [this] { return pdf; };
    o.status = [this](const QString& s) { status << s; };
    o.pdfDpi = 96;
    out = std::make_unique<PictureOutput>(ui, nullptr, nullptr, std::move(d), o);
  }
};

}  // namespace

class TestOutputPrint : public QObject {
  Q_OBJECT
 private slots:
  void printWithoutPrinterWritesOnePdfPageMatchingTheCanvas();
  void printBeforeAnySetupUsesTheDefaultOrientation();
  void setupOrientationAppliesToTheNextPrint();
  void cancelInSetupStillAppliesTheHeldOrientation();
  void setupFailureShowsTheErrorAndStillAppliesOrientation();
  void realPrintDialogHasItsTitleAndCancelIsSilent();
  void unwritablePdfIsReportedAndCursorRestored();
  void defaultPdfGoesBesideTheDataFile();
  void printToAFileChosenInSetupNeverOverwrites();
};

void TestOutputPrint::printWithoutPrinterWritesOnePdfPageMatchingTheCanvas() {
  Fixture f;
  const QImage canvas = canvasPicture(360, 240);
  f.out->print(canvas);

  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.ui.busyCalls, 2);  // wait cursor on, then off
  QVERIFY(!f.ui.busy);
  QVERIFY(QFileInfo::exists(f.pdf));
  QCOMPARE(f.out->lastPdf(), f.pdf);
  QCOMPARE(f.status, QStringList{"No printer installed: the page was written to " + f.pdf});
  QCOMPARE(pageCount(f.pdf), 1);

  if (!havePoppler()) QSKIP("pdftoppm not installed: page image not compared");
  const QImage page = renderPage(f.pdf, 96, f.folder);
  QVERIFY(!page.isNull());
  QVERIFY(page.width() >= canvas.width() && page.height() >= canvas.height());
  // One printer pixel per canvas pixel, from the page's top-left corner. The
  // renderer smooths image edges by a fraction of a pixel, so each page pixel must
  // lie within the colour range of the canvas pixels around it, and every
  // dark/light edge along a row must be found within one pixel of its place.
  int bad = 0;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (!withinNeighbourhood(canvas, x, y, page.pixel(x, y))) ++bad;
  QVERIFY2(bad == 0, qPrintable(QString::number(bad) + " pixels differ"));
  for (int y : {70, 100, 150}) {
    const QList<int> want = darkEdges(canvas, y), got = darkEdges(page, y, canvas.width());
    QCOMPARE(got.size(), want.size());
    for (int i = 0; i < want.size(); ++i)
      QVERIFY2(std::abs(got[i] - want[i]) <= 1, qPrintable(QString("edge %1: %2 vs %3").arg(i).arg(got[i]).arg(want[i])));
  }
  QCOMPARE(QColor(page.pixel(360 / 2 + 30, 240 / 3 + 15)), QColor(0, 255, 255));
  QVERIFY(channelDiff(page.pixel(25, 240 - 25), qRgb(200, 30, 30)) < 16);
  // Beyond the picture the page stays white.
  for (int x = canvas.width() + 2; x < canvas.width() + 40; ++x)
    QCOMPARE(page.pixel(x, 100), qRgb(255, 255, 255));
}

void TestOutputPrint::printBeforeAnySetupUsesTheDefaultOrientation() {
  Fixture f;
  QCOMPARE(f.out->heldOrientation(), QPrinter(QPrinter::HighResolution).pageLayout().orientation());
  f.out->print(canvasPicture(100, 80));
  QCOMPARE(f.out->printer().pageLayout().orientation(), QPageLayout::Portrait);
  if (!havePoppler()) QSKIP("pdfinfo not installed");
  const QSizeF s = pageSize(f.pdf);
  QVERIFY(s.height() > s.width());
}

void TestOutputPrint::setupOrientationAppliesToTheNextPrint() {
  Fixture f;
  f.dialog->steps = {{PrinterDialog::Status::Accepted, QPageLayout::Landscape, {}}};
  f.out->printSetup();
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(f.dialog->shownWith.size(), 1);
  QCOMPARE(f.dialog->shownWith[0], QPageLayout::Portrait);
  QCOMPARE(f.out->heldOrientation(), QPageLayout::Landscape);
  QCOMPARE(f.out->printer().pageLayout().orientation(), QPageLayout::Landscape);
  f.out->print(canvasPicture(100, 80));
  if (!havePoppler()) QSKIP("pdfinfo not installed");
  const QSizeF s = pageSize(f.pdf);
  QVERIFY2(s.width() > s.height(), qPrintable(QString("%1 x %2").arg(s.width()).arg(s.height())));
}

void TestOutputPrint::cancelInSetupStillAppliesTheHeldOrientation() {
  Fixture f;
  f.dialog->steps = {{PrinterDialog::Status::Accepted, QPageLayout::Landscape, {}},
                     {PrinterDialog::Status::Cancelled, QPageLayout::Landscape, {}}};
  f.out->printSetup();
  // The second use is cancelled after the printer itself was turned to portrait.
  f.dialog->leaveOnPrinter = QPageLayout::Portrait;
  f.out->printSetup();
  QVERIFY(f.ui.boxes.empty());  // Cancel ends silently
  QCOMPARE(f.dialog->shownWith[1], QPageLayout::Landscape);
  QCOMPARE(f.out->printer().pageLayout().orientation(), QPageLayout::Landscape);

  // A dialog that reports a new orientation on Cancel gets it applied too.
  f.dialog->leaveOnPrinter.reset();
  f.dialog->steps = {{PrinterDialog::Status::Cancelled, QPageLayout::Portrait, {}}};
  f.out->printSetup();
  QCOMPARE(f.out->printer().pageLayout().orientation(), QPageLayout::Portrait);
  QCOMPARE(f.out->heldOrientation(), QPageLayout::Portrait);
  f.out->print(canvasPicture(100, 80));
  if (!havePoppler()) QSKIP("pdfinfo not installed");
  const QSizeF s = pageSize(f.pdf);
  QVERIFY(s.height() > s.width());
}

void TestOutputPrint::setupFailureShowsTheErrorAndStillAppliesOrientation() {
  Fixture f;
  f.dialog->steps = {{PrinterDialog::Status::Failed, QPageLayout::Landscape, "no spooler"}};
  f.out->printSetup();
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(QString::fromStdString(f.ui.boxes[0].text), QString("Unexpected error\r\nno spooler"));
  QCOMPARE(QString::fromStdString(f.ui.boxes[0].title), QString("Tessaly - ERROR"));
  QVERIFY(f.ui.boxes[0].buttons == Buttons::Ok);
  QVERIFY(f.ui.boxes[0].icon == Icon::None);
  QCOMPARE(f.out->printer().pageLayout().orientation(), QPageLayout::Landscape);
}

void TestOutputPrint::realPrintDialogHasItsTitleAndCancelIsSilent() {
  ScriptedUi ui;
  PictureOutput out(ui, nullptr, nullptr);  // the Qt print dialog
  QString title;
  bool isPrintDialog = false;
  std::function<void()> poll = [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) {
      QTimer::singleShot(20, poll);
      return;
    }
    title = w->windowTitle();
    isPrintDialog = qobject_cast<QPrintDialog*>(w) != nullptr;
    qobject_cast<QDialog*>(w)->reject();
  };
  QTimer::singleShot(20, poll);
  out.printer().setPageOrientation(QPageLayout::Landscape);  // held is still the default
  out.printSetup();
  QCOMPARE(title, QString("Tessaly Printer Setup"));
  QVERIFY(isPrintDialog);
  QVERIFY(ui.boxes.empty());
  QCOMPARE(out.printer().pageLayout().orientation(), out.heldOrientation());
  QCOMPARE(out.heldOrientation(), QPageLayout::Portrait);
}

void TestOutputPrint::unwritablePdfIsReportedAndCursorRestored() {
  Fixture f;
  f.pdf = f.folder + "/missing-folder/page.pdf";
  f.out->print(canvasPicture(50, 50));
  QCOMPARE(f.ui.boxes.size(), size_t(1));
  QCOMPARE(QString::fromStdString(f.ui.boxes[0].text),
           "The page could not be printed.\r\nThe file " + f.pdf + " could not be created.");
  QCOMPARE(QString::fromStdString(f.ui.boxes[0].title), QString("Tessaly - ERROR"));
  QVERIFY(f.ui.boxes[0].icon == Icon::Exclamation);
  QVERIFY(!f.ui.busy);
  QVERIFY(f.status.isEmpty());
  QVERIFY(f.out->lastPdf().isEmpty());
}

void TestOutputPrint::defaultPdfGoesBesideTheDataFile() {
  ScriptedUi ui;
  TempDir data, start;
  const QString dataDir = QString::fromStdString(data.path()), startDir = QString::fromStdString(start.path());
  AppState state;
  state.DataFileName = data.file("line7.vsc");
  state.StartDirectory = start.path();
  QStringList status;
  PictureOutputOptions o;
  o.state = &state;
  o.printersInstalled = [] { return false; };
  o.status = [&](const QString& s) { status << s; };
  PictureOutput out(ui, nullptr, nullptr, nullptr, o);
  out.print(canvasPicture(40, 30));
  out.print(canvasPicture(40, 30));
  QVERIFY(ui.boxes.empty());
  const QStringList pages = QDir(dataDir).entryList({"tessaly-print-*.pdf"}, QDir::Files);
  QCOMPARE(pages.size(), 2);  // a second print in the same second does not replace the first
  QCOMPARE(QFileInfo(out.lastPdf()).absolutePath(), QFileInfo(dataDir).absoluteFilePath());
  QVERIFY(status.last().endsWith(out.lastPdf()));

  // No data file open: the start directory.
  state.DataFileName.clear();
  out.print(canvasPicture(40, 30));
  QCOMPARE(QFileInfo(out.lastPdf()).absolutePath(), QFileInfo(startDir).absoluteFilePath());
}

// Print Setup chose printing to a file that exists already: every Print
// writes a page of its own beside it, and the status line says where.
void TestOutputPrint::printToAFileChosenInSetupNeverOverwrites() {
  Fixture f(true);
  const QString chosen = f.folder + "/panels.pdf";
  writeFile(chosen.toStdString(), "mine");
  f.dialog->printToFile = chosen;
  f.dialog->steps = {{PrinterDialog::Status::Accepted, QPageLayout::Portrait, {}}};
  f.out->printSetup();
  f.out->print(canvasPicture(40, 30));
  f.out->print(canvasPicture(40, 30));
  QVERIFY(f.ui.boxes.empty());
  QCOMPARE(readFile(chosen.toStdString()), std::string("mine"));
  const QString second = f.folder + "/panels-2.pdf", third = f.folder + "/panels-3.pdf";
  QCOMPARE(pageCount(second), 1);
  QCOMPARE(pageCount(third), 1);
  QCOMPARE(f.out->lastPdf(), third);
  QCOMPARE(f.status, (QStringList{"The page was written to " + second, "The page was written to " + third}));
}

QTEST_MAIN(TestOutputPrint)
#include "test_output_print.moc"
