// "Make VELF commands" against the real JobPad stand-in: the job editor runs
// without a window and appends every line it receives to a deck file, so the
// deck is checked byte for byte as JobPad received it.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "picks/core/PickTable.h"
#include "jobs/core/EditVelf.h"
#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"
#include "support/JobPadLauncher.h"
#include "support/PickFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using tsly::test::ScriptedUi;
using tsly::test::addPick;
using tsly::test::listCdps;

namespace {

// CDPs listed 205, 101, 150; CDP 205 picked at 800, 200 and 500 ms; CDP 150 has
// all 20 slots picked, latest time first.
AppState pickedState() {
  AppState st;
  listCdps(st, {205, 101, 150});
  addPick(st.PickTable[1], 800.0f, 2400, 7);
  addPick(st.PickTable[1], 200.0f, 1600, 2);
  addPick(st.PickTable[1], 500.0f, 2000, 4);
  addPick(st.PickTable[2], 480.0f, 1650, 3);
  addPick(st.PickTable[2], 120.5f, 1500, 1);
  for (int k = 20; k >= 1; --k)
    addPick(st.PickTable[3], 50.0f * k + 0.25f, static_cast<std::int16_t>(1400 + 40 * k), 1);
  st.LastPath = "/data/survey";
  return st;
}

QByteArray expectedDeck(const QByteArray& nmot) {
  QByteArray velf150 = "VELF 150";
  for (int k = 1; k <= 20; ++k) velf150 += " " + QByteArray::number(50 * k) + ".25 " + QByteArray::number(1400 + 40 * k);
  return "*INPF /data/survey/line 7.dat\r\n" + nmot + "\r\n" +
         "VELF 101 120.5 1500 480 1650\r\n" + velf150 + "\r\n" +
         "VELF 205 200 1600 500 2000 800 2400\r\n"
         "*OUTF /data/survey/line7.nmo\r\n"
         ">>END\r\n";
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

}  // namespace

class JobsVelfJobPadTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<QProcess> jobPad_;
  int run_ = 0;

  // Starts JobPad without a window under a server name of this run only, and
  // waits until it serves.
  bool startJobPad(const QString& deck) {
    const QString bin = qEnvironmentVariable("TESSALY_BIN_DIR") + "/JobPad/JobPad";
    jobPad_ = std::make_unique<QProcess>();
    return tsly::test::startJobPad(*jobPad_, bin, {"--no-window", "--deck", deck});
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("TESSALY_DDE_SUFFIX",
            QStringLiteral("velf%1x%2").arg(QCoreApplication::applicationPid()).arg(++run_).toUtf8());
  }
  void cleanup() {
    if (jobPad_) {
      jobPad_->terminate();
      if (!jobPad_->waitForFinished(5000)) jobPad_->kill();
      jobPad_->waitForFinished(5000);
      jobPad_.reset();
    }
  }

  void fullDeckReachesJobPad_data() {
    QTest::addColumn<int>("delay");
    QTest::addColumn<QByteArray>("nmot");
    QTest::newRow("recording delay used") << int(Answer::Yes) << QByteArray("*NMOT  .5 1");
    QTest::newRow("recording delay not used") << int(Answer::No) << QByteArray("*NMOT  .5 0");
  }
  void fullDeckReachesJobPad() {
    QFETCH(int, delay);
    QFETCH(QByteArray, nmot);
    const QString deck = dir_->filePath("deck.job");
    QVERIFY(startJobPad(deck));

    AppState st = pickedState();
    ScriptedUi ui;
    LocalDdeClient dde;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    std::string dialogName;
    VelfCommandContext ctx{st, ui, link, [&](std::int32_t c) { return checkduppicks(st, ui, c); }, dialogName};
    // Data file by browsing ("?"), stretch refused twice, output file typed.
    ui.fileAnswers.push_back({FileDialogResult::Status::Chosen, "/data/survey/line 7.dat", ""});
    ui.inputAnswers = {"?", "0,5", "1", ".5", "/data/survey/line7.nmo"};
    ui.answers.push_back(static_cast<Answer>(delay));

    QCOMPARE(editvelf(ctx), VelfOutcome::Completed);
    QCOMPARE(ui.boxes.size(), size_t(1));  // the recording-delay question only
    QCOMPARE(readAll(deck), expectedDeck(nmot));
    // The table is still indexed like the CDP list.
    QCOMPARE(st.PickTable[1].Cdp, std::int16_t(205));
    QCOMPARE(st.PickTable[3].Cdp, std::int16_t(150));
  }

  void jobPadDownEveryLineReportedCommandCompletes() {
    // No JobPad serves this run's name and none can be started (empty PATH).
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir_->path().toUtf8());
    AppState st = pickedState();
    ScriptedUi ui;
    LocalDdeClient dde;
    JobLink link(dde, ui);
    std::string dialogName;
    VelfCommandContext ctx{st, ui, link, [&](std::int32_t c) { return checkduppicks(st, ui, c); }, dialogName};
    ui.inputAnswers = {"in.dat", ".5", "out.dat"};
    // show, *INPF, (recording delay), *NMOT, three VELF, *OUTF, >>END
    for (int i = 0; i < 8; ++i) {
      if (i == 2) ui.answers.push_back(Answer::Yes);
      ui.answers.push_back(Answer::Ok);
      ui.answers.push_back(Answer::No);
    }
    const VelfOutcome outcome = editvelf(ctx);
    qputenv("PATH", path);
    QCOMPARE(outcome, VelfOutcome::Completed);
    QCOMPARE(ui.boxes.size(), size_t(17));
    std::size_t b = 0;
    for (int i = 0; i < 8; ++i) {
      if (i == 2) QCOMPARE(ui.boxes[b++].title, std::string("TSLY-Use Recording Delay Time?"));
      QCOMPARE(ui.boxes[b++].title, std::string("JobPad INSERTION/COMMUNICATION ERROR"));
      QCOMPARE(ui.boxes[b++].title, std::string("Restart JobPad?"));
    }
    QCOMPARE(ui.inputs.size(), size_t(3));
  }
};

QTEST_MAIN(JobsVelfJobPadTest)
#include "test_jobs_velf_jobpad.moc"
