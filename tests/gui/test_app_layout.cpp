// The main window's controls and menus: names, captions, order, design states,
// positions from twips, help topic numbers; the file-information window's design.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "app/TessalyWindow.h"
#include "open/FileInfoWindow.h"
#include "qt/ImageCanvas.h"
#include "qt/QtUi.h"
#include "qt/WrappingLabel.h"
#include "display/DisplaySurface.h"
#include "support/ScriptedUi.h"
#include "gui/WindowTestSupport.h"

using namespace tsly;
using namespace tsly::test;

class AppLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void captionAndMenus();
  void controls_data();
  void controls();
  void designStates();
  void helpMenuOnTheRight();
  void fileInfoDesign();
  void statusLabelNeverCutsAMessage();
  void fileInfoFileNameIsNeverCut();
  void scrollBarsMoveTheCanvas();
};

void AppLayoutTest::captionAndMenus() {
  MainWindow m;
  TessalyWindow& w = m.w;
  QCOMPARE(w.objectName(), QString("tessaly"));
  QCOMPARE(w.windowTitle(), QString("TSLY for WINDOWS"));

  struct MenuSpec {
    const char* name;
    const char* caption;
    int help;
    std::vector<std::pair<const char*, const char*>> items;
  };
  const std::vector<MenuSpec> menus = {
      {"file", "&Files...", 12010,
       {{"fileopen", "&Open"}, {"fileinfomenu", "File &Info"}, {"fileprtsetup", "Print Setup"},
        {"fileprint", "&Print"}, {"filebmp", "Save BMP"}, {"", ""}, {"fileexit", "E&xit"}}},
      {"edit", "&Options", 12020,
       {{"editsele", "Change Graphics"}, {"editnmo", "Set NMO Parameters"}, {"editvelf", "Make VELF commands"},
        {"savepicks", "Save Picks..."}, {"loadpicks", "Load Picks..."}, {"exportpicks", "Export Picks..."},
        {"velfunction", "Velocity Function"}, {"velspectrum", "Velocity Spectrum"}, {"velfield", "Velocity Field"},
        {"autopickmenu", "Auto Pick"}}},
      {"help", "&Help", 12030, {{"helpcontents", "&Contents"}, {"fileabout", "&About"}}},
  };
  for (const auto& m : menus) {
    QMenu* menu = w.menu(m.name);
    QVERIFY2(menu, m.name);
    QCOMPARE(menu->title(), QString(m.caption));
    QCOMPARE(menu->property("helpContextId").toInt(), m.help);
    const auto actions = menu->actions();
    QCOMPARE(actions.size(), qsizetype(m.items.size()));
    for (size_t i = 0; i < m.items.size(); ++i) {
      if (!*m.items[i].first) {
        QVERIFY(actions[i]->isSeparator());
        continue;
      }
      QCOMPARE(actions[i]->objectName(), QString(m.items[i].first));
      QCOMPARE(actions[i]->text(), QString(m.items[i].second));
      QCOMPARE(w.action(m.items[i].first), actions[i]);
    }
  }
  // "&Files..." and "&Options" in that order on the bar itself.
  const auto barActions = w.menuBar()->actions();
  QCOMPARE(barActions.size(), qsizetype(2));
  QCOMPARE(barActions[0]->menu(), w.menu("file"));
  QCOMPARE(barActions[1]->menu(), w.menu("edit"));
}

void AppLayoutTest::controls_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QRect>("twips");
  QTest::addColumn<int>("help");
  QTest::newRow("prevpanel") << "prevpanel" << "Prev" << QRect(0, 0, 612, 372) << 12040;
  QTest::newRow("nextpanel") << "nextpanel" << "Next" << QRect(600, 0, 612, 372) << 12040;
  QTest::newRow("clearpicks") << "clearpicks" << "Clear Picks" << QRect(1200, 0, 1092, 372) << 12050;
  QTest::newRow("Label1") << "Label1" << "TSLY-4-Windows" << QRect(2400, 0, 4572, 372) << 0;
  QTest::newRow("refresh") << "refresh" << "refresh" << QRect(6360, 0, 1212, 372) << 0;
  QTest::newRow("VScroll1") << "VScroll1" << "" << QRect(0, 360, 252, 4332) << 12070;
  QTest::newRow("Picture2") << "Picture2" << "" << QRect(240, 360, 7212, 4332) << 12060;
  QTest::newRow("HScroll1") << "HScroll1" << "" << QRect(240, 4680, 7212, 252) << 12070;
}

void AppLayoutTest::controls() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QRect, twips);
  QFETCH(int, help);
  MainWindow m;
  TessalyWindow& w = m.w;
  QWidget* c = w.findChild<QWidget*>(name);
  QVERIFY(c);
  if (auto* b = qobject_cast<QPushButton*>(c)) QCOMPARE(b->text(), caption);
  if (auto* l = qobject_cast<QLabel*>(c)) QCOMPARE(l->text(), caption);
  const double dx = w.logicalDpiX(), dy = w.logicalDpiY();
  QCOMPARE(c->geometry(), twipsRect(twips.x(), twips.y(), twips.width(), twips.height(), dx, dy));
  if (help)
    QCOMPARE(c->property("helpContextId").toInt(), help);
  else
    QVERIFY(!c->property("helpContextId").isValid());
}

void AppLayoutTest::designStates() {
  MainWindow m;
  TessalyWindow& w = m.w;
  w.show();
  QVERIFY(!control<QPushButton>(w, "prevpanel")->isEnabled());
  QVERIFY(!control<QPushButton>(w, "nextpanel")->isEnabled());
  QVERIFY(!control<QPushButton>(w, "clearpicks")->isEnabled());
  QVERIFY(!control<QPushButton>(w, "refresh")->isVisible());
  QVERIFY(w.findChild<QPushButton*>("refresh"));
  QVERIFY(control<QLabel>(w, "Label1")->isVisible());
  // The canvas sits at the viewport's top-left corner on a white background.
  QWidget* canvas = w.findChild<QWidget*>("Picture1");
  QVERIFY(canvas);
  QCOMPARE(canvas->parentWidget(), w.findChild<QWidget*>("Picture2"));
  QCOMPARE(canvas->pos(), QPoint(0, 0));
  QCOMPARE(canvas, static_cast<QWidget*>(w.canvas()));
  const QImage& image = w.canvas()->image();
  QVERIFY(!image.isNull());
  QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
  QCOMPARE(canvas->property("helpContextId").toInt(), 12060);
  // Client area below the menu bar: 7560 x 5040 twips.
  QCOMPARE(w.centralWidget()->width(), twipsToPixels(7560, w.logicalDpiX()));
  QCOMPARE(w.centralWidget()->height(), twipsToPixels(5040, w.logicalDpiY()));
  QCOMPARE(twipsRect(240, 360, 7212, 4332, 96, 96), QRect(16, 24, 481, 289));
}

void AppLayoutTest::helpMenuOnTheRight() {
  MainWindow m;
  TessalyWindow& w = m.w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto* helpBar = qobject_cast<QMenuBar*>(w.menuBar()->cornerWidget(Qt::TopRightCorner));
  QVERIFY(helpBar);
  QCOMPARE(helpBar->actions().size(), qsizetype(1));
  QCOMPARE(helpBar->actions()[0]->menu(), w.menu("help"));
  // Its right edge is the bar's right edge; "&Options" lies left of it.
  const QPoint helpRight = helpBar->mapTo(w.menuBar(), QPoint(helpBar->width(), 0));
  QVERIFY(helpRight.x() >= w.menuBar()->width() - 20);
  QVERIFY(helpBar->x() > w.menuBar()->actionGeometry(w.menuBar()->actions()[1]).right());
}

void AppLayoutTest::fileInfoDesign() {
  MainWindow m;
  TessalyWindow& w = m.w;
  FileInfoWindow* f = &w.fileInfoWindow();
  QCOMPARE(f, &w.fileInfoWindow());  // created once
  QCOMPARE(f->objectName(), QString("tslyfile"));
  QCOMPARE(f->windowTitle(), QString("Tessaly File Infomation"));
  auto* frame = f->findChild<QGroupBox*>();
  QVERIFY(frame);
  QCOMPARE(frame->title(), QString("File Information"));
  QCOMPARE(f->findChild<QLabel*>("Label3")->text(), QString("lab3"));
  QCOMPARE(f->findChild<QLabel*>("Label2")->text(), QString("lab2"));
  QCOMPARE(f->findChild<QLabel*>("Label1")->text(), QString("lab1"));
  auto* done = f->findChild<QPushButton*>("infodone");
  QVERIFY(done);
  QCOMPARE(done->text(), QString("Done"));
  // CR LF texts read back unchanged.
  FileInfoWindow::setLabelText(f->label2(), " 50 Samples  4000 microsec/sample\r\n Velocity Scan Data\r\n");
  QCOMPARE(FileInfoWindow::labelText(f->label2()),
           std::string(" 50 Samples  4000 microsec/sample\r\n Velocity Scan Data\r\n"));
  // Done hides and keeps the texts.
  f->show();
  QTest::mouseClick(done, Qt::LeftButton);
  QVERIFY(!f->isVisible());
  QCOMPARE(FileInfoWindow::labelText(f->label2()),
           std::string(" 50 Samples  4000 microsec/sample\r\n Velocity Scan Data\r\n"));
}

void AppLayoutTest::scrollBarsMoveTheCanvas() {
  MainWindow m;
  TessalyWindow& w = m.w;
  control<QWidget>(w, "Picture1")->resize(2000, 1500);
  control<QScrollBar>(w, "HScroll1")->setRange(0, 2000);
  control<QScrollBar>(w, "VScroll1")->setRange(0, 1000);
  control<QScrollBar>(w, "HScroll1")->setValue(300);
  QCOMPARE(control<QWidget>(w, "Picture1")->pos(), QPoint(-300, 0));
  control<QScrollBar>(w, "VScroll1")->setValue(200);
  // Vertical scrolling brings the left edge back; the horizontal bar keeps its value.
  QCOMPARE(control<QWidget>(w, "Picture1")->pos(), QPoint(0, -200));
  QCOMPARE(control<QScrollBar>(w, "HScroll1")->value(), 300);
  control<QScrollBar>(w, "HScroll1")->setValue(310);
  QCOMPARE(control<QWidget>(w, "Picture1")->pos(), QPoint(-310, -200));

  // From the keyboard: Tab reaches the canvas, which scrolls by the bars' steps.
  auto* canvas = control<QWidget>(w, "Picture1");
  w.show();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(&w, Qt::Key_Tab);
  QTRY_VERIFY(canvas->hasFocus());
  auto* v = control<QScrollBar>(w, "VScroll1");
  auto* h = control<QScrollBar>(w, "HScroll1");
  canvas->resize(2000, 1500);
  h->setRange(0, 2000);
  v->setRange(0, 1000);
  h->setValue(310);
  v->setValue(200);
  const struct {
    Qt::Key key;
    int v, h;
  } keys[] = {{Qt::Key_Down, 216, 310},  {Qt::Key_Up, 200, 310},
              {Qt::Key_PageDown, 200 + v->pageStep(), 310}, {Qt::Key_PageUp, 200, 310},
              {Qt::Key_Right, 200, 326}, {Qt::Key_Left, 200, 310},
              {Qt::Key_End, 1000, 310},  {Qt::Key_Home, 0, 0}};
  for (const auto& k : keys) {
    QTest::keyClick(canvas, k.key);
    QCOMPARE(v->value(), k.v);
    QCOMPARE(h->value(), k.h);
  }
  QCOMPARE(canvas->pos(), QPoint(0, 0));
}

namespace {

// The label shows the whole text: every line fits its width, all lines fit its
// height, and together they hold every character of the text.
void verifyWhole(const WrappingLabel* l, const QString& text) {
  QCOMPARE(l->text(), text);
  const QStringList lines = l->shownLines();
  const QFontMetrics fm(l->font());
  for (const QString& line : lines) QVERIFY2(fm.horizontalAdvance(line) <= l->contentsRect().width(), qPrintable(line));
  QVERIFY(static_cast<int>(lines.size()) * fm.lineSpacing() <= l->contentsRect().height());
  QString joined = lines.join(QString()), expected = text;
  joined.remove(QLatin1Char(' '));
  expected.remove(QLatin1Char(' '));
  QCOMPARE(joined, expected);
}

}  // namespace

void AppLayoutTest::statusLabelNeverCutsAMessage() {
  MainWindow m;
  TessalyWindow& w = m.w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto* label = control<WrappingLabel>(w, "Label1");
  QVERIFY(label);
  const int row = twipsToPixels(372, w.logicalDpiY());
  // It takes the width left in its row.
  QCOMPARE(label->x(), twipsToPixels(2400, w.logicalDpiX()));
  QCOMPARE(label->x() + label->width(), w.centralWidget()->width() - 4);
  QCOMPARE(label->height(), row);

  const QString pick = "Last pick at  25ms on CDP#  1001 with velo = 2000";
  w.display().setStatusText(pick.toStdString());
  verifyWhole(label, pick);

  // A message longer than the row wraps, the folder name within itself, and the
  // label grows over the canvas's top margin, in front of it.
  const QString pdf = "No printer installed: the page was written to "
                      "/home/analyst/surveys/north-sea/line-0007/velocity-scans/tessaly-print-20261208-131313.pdf";
  w.display().setStatusText(pdf.toStdString());
  verifyWhole(label, pdf);
  QVERIFY(label->height() > row);
  QCOMPARE(w.centralWidget()->childAt(label->geometry().bottomLeft() + QPoint(2, -2)), label);
  // It pushes the viewport (the labels atop the canvas) and VScroll1 down, their bottom staying.
  auto* viewport = control<QWidget>(w, "Picture2");
  auto* vbar = control<QWidget>(w, "VScroll1");
  const int designTop = twipsToPixels(360, w.logicalDpiY()), extra = label->height() - row;
  QCOMPARE(viewport->y(), designTop + extra);
  QCOMPARE(vbar->y(), designTop + extra);
  QCOMPARE(viewport->geometry().bottom(), control<QWidget>(w, "HScroll1")->y() - 1);

  // A narrower window: the label follows, the message still whole.
  w.resize(w.width() - 150, w.height());
  QTRY_COMPARE(label->x() + label->width(), w.centralWidget()->width() - 4);
  verifyWhole(label, pdf);
  // A short message in the wider window again: back to one row.
  w.resize(w.width() + 150, w.height());
  QTRY_COMPARE(label->x() + label->width(), w.centralWidget()->width() - 4);
  w.display().setStatusText("CDP #  1001 with any previous picks shown.");
  QCOMPARE(label->height(), row);
  QCOMPARE(viewport->y(), designTop);
  QCOMPARE(vbar->y(), designTop);
}

void AppLayoutTest::fileInfoFileNameIsNeverCut() {
  MainWindow m;
  TessalyWindow& w = m.w;
  FileInfoWindow& f = w.fileInfoWindow();
  f.show();
  QVERIFY(QTest::qWaitForWindowExposed(&f));
  auto* label3 = qobject_cast<WrappingLabel*>(f.label3());
  QVERIFY(label3);

  // A name that fits is shown whole, wrapped at the folders if need be.
  const QString shortName = "/home/analyst/surveys/north-sea/line-0007/scan.nmo";
  f.setFileName(shortName.toStdString());
  verifyWhole(label3, shortName);
  QCOMPARE(label3->toolTip(), shortName);

  // A name too long for the label keeps its beginning and its end, leaves its
  // middle out, and is whole in the tool tip.
  QString longName = "/home/analyst";
  for (int i = 0; i < 30; ++i) longName += QString("/survey-folder-%1").arg(i);
  longName += "/scan-of-line-0007.nmo";
  f.setFileName(longName.toStdString());
  QCOMPARE(FileInfoWindow::labelText(label3), longName.toStdString());
  QCOMPARE(label3->toolTip(), longName);
  const QStringList lines = label3->shownLines();
  QVERIFY(lines.join(QString()).contains(QChar(0x2026)));
  QVERIFY(lines.front().startsWith("/home/analyst/survey-folder-0"));
  QVERIFY(lines.back().endsWith("/scan-of-line-0007.nmo"));
  const QFontMetrics fm(label3->font());
  QVERIFY(static_cast<int>(lines.size()) * fm.lineSpacing() <= label3->contentsRect().height());
  for (const QString& line : lines) QVERIFY(fm.horizontalAdvance(line) <= label3->contentsRect().width());
}

QTEST_MAIN(AppLayoutTest)
#include "test_app_layout.moc"
