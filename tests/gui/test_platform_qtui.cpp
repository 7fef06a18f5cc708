// The Qt dialogs: message boxes (text, title, buttons, icon, answers), the input
// box, open and save file dialogs (filters, selected filter, default extension,
// initial directory, cancel, failure), busy cursor.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "qt/QtUi.h"
#include "support/TempDir.h"

using namespace tsly;

namespace {

// Runs `act` on the next modal widget that appears.
void onModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(10, [act] {
    QWidget* m = QApplication::activeModalWidget();
    if (!m) {
      onModal(act);
      return;
    }
    act(m);
  });
}

struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

}  // namespace

class QtUiTest : public QObject {
  Q_OBJECT
 private slots:
  void messageBoxShowsExactly();
  void messageBoxAnswers_data();
  void messageBoxAnswers();
  void closingABoxAnswersCancelOrNo();
  void inputBox();
  void filterTranslation();
  void openDialogSetUpAndChoice();
  void saveDialogTakesTheExtensionOfTheFilter_data();
  void saveDialogTakesTheExtensionOfTheFilter();
  void dialogCancelAndFailure();
  void busyCursorIsSetNotStacked();
};

void QtUiTest::messageBoxShowsExactly() {
  QtUi ui;
  SeenBox seen;
  onModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box);
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(QMessageBox::Ok)->click();
  });
  QCOMPARE(ui.message("Can not find tessaly.INI file!\r\n", "", Buttons::Ok, Icon::None), Answer::Ok);
  QCOMPARE(seen.title, QString("Tessaly"));
  QCOMPARE(seen.text, QString("Can not find tessaly.INI file!\n"));
  QCOMPARE(seen.icon, QMessageBox::NoIcon);
  QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

  onModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(QMessageBox::Ok)->click();
  });
  ui.message("line 1\r\nline  2", "JobPad DDE COMMUNICATIONS FAILURE", Buttons::Ok, Icon::Exclamation);
  QCOMPARE(seen.title, QString("JobPad DDE COMMUNICATIONS FAILURE"));
  QCOMPARE(seen.text, QString("line 1\nline  2"));
  QCOMPARE(seen.icon, QMessageBox::Warning);
}

void QtUiTest::messageBoxAnswers_data() {
  QTest::addColumn<int>("buttons");
  QTest::addColumn<int>("icon");
  QTest::addColumn<int>("press");
  QTest::addColumn<int>("expected");
  QTest::addColumn<int>("qtIcon");
  QTest::addColumn<int>("qtButtons");
  QTest::newRow("ok/cancel cancel") << int(Buttons::OkCancel) << int(Icon::Information) << int(QMessageBox::Cancel)
                                    << int(Answer::Cancel) << int(QMessageBox::Information)
                                    << int(QMessageBox::Ok | QMessageBox::Cancel);
  QTest::newRow("yes/no no") << int(Buttons::YesNo) << int(Icon::Question) << int(QMessageBox::No) << int(Answer::No)
                             << int(QMessageBox::Question) << int(QMessageBox::Yes | QMessageBox::No);
  QTest::newRow("yes/no/cancel yes") << int(Buttons::YesNoCancel) << int(Icon::Question) << int(QMessageBox::Yes)
                                     << int(Answer::Yes) << int(QMessageBox::Question)
                                     << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  QTest::newRow("abort/retry/ignore ignore") << int(Buttons::AbortRetryIgnore) << int(Icon::Critical)
                                             << int(QMessageBox::Ignore) << int(Answer::Ignore)
                                             << int(QMessageBox::Critical)
                                             << int(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
  QTest::newRow("retry/cancel retry") << int(Buttons::RetryCancel) << int(Icon::Exclamation) << int(QMessageBox::Retry)
                                      << int(Answer::Retry) << int(QMessageBox::Warning)
                                      << int(QMessageBox::Retry | QMessageBox::Cancel);
}

void QtUiTest::messageBoxAnswers() {
  QFETCH(int, buttons);
  QFETCH(int, icon);
  QFETCH(int, press);
  QFETCH(int, expected);
  QFETCH(int, qtIcon);
  QFETCH(int, qtButtons);
  QtUi ui;
  SeenBox seen;
  onModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(QMessageBox::StandardButton(press))->click();
  });
  const Answer a = ui.message("text", "Title", Buttons(buttons), Icon(icon));
  QCOMPARE(int(a), expected);
  QCOMPARE(int(seen.icon), qtIcon);
  QCOMPARE(int(seen.buttons), qtButtons);
  QCOMPARE(seen.title, QString("Title"));
}

void QtUiTest::closingABoxAnswersCancelOrNo() {
  QtUi ui;
  onModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  QCOMPARE(ui.message("t", "", Buttons::OkCancel, Icon::None), Answer::Cancel);
  onModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
  QCOMPARE(ui.message("t", "", Buttons::YesNo, Icon::Question), Answer::No);
}

void QtUiTest::inputBox() {
  QtUi ui;
  QString title, label, initial;
  onModal([&](QWidget* w) {
    auto* d = qobject_cast<QInputDialog*>(w);
    QVERIFY(d);
    title = d->windowTitle();
    label = d->labelText();
    initial = d->textValue();
    d->setTextValue("3.5");
    d->accept();
  });
  auto r = ui.input("NMO stretch\r\nratio", "", "1.2");
  QVERIFY(r.has_value());
  QCOMPARE(*r, std::string("3.5"));
  QCOMPARE(title, QString("Tessaly"));
  QCOMPARE(label, QString("NMO stretch\nratio"));
  QCOMPARE(initial, QString("1.2"));
  onModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  QVERIFY(!ui.input("p", "T", "").has_value());
}

void QtUiTest::filterTranslation() {
  const QStringList f = QtUi::qtFilters("Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*");
  QCOMPARE(f, (QStringList{"Data (*.dat)", "NMO Data (*.nmo)", "All Data (*.* *)"}));
  QCOMPARE(QtUi::qtFilters("Bitmap|*.bmp;*.dib"), QStringList{"Bitmap (*.bmp *.dib)"});
  QCOMPARE(QtUi::qtFilters("Text (*.txt)|*.log"), QStringList{"Text (*.log)"});
  QCOMPARE(QtUi::qtFilters(""), QStringList{"All files (*)"});
}

void QtUiTest::openDialogSetUpAndChoice() {
  test::TempDir dir;
  const QDir folder(QString::fromStdString(dir.path()));
  test::writeFile(dir.file("a.dat"), "");
  test::writeFile(dir.file("b.nmo"), "");
  QtUi ui;
  FileDialogRequest r;
  r.title = "Tessaly File OPEN";
  r.filter = "Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*";
  r.filterIndex = 2;
  r.defaultExt = "dat";
  r.initialDir = dir.path();
  QString title, filter, directory, suffix;
  onModal([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    QVERIFY(d);
    title = d->windowTitle();
    filter = d->selectedNameFilter();
    directory = d->directory().absolutePath();
    suffix = d->defaultSuffix();
    d->findChild<QLineEdit*>("fileNameEdit")->setText("b.nmo");
    QMetaObject::invokeMethod(d, "accept");
  });
  const FileDialogResult res = ui.openFileDialog(r);
  QCOMPARE(int(res.status), int(FileDialogResult::Status::Chosen));
  QCOMPARE(QString::fromStdString(res.path), folder.absoluteFilePath("b.nmo"));
  QCOMPARE(title, QString("Tessaly File OPEN"));
  QCOMPARE(filter, QString("NMO Data (*.nmo)"));
  QCOMPARE(res.filterIndex, 2);
  QCOMPARE(directory, folder.absolutePath());
  QCOMPARE(suffix, QString("dat"));
}

// A name typed without an extension takes that of the filter in use; the
// filter chosen comes back.
void QtUiTest::saveDialogTakesTheExtensionOfTheFilter_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("defaultExt");
  QTest::addColumn<QString>("chosenFilter");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("file");
  QTest::addColumn<int>("filterIndex");
  QTest::newRow("the default extension") << "Bitmap (*.bmp)|*.bmp" << "bmp" << "" << "panel" << "panel.bmp" << 1;
  QTest::newRow("the filter chosen") << "Seismic Unix par (*.par)|*.par|CSV (*.csv)|*.csv" << "par"
                                     << "CSV (*.csv)" << "picks" << "picks.csv" << 2;
}

void QtUiTest::saveDialogTakesTheExtensionOfTheFilter() {
  QFETCH(QString, filter);
  QFETCH(QString, defaultExt);
  QFETCH(QString, chosenFilter);
  QFETCH(QString, typed);
  QFETCH(QString, file);
  QFETCH(int, filterIndex);
  test::TempDir dir;
  QtUi ui;
  FileDialogRequest r;
  r.title = "Save";
  r.filter = filter.toStdString();
  r.defaultExt = defaultExt.toStdString();
  r.initialDir = dir.path();
  onModal([&](QWidget* w) {
    auto* d = qobject_cast<QFileDialog*>(w);
    if (!chosenFilter.isEmpty()) {
      d->selectNameFilter(chosenFilter);
      // What the dialog does when the user picks a filter in its list.
      QMetaObject::invokeMethod(d, "filterSelected", Q_ARG(QString, chosenFilter));
    }
    d->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
    QMetaObject::invokeMethod(d, "accept");
  });
  const FileDialogResult res = ui.saveFileDialog(r);
  QCOMPARE(int(res.status), int(FileDialogResult::Status::Chosen));
  QCOMPARE(res.filterIndex, filterIndex);
  QCOMPARE(QString::fromStdString(res.path), QDir(QString::fromStdString(dir.path())).absoluteFilePath(file));
  QCOMPARE(QtUi::filterExtension("All Data (*.* *)"), QString());
  QCOMPARE(QtUi::filterExtension("Bitmap (*.bmp *.dib)"), QString("bmp"));
}

void QtUiTest::dialogCancelAndFailure() {
  QtUi ui;
  FileDialogRequest r;
  r.filter = "All (*.*)|*.*";
  onModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  QCOMPARE(int(ui.openFileDialog(r).status), int(FileDialogResult::Status::Cancelled));
  r.fileName = std::string("bad\0name", 8);
  const FileDialogResult f = ui.openFileDialog(r);
  QCOMPARE(int(f.status), int(FileDialogResult::Status::Failed));
  QVERIFY(!f.error.empty());
}

void QtUiTest::busyCursorIsSetNotStacked() {
  QtUi ui;
  QVERIFY(!QApplication::overrideCursor());
  ui.setBusyCursor(true);
  ui.setBusyCursor(true);
  QVERIFY(QApplication::overrideCursor());
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui.setBusyCursor(false);
  QVERIFY(!QApplication::overrideCursor());
  ui.setBusyCursor(false);
  QVERIFY(!QApplication::overrideCursor());
  ui.processEvents();
  ui.beep();
}

QTEST_MAIN(QtUiTest)
#include "test_platform_qtui.moc"
