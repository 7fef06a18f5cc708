// JobPad runs the deck it holds through the tsly of this build (found on the
// search path): File > Run in the real window with its progress window
// and boxes, Cancel, and the batch mode `JobPad --no-window --deck FILE --run`
// (the real program, fed by the real link) that runs each deck when ">>END"
// arrives.
#include <QAction>
#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

#include <sys/stat.h>

#include "DeckRunner.h"
#include "JobPadWindow.h"
#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"
#include "support/DeckFixtures.h"
#include "support/GenFixtures.h"
#include "support/JobPadLauncher.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// Picks on the first and the last CDP of a gather of CDPs 1001..1004.
std::vector<std::string> deckFor(const std::string& in, const std::string& out) {
  return tessalyDeckLines(pickedCdps({{1001, {{200.0f, 1800}, {700.0f, 2300}}}, {1004, {{400.0f, 2100}}}}), in, ".5",
                          false, out);
}

QString reportPattern(const std::string& out, int traces, const char* eol) {
  return QStringLiteral("^Output file:    %1%3Traces written: %2%3Time:           \\d+\\.\\d{3} s$")
      .arg(QRegularExpression::escape(QString::fromStdString(out)))
      .arg(traces)
      .arg(QString::fromLatin1(eol));
}

}  // namespace

class JobPadRunTest : public QObject {
  Q_OBJECT

 private:

  // The window holding `lines`, its boxes going to `ui`.
  static void fill(jobpad::JobPadWindow& w, const std::vector<std::string>& lines) {
    for (const auto& l : lines) w.addLine(QString::fromStdString(l));
  }

 private slots:
  void initTestCase() {
    const QString tsly = QString::fromStdString(builtProgram("tsly/tsly"));
    QVERIFY2(!tsly.isEmpty(), "tsly has not been built");
    // tsly is not beside this test program: JobPad finds it on the search path.
    qputenv("PATH", (QFileInfo(tsly).path() + ":" + qEnvironmentVariable("PATH")).toUtf8());
    QCOMPARE(jobpad::DeckRunner::findTsly(), tsly);
  }

  void init() { useOwnServerName("deck"); }

  void runReportsOutputTracesAndTime() {
    TempDir dir;
    const std::string in = dir.file("gather.dat"), out = dir.file("moved out.dat");
    writeGather(in, syntheticGather(1001, 4, 6, 300));
    jobpad::JobPadWindow w(QString::fromStdString(dir.file("deck.job")));
    ScriptedUi ui;
    w.setUi(&ui);
    fill(w, deckFor(in, out));
    auto* run = w.findChild<QAction*>("fileRun");
    QVERIFY(run);
    QCOMPARE(run->text(), QStringLiteral("Run"));
    run->trigger();
    QCOMPARE(ui.boxes.size(), size_t(1));
    const RecordedBox& box = ui.boxes[0];
    QCOMPARE(box.title, std::string("JobPad - Run"));
    QCOMPARE(box.buttons, Buttons::Ok);
    QCOMPARE(box.icon, Icon::Information);
    const QString text = QString::fromStdString(box.text);
    QVERIFY2(text.startsWith("The deck ran.\r\n"), qPrintable(text));
    QVERIFY2(QRegularExpression(reportPattern(out, 24, "\r\n")).match(text.mid(15)).hasMatch(), qPrintable(text));
    QCOMPARE(readTraces(out).size(), size_t(24));

    // Again: the output exists; No leaves it, Yes replaces it.
    const std::string before = readFile(out);
    ui.answers = {Answer::No};
    QVERIFY(!w.runDeck());
    QCOMPARE(ui.boxes.size(), size_t(2));
    QCOMPARE(Box(ui.boxes[1]), (Box{"The output file " + out + " exists.\r\nReplace it?", "JobPad - Run", Buttons::YesNo, Icon::Question}));
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Run not started: the output file exists."));
    ui.answers = {Answer::Yes};
    std::filesystem::resize_file(out, 100);
    QVERIFY(w.runDeck());
    QCOMPARE(ui.boxes.size(), size_t(4));
    QCOMPARE(ui.boxes[2].title, std::string("JobPad - Run"));
    QCOMPARE(ui.boxes[2].buttons, Buttons::YesNo);
    QCOMPARE(ui.boxes[3].icon, Icon::Information);
    QVERIFY(readFile(out) == before);
  }

  void faultNamesTheDeckLine() {
    TempDir dir;
    const std::string in = dir.file("gather.dat"), out = dir.file("out.dat");
    writeGather(in, syntheticGather(1001, 4, 6, 300));
    auto lines = deckFor(in, out);
    lines[2] = "VELF 1001 700 1800 200 2300";  // an analyst's edit gone wrong
    jobpad::JobPadWindow w{QString()};
    ScriptedUi ui;
    w.setUi(&ui);
    fill(w, lines);
    QVERIFY(!w.runDeck());
    QCOMPARE(ui.boxes.size(), size_t(1));
    QCOMPARE(Box(ui.boxes[0]), (Box{"The deck could not be run.\r\n"
                                           "deck line 3 \"VELF 1001 700 1800 200 2300\": times not ascending: 200 "
                                           "follows 700", "JobPad - Run failed", Buttons::Ok, Icon::Critical}));
    QVERIFY(!std::filesystem::exists(out));

    // A data file that is not there: the fault names the *INPF line.
    lines = deckFor(dir.file("none.dat"), out);
    w.findChild<QPlainTextEdit*>("deck")->clear();
    fill(w, lines);
    QVERIFY(!w.runDeck());
    QCOMPARE(ui.boxes.size(), size_t(2));
    QCOMPARE(ui.boxes[1].text, "The deck could not be run.\r\ndeck line 1 \"*INPF " + dir.file("none.dat") + "\": \"" +
                                   dir.file("none.dat") + "\": No such file or directory");
  }

  // Hostile names and runs: a deck file that is a FIFO is said so at once (no
  // wait), Save never writes over a FIFO nor over the data file *INPF names,
  // and a run that reports many faults is relayed as 20 lines and a count.
  void hostileDeckFilesAndFaultFloods() {
    TempDir dir;
    const std::string in = dir.file("gather.dat"), fifo = dir.file("deck.fifo");
    writeGather(in, syntheticGather(1001, 4, 6, 300));
    QCOMPARE(::mkfifo(fifo.c_str(), 0644), 0);
    jobpad::JobPadWindow w(QString::fromStdString(fifo));
    ScriptedUi ui;
    w.setUi(&ui);
    QCOMPARE(w.statusBar()->currentMessage().toStdString(), "\"" + fifo + "\" is a FIFO, not a file");
    fill(w, deckFor(in, dir.file("out.dat")));
    const std::string data = readFile(in);
    for (const auto& [target, why] : {std::pair{fifo, "\"" + fifo + "\" is a FIFO, not a file"},
                                      {dir.path() + "/./GATHER.DAT",
                                       "\"" + dir.path() + "/./GATHER.DAT\" is the data file the deck moves out"}}) {
      QVERIFY(!w.saveTo(QString::fromStdString(target)));
      QCOMPARE(ui.boxes.back().text, "The deck could not be saved to " + target + ":\r\n" + why);
      QCOMPARE(ui.boxes.back().title, std::string("JobPad"));
      QCOMPARE(ui.boxes.back().icon, Icon::Exclamation);
    }
    QCOMPARE(readFile(in), data);
    QVERIFY(std::filesystem::is_fifo(fifo));
    QVERIFY(w.saveTo(QString::fromStdString(dir.file("deck.job"))));

    // A tsly that reports 50 faults.
    TempDir bin;
    writeFile(bin.file("tsly"), "#!/bin/sh\ni=0; while [ $i -lt 50 ]; do echo \"tsly nmo: fault $i\" >&2; i=$((i+1)); done; exit 1\n");
    std::filesystem::permissions(bin.file("tsly"), std::filesystem::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()) + ":" + path);
    const bool ran = w.runDeck();
    qputenv("PATH", path);
    QVERIFY(!ran);
    std::string expect = "The deck could not be run.";
    for (int k = 0; k < 20; ++k) expect += "\r\nfault " + std::to_string(k);
    QCOMPARE(ui.boxes.back().text, expect + "\r\nand 30 more");
  }

  void cancelLeavesNoOutput() {
    TempDir dir;
    const std::string in = dir.file("gather.dat"), out = dir.file("out.dat");
    writeGather(in, syntheticGather(1001, 200, 48, 1500));  // 60 MB: many blocks
    jobpad::JobPadWindow w{QString()};
    ScriptedUi ui;
    w.setUi(&ui);
    fill(w, deckFor(in, out));
    // Cancel as soon as the first progress shows (the run is then part-way,
    // its temporary output open).
    bool clicked = false;
    QTimer poll;
    poll.setInterval(1);
    connect(&poll, &QTimer::timeout, this, [&] {
      auto* dlg = w.findChild<QProgressDialog*>("runProgress");
      if (!dlg || !dlg->isVisible() || dlg->value() <= 0) return;
      QCOMPARE(dlg->windowTitle(), QStringLiteral("JobPad - Run"));
      QCOMPARE(dlg->labelText(), QStringLiteral("Running the deck..."));
      auto* button = dlg->findChild<QPushButton*>();
      QVERIFY(button);
      QCOMPARE(button->text(), QStringLiteral("Cancel"));
      button->click();
      clicked = true;
      poll.stop();
    });
    poll.start();
    QVERIFY(!w.runDeck());
    QVERIFY(clicked);
    QVERIFY2(ui.boxes.empty(), ui.boxes.empty() ? "" : ui.boxes[0].text.c_str());
    QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("Run cancelled; nothing written."));
    QCOMPARE(fileNames(dir.path()), std::vector<std::string>{"gather.dat"});
  }

  void batchRunsEachDeckWhenItEnds() {
    TempDir dir;
    const std::string in = dir.file("gather.dat"), out = dir.file("batch.dat"), deckFile = dir.file("deck.job");
    writeGather(in, syntheticGather(1001, 4, 6, 300));
    JobPadProcess batch;
    QVERIFY(batch.start({"--no-window", "--deck", QString::fromStdString(deckFile), "--run"}, false));
    QProcess& jobPad = batch.process();
    ScriptedUi ui;
    LocalDdeClient dde;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    const auto lines = deckFor(in, out);
    for (const auto& l : lines) link.linkaddline(l);
    QVERIFY(ui.boxes.empty());

    QByteArray stdoutText;
    QDeadlineTimer deadline(60000);
    while (!stdoutText.contains("Time:") && !deadline.hasExpired()) {
      jobPad.waitForReadyRead(100);
      stdoutText += jobPad.readAllStandardOutput();
    }
    QVERIFY2(QRegularExpression(reportPattern(out, 24, "\n") + "\n?")
                 .match(QString::fromUtf8(stdoutText).trimmed())
                 .hasMatch(),
             stdoutText.constData());
    QCOMPARE(readTraces(out).size(), size_t(24));

    // A second deck, malformed: the fault on stderr, nothing written.
    auto bad = deckFor(in, dir.file("bad.dat"));
    bad[3] = "VELF 1004 400 0";
    for (const auto& l : bad) link.linkaddline(l);
    QByteArray stderrText;
    deadline.setRemainingTime(60000);
    while (!stderrText.contains("not positive") && !deadline.hasExpired()) {
      jobPad.waitForReadyRead(100);
      stderrText += jobPad.readAllStandardError();
    }
    QCOMPARE(QString::fromUtf8(stderrText),
             QStringLiteral("JobPad: the deck could not be run.\n"
                            "deck line 4 \"VELF 1004 400 0\": velocity 0 at 400 ms is not positive\n"));
    QVERIFY(!std::filesystem::exists(dir.file("bad.dat")));
    // Every line went to the deck file as well.
    QCOMPARE(readFile(deckFile), deckText(lines) + deckText(bad));
    dde.disconnect();
    jobPad.terminate();
    QVERIFY(jobPad.waitForFinished(5000));
  }
};

QTEST_MAIN(JobPadRunTest)
#include "test_jobpad_run.moc"
