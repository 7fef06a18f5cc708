// The previous-instance guard over the local-socket channel, against a real
// running copy in another process.
//
// Started with "--running-copy", this executable is that copy: it holds the
// guard's name (TESSALY_INSTANCE_NAME), shows a minimised main window, prints
// "ready", and on a restore request prints the window's state.
#include <QtTest>

#include <QApplication>
#include <QLocalServer>
#include <QProcess>
#include <QUuid>

#include <cstdio>

#include "platform/SessionNames.h"
#include "qt/LocalInstanceChannel.h"
#include "qt/QtUi.h"
#include "startup/core/InstanceGuard.h"
#include "support/Programs.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "gui/GuiTestMain.h"

using namespace tsly;
using namespace tsly::startup;
using namespace tsly::test;

namespace {

int runningCopy(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setObjectName("tessaly");
  window.setWindowTitle("TSLY for WINDOWS");
  window.resize(300, 200);
  window.showMinimized();
  LocalInstanceChannel guard;
  if (!guard.hold()) {
    std::printf("could not hold %s\n", qPrintable(guard.name()));
    return 2;
  }
  guard.setRestoreHandler([&] {
    bringToFront(&window);
    std::printf("restored minimized=%d visible=%d\n", window.isMinimized() ? 1 : 0,
                window.isVisible() ? 1 : 0);
    std::fflush(stdout);
  });
  QTimer::singleShot(60000, &app, &QCoreApplication::quit);  // never outlive the test
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

QString uniqueName() { return "tessaly-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces).left(12); }

// A running copy in its own process; killed when the test ends.
struct RunningCopy {
  QProcess proc;
  QString name;
  // `name` is where the copy's channel lives: the instance name in the
  // session's socket folder, as the copy's own default name puts it.
  explicit RunningCopy(const QString& program, const QStringList& args, const QString& instance,
                       const QString& workDir = {})
      : name(QString::fromStdString(sessionSocketPath(instance.toStdString()))) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TESSALY_INSTANCE_NAME", instance);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    proc.setProcessEnvironment(env);
    if (!workDir.isEmpty()) proc.setWorkingDirectory(workDir);
    proc.start(program, args);
  }
  ~RunningCopy() {
    if (proc.state() != QProcess::NotRunning) {
      proc.kill();
      proc.waitForFinished(5000);
    }
  }
  bool waitFor(const QByteArray& line, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!out.contains(line) && t.elapsed() < ms) {
      proc.waitForReadyRead(100);
      out += proc.readAllStandardOutput();
      if (proc.state() == QProcess::NotRunning) {
        out += proc.readAllStandardOutput();
        break;
      }
    }
    return out.contains(line);
  }
  QByteArray out;
};

}  // namespace

class StartupGuardTest : public QObject {
  Q_OBJECT
 private slots:
  void firstCopyAsksNothingAndHoldsTheName();
  void nameLeftByADeadCopyIsCleared();
  void secondCopyAnsweredNoRestoresTheRunningCopyAndEnds();
  void secondCopyAnsweredYesStartsNormally();
  void realProgramAsRunningCopy();
  void copiesOnTwoDisplaysDoNotSeeEachOther();
};

void StartupGuardTest::firstCopyAsksNothingAndHoldsTheName() {
  ScriptedUi ui;
  LocalInstanceChannel guard(uniqueName());
  QVERIFY(passInstanceGuard(ui, guard));
  QVERIFY(ui.boxes.empty());
  QVERIFY(guard.holding());
  LocalInstanceChannel other(guard.name());
  QVERIFY(other.otherCopyRunning());
  QVERIFY(!other.hold());  // the name stays with the copy that holds it
}

void StartupGuardTest::nameLeftByADeadCopyIsCleared() {
  const QString name = uniqueName();
  // What a copy that was killed leaves behind: a socket file nobody listens on.
  writeFile((QDir::tempPath() + "/" + name).toStdString(), "");
  ScriptedUi ui;
  LocalInstanceChannel guard(name);
  QVERIFY(!guard.otherCopyRunning(300));
  QVERIFY(passInstanceGuard(ui, guard));
  QVERIFY(ui.boxes.empty());
  QVERIFY(guard.holding());
}

void StartupGuardTest::secondCopyAnsweredNoRestoresTheRunningCopyAndEnds() {
  RunningCopy first(QCoreApplication::applicationFilePath(), ownTestArguments({"--running-copy"}), uniqueName());
  QVERIFY2(first.waitFor("ready"), first.out.constData());

  ScriptedUi ui;
  ui.answers.push_back(Answer::No);
  LocalInstanceChannel guard(first.name);
  bool goOn = true;
  {
    CurrentTempDir here;
    goOn = passInstanceGuard(ui, guard);
    // This copy wrote nothing (no tessaly.ini or anything else).
    const QDir folder(QString::fromStdString(here.path()));
    QVERIFY(folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
  }

  QVERIFY(!goOn);
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(Box(ui.boxes[0]), (Box{"There is already an instance of this module running\r\n"
                                         "Do you really want to start another?", "Previous Instance detected", Buttons::YesNo, Icon::Question}));
  QVERIFY(!guard.holding());
  // The running copy's window is restored and in front.
  QVERIFY2(first.waitFor("restored minimized=0 visible=1"), first.out.constData());
  QCOMPARE(first.proc.state(), QProcess::Running);
}

void StartupGuardTest::secondCopyAnsweredYesStartsNormally() {
  RunningCopy first(QCoreApplication::applicationFilePath(), ownTestArguments({"--running-copy"}), uniqueName());
  QVERIFY2(first.waitFor("ready"), first.out.constData());
  ScriptedUi ui;
  ui.answers.push_back(Answer::Yes);
  LocalInstanceChannel guard(first.name);
  QVERIFY(passInstanceGuard(ui, guard));
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].title, std::string("Previous Instance detected"));
  QVERIFY(!first.waitFor("restored", 500));  // the running copy is left alone
  QVERIFY(!guard.holding());
  // The running copy still answers later copies.
  LocalInstanceChannel third(first.name);
  QVERIFY(third.otherCopyRunning());
}

void StartupGuardTest::realProgramAsRunningCopy() {
  const QString program = QString::fromStdString(builtProgram("tessaly/tessaly"));
  if (program.isEmpty()) QSKIP("the tessaly program is not built");
  TempDir cwd;
  RunningCopy first(program, {}, uniqueName(), QString::fromStdString(cwd.path()));
  QVERIFY(first.proc.waitForStarted(10000));
  LocalInstanceChannel guard(first.name);
  QElapsedTimer t;
  t.start();
  while (!guard.otherCopyRunning(200) && t.elapsed() < 15000) QTest::qWait(100);
  QVERIFY2(guard.otherCopyRunning(), "tessaly did not take its instance name");

  ScriptedUi ui;
  ui.answers.push_back(Answer::No);
  QVERIFY(!passInstanceGuard(ui, guard));
  QCOMPARE(ui.boxes.size(), size_t(1));
  QCOMPARE(ui.boxes[0].title, std::string("Previous Instance detected"));
  // The running program answers a restore request once its window is in front.
  QVERIFY(guard.askToRestore(5000));
  QCOMPARE(first.proc.state(), QProcess::Running);
}

// Two desktop sessions of one user: the copy on display :81 holds its name; a
// copy started on :82 is told of no previous instance and holds its own.
void StartupGuardTest::copiesOnTwoDisplaysDoNotSeeEachOther() {
  const QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY"),
                   instance = qgetenv("TESSALY_INSTANCE_NAME");
  qunsetenv("WAYLAND_DISPLAY");
  qunsetenv("TESSALY_INSTANCE_NAME");
  qputenv("DISPLAY", ":81");
  LocalInstanceChannel first(LocalInstanceChannel::defaultName());
  QVERIFY(first.hold());
  qputenv("DISPLAY", ":82");
  LocalInstanceChannel second(LocalInstanceChannel::defaultName());
  QVERIFY(second.name() != first.name());
  ScriptedUi ui;
  QVERIFY(passInstanceGuard(ui, second));
  QVERIFY(ui.boxes.empty());
  QVERIFY(second.holding());
  QVERIFY(first.holding());
  qputenv("DISPLAY", display);
  if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
  if (!instance.isEmpty()) qputenv("TESSALY_INSTANCE_NAME", instance);
}

// Also the running copy the tests start: this test again, with --running-copy.
static int guardTestMain(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--running-copy") == 0) return runningCopy(argc, argv);
  QApplication app(argc, argv);
  StartupGuardTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

TESSALY_GUI_TEST_MAIN(guardTestMain)

#include "test_startup_guard.moc"
