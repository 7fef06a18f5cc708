// The help viewer: opening the help file at its contents and at a control's
// topic, F1, and closing when told to quit.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextBrowser>

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "display/GraphicsDialog.h"
#include "help/HelpViewer.h"
#include "support/TempDir.h"
#include "support/ScriptedUi.h"

using namespace tsly;

namespace {

// The help file as shipped in the source tree's resources/ folder (the build
// copies it beside the program).
QString helpFolder() { return QStringLiteral(TESSALY_SOURCE_DIR "/resources"); }

// The text of the block that carries the anchor, or a null string.
QString anchorBlock(QTextDocument* doc, const QString& name) {
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().anchorNames().contains(name)) return b.text();
  return {};
}

}  // namespace

class TestHelp : public QObject {
  Q_OBJECT
 private slots:
  void contentsOpen();
  void contextTopicsOpen_data();
  void contextTopicsOpen();
  void f1OpensTheTopicOfTheControl();
  void f1InTheGraphicsDialog();
  void quitCloses();
};

void TestHelp::contentsOpen() {
  test::ScriptedUi ui;
  QWidget owner;
  HelpViewer help(ui);
  help.setup(&owner, QDir::cleanPath(helpFolder()).toStdString());
  QCOMPARE(QString::fromStdString(help.helpFile()),
           QDir::cleanPath(helpFolder()) + "/TESSALY.HLP");
  // The folder and the name are joined with exactly one "/".
  QCOMPARE(helpFilePath("/"), std::string("/TESSALY.HLP"));
  QCOMPARE(helpFilePath("/opt/tessaly"), std::string("/opt/tessaly/TESSALY.HLP"));

  help.helpcontents();
  QVERIFY(ui.boxes.empty());
  QVERIFY(help.window() != nullptr);
  QVERIFY(help.window()->isVisible());
  QCOMPARE(help.window()->windowTitle(), QString("Tessaly Help"));
  QCOMPARE(help.currentTopic(), QString("contents"));
  QCOMPARE(help.browser()->verticalScrollBar()->value(), 0);
  const QString text = help.browser()->toPlainText();
  QVERIFY(text.startsWith("Tessaly Help"));
  QVERIFY(text.contains("The VELF job deck"));
  QVERIFY(text.contains("The settings file tessaly.ini"));

  // A help file that is not there is reported by the viewer itself.
  HelpViewer missing(ui);
  test::TempDir empty;
  missing.setup(&owner, empty.path());
  missing.helpcontents();
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].title, std::string("Tessaly Help"));
  QVERIFY(ui.boxes[0].text.rfind("Cannot open the help file\r\n" + missing.helpFile(), 0) == 0);
  QVERIFY(missing.window() == nullptr);
}

void TestHelp::contextTopicsOpen_data() {
  QTest::addColumn<int>("context");
  QTest::addColumn<QString>("heading");
  QTest::newRow("Files menu") << 12010 << "Files... menu";
  QTest::newRow("Options menu") << 12020 << "Options menu";
  QTest::newRow("Help menu") << 12030 << "Help menu";
  QTest::newRow("Prev/Next") << 12040 << "Prev and Next buttons";
  QTest::newRow("Clear Picks") << 12050 << "Clear Picks button";
  QTest::newRow("display") << 12060 << "The panel display and how to pick";
  QTest::newRow("scroll bars") << 12070 << "Scroll bars";
  QTest::newRow("graphics values") << 12210 << "Traces/Inch, Trace Gain factor (DB), Plot Ending Time (mS)";
  QTest::newRow("graphics checks") << 12220 << "Normalize Plot, Area Fill and Done";
  QTest::newRow("sampling ratio") << 12230 << "Sampling Ratio";
}

void TestHelp::contextTopicsOpen() {
  QFETCH(int, context);
  QFETCH(QString, heading);
  test::ScriptedUi ui;
  QWidget owner;
  HelpViewer help(ui);
  help.setup(&owner, helpFolder().toStdString());
  help.helpcontents();
  QVERIFY(help.winHelp(&owner, help.helpFile(), HelpContext, static_cast<unsigned long>(context)));
  QVERIFY(ui.boxes.empty());
  QCOMPARE(help.currentTopic(), QString::number(context));
  // The topic is there and is the one scrolled to: its heading is at the top of
  // the visible part.
  QTextBrowser* b = help.browser();
  QCOMPARE(anchorBlock(b->document(), QString::number(context)), heading);
  const QTextCursor top = b->cursorForPosition(QPoint(4, 4));
  QVERIFY2(top.block().text().contains(heading) || b->verticalScrollBar()->value() ==
                                                       b->verticalScrollBar()->maximum(),
           qPrintable(top.block().text()));
  QVERIFY(b->verticalScrollBar()->value() > 0);
}

void TestHelp::f1OpensTheTopicOfTheControl() {
  test::ScriptedUi ui;
  QWidget owner;
  auto* button = new QPushButton("Clear Picks", &owner);
  setHelpContext(button, 12050);
  auto* inner = new QWidget(&owner);
  setHelpContext(inner, 12060);
  auto* child = new QPushButton("x", inner);  // no number of its own: the parent's
  owner.show();
  QVERIFY(QTest::qWaitForWindowExposed(&owner));

  HelpViewer help(ui);
  help.setup(&owner, helpFolder().toStdString());
  help.enableF1();
  button->setFocus();
  QTest::keyClick(button, Qt::Key_F1);
  QVERIFY(help.window());
  QCOMPARE(help.currentTopic(), QString("12050"));
  QTest::keyClick(child, Qt::Key_F1);
  QCOMPARE(help.currentTopic(), QString("12060"));
  QTest::keyClick(&owner, Qt::Key_F1);  // nothing to go by: the contents
  QCOMPARE(help.currentTopic(), QString("contents"));

  // F1 in a modal dialog: the viewer belongs to the dialog, so the dialog does
  // not block it; afterwards it goes back to the owner.
  QDialog dialog(&owner);
  auto* ratio = new QPushButton("1:2", &dialog);
  setHelpContext(ratio, 12230);
  QWidget* parentDuringDialog = nullptr;
  QTimer::singleShot(0, [&] {
    ratio->setFocus();
    QTest::keyClick(ratio, Qt::Key_F1);
    parentDuringDialog = help.window()->parentWidget();
    dialog.accept();
  });
  dialog.exec();
  QCOMPARE(help.currentTopic(), QString("12230"));
  QCOMPARE(parentDuringDialog, &dialog);
  QVERIFY(help.window()->isVisible());
  help.helpcontents();
  QCOMPARE(help.window()->parentWidget(), &owner);
  QVERIFY(help.window()->isVisible());
}

// F1 on the controls of the real graphics parameters dialog, shown modally as
// "Change Graphics" shows it.
void TestHelp::f1InTheGraphicsDialog() {
  test::ScriptedUi ui;
  AppState state;
  QWidget owner;
  owner.show();
  QVERIFY(QTest::qWaitForWindowExposed(&owner));
  HelpViewer help(ui);
  help.setup(&owner, helpFolder().toStdString());
  help.enableF1();
  GraphicsDialog dialog(state, ui, &owner);

  QStringList topics;
  QTimer::singleShot(0, [&] {
    auto f1 = [&](QWidget* w) {
      QVERIFY(w);
      w->setFocus();
      QTest::keyClick(w, Qt::Key_F1);
      topics << help.currentTopic();
    };
    f1(dialog.findChild<QLineEdit*>("Text1"));
    f1(dialog.findChild<QLineEdit*>("Text6"));
    f1(dialog.findChild<QLineEdit*>("Text2"));
    f1(dialog.findChild<QCheckBox*>("normalize"));
    f1(dialog.findChild<QCheckBox*>("areafil"));
    f1(dialog.findChild<QPushButton*>("DONE"));
    f1(dialog.findChild<QRadioButton*>("Option3"));  // in Frame3, which carries the topic
    QTest::mouseClick(dialog.findChild<QPushButton*>("DONE"), Qt::LeftButton);
  });
  QVERIFY(dialog.run(96, QPoint(0, 0)));
  QCOMPARE(topics, QStringList({"12210", "12210", "12210", "12220", "12220", "12220", "12230"}));
  QVERIFY(ui.boxes.empty());
}

void TestHelp::quitCloses() {
  test::ScriptedUi ui;
  QWidget owner;
  HelpViewer help(ui);
  help.setup(&owner, helpFolder().toStdString());
  help.showContext(12040);
  QPointer<QWidget> window = help.window();
  QVERIFY(window && window->isVisible());
  help.quit();
  QVERIFY(help.window() == nullptr);
  QVERIFY(!window || !window->isVisible());
  QTRY_VERIFY(window.isNull());
  // Quitting again, with nothing open, is harmless.
  QVERIFY(help.winHelp(&owner, help.helpFile(), HelpQuit, 0));
  QVERIFY(ui.boxes.empty());
}

QTEST_MAIN(TestHelp)
#include "test_help_viewer.moc"
