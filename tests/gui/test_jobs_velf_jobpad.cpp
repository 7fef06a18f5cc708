// "Make VELF commands" against the real JobPad: the job editor runs without a
// window and appends every line it receives to a deck file, so the deck is
// checked byte for byte as JobPad received it; JobPad not there at all, and
// JobPad killed half-way through a run.
#include <QtTest>
#include <memory>

#include "picks/core/PickTable.h"
#include "jobs/core/EditVelf.h"
#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"
#include "support/JobPadLauncher.h"
#include "support/LinkTexts.h"
#include "support/PickFixtures.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// The picks of the VELF tests, CDP 150 holding all 20 slots, latest time first.
AppState pickedState() {
  AppState st = velfPicks();
  st.PickTable[3] = CdpPicks{};
  st.PickTable[3].Cdp = 150;
  for (int k = 20; k >= 1; --k)
    addPick(st.PickTable[3], 50.0f * k + 0.25f, static_cast<std::int16_t>(1400 + 40 * k), 1);
  return st;
}

std::string expectedDeck(const std::string& nmot) {
  std::string deck = "*INPF /data/survey/line 7.dat\r\n";
  deck += nmot;
  deck += "\r\nVELF 101 120.5 1500 480 1650\r\nVELF 150";
  for (int k = 1; k <= 20; ++k) deck += " " + std::to_string(50 * k) + ".25 " + std::to_string(1400 + 40 * k);
  deck += "\r\nVELF 205 200 1600 500 2000 800 2400\r\n*OUTF /data/survey/line7.nmo\r\n>>END\r\n";
  return deck;
}

const Box NoConnectionBox{NoConnection, "JobPad INSERTION/COMMUNICATION ERROR", Buttons::Ok, Icon::Information};
const Box RestartBox{"Would you like to attempt to restart JobPad?", "Restart JobPad?", Buttons::YesNo, Icon::Question};

}  // namespace

class JobsVelfJobPadTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> dir_;

  std::string deckPath() const { return dir_->file("deck.job"); }

 private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    useOwnServerName("velf");
  }

  void fullDeckReachesJobPad_data() {
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("nmot");
    QTest::newRow("recording delay used") << int(Answer::Yes) << "*NMOT  .5 1";
    QTest::newRow("recording delay not used") << int(Answer::No) << "*NMOT  .5 0";
  }
  void fullDeckReachesJobPad() {
    QFETCH(int, delay);
    QFETCH(QString, nmot);
    JobPadProcess jobPad;
    QVERIFY(jobPad.start({"--no-window", "--deck", QString::fromStdString(deckPath())}));

    AppState st = pickedState();
    ScriptedUi ui;
    LocalDdeClient dde;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    std::string dialogName;
    VelfCommandContext ctx{st, ui, link, [&](std::int32_t c) { return checkduppicks(st, ui, c); }, dialogName};
    // Data file by browsing ("?"), stretch refused twice, output file typed.
    ui.choose("/data/survey/line 7.dat");
    ui.inputAnswers = {"?", "0,5", "1", ".5", "/data/survey/line7.nmo"};
    ui.answers.push_back(static_cast<Answer>(delay));

    QCOMPARE(editvelf(ctx), VelfOutcome::Completed);
    QCOMPARE(ui.boxes.size(), size_t(1));  // the recording-delay question only
    QCOMPARE(readFile(deckPath()), expectedDeck(nmot.toStdString()));
    // The table is still indexed like the CDP list.
    QCOMPARE(st.PickTable[1].Cdp, std::int16_t(205));
    QCOMPARE(st.PickTable[3].Cdp, std::int16_t(150));
  }

  void jobPadDownEveryLineReportedCommandCompletes() {
    // No JobPad serves this run's name and none can be started (empty PATH).
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir_->path().c_str());
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
      QCOMPARE(Box(ui.boxes[b++]), NoConnectionBox);
      QCOMPARE(Box(ui.boxes[b++]), RestartBox);
    }
    QCOMPARE(ui.inputs.size(), size_t(3));
  }

  // JobPad is killed while "Make VELF commands" waits for the stretch answer:
  // one communication-failure message, every later line tells the link is down,
  // the run ends normally, the lines already in the deck stay there, and the
  // picks are all still there for a second run with a new JobPad, which takes
  // over the server name the killed one left behind.
  void jobPadKilledDuringARun() {
    auto jobPad = std::make_unique<JobPadProcess>();
    const QStringList args = {"--no-window", "--deck", QString::fromStdString(deckPath())};
    QVERIFY(jobPad->start(args));

    struct KillingUi : ScriptedUi {
      JobPadProcess* victim = nullptr;
      std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                       const std::string& def) override {
        if (victim && title == velftext::StretchTitle) {
          victim->kill();
          victim = nullptr;
        }
        return ScriptedUi::input(prompt, title, def);
      }
    };
    AppState st;
    listCdps(st, {101, 102});
    addPick(st.PickTable[1], 400, 1800, 2);
    addPick(st.PickTable[2], 600, 2100, 3);
    const std::vector<CdpPicks> picksBefore = {st.PickTable[1], st.PickTable[2]};

    KillingUi ui;
    ui.victim = jobPad.get();
    LocalDdeClient dde;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    std::string dialogName;
    VelfCommandContext ctx{st, ui, link, [](std::int32_t) { return false; }, dialogName};
    ui.inputAnswers = {std::string("/data/l1.dat"), std::string(".5"), std::string("/data/l1.nmo")};
    // Delay question Yes; the failure box; then, for the two VELF lines, *OUTF
    // and >>END, the no-connection box and "restart?" answered No.
    ui.answers = {Answer::Yes, Answer::Ok};
    for (int i = 0; i < 4; ++i) ui.answers.insert(ui.answers.end(), {Answer::Ok, Answer::No});
    QCOMPARE(editvelf(ctx), VelfOutcome::Completed);
    QVERIFY(!link.ddelinked());
    QVERIFY(ui.answers.empty());
    QCOMPARE(ui.boxes.size(), size_t(10));
    QCOMPARE(Box(ui.boxes[1]), (Box{communicationFailure("Foreign application quit"), "JobPad DDE COMMUNICATIONS FAILURE",
                                    Buttons::Ok, Icon::Exclamation}));
    for (std::size_t b = 2; b < 10; b += 2) {
      QCOMPARE(Box(ui.boxes[b]), NoConnectionBox);
      QCOMPARE(Box(ui.boxes[b + 1]), RestartBox);
    }
    QCOMPARE(link.lostExchanges(), 5);  // *NMOT, two VELF, *OUTF, >>END
    // What reached the deck before the kill is there, whole.
    QCOMPARE(readFile(deckPath()), std::string("*INPF /data/l1.dat\r\n"));
    for (std::size_t k = 1; k <= 2; ++k) {
      QCOMPARE(st.PickTable[k].PickTime, picksBefore[k - 1].PickTime);
      QCOMPARE(st.PickTable[k].PickVelocity, picksBefore[k - 1].PickVelocity);
    }

    // A new JobPad, a second run: the whole deck.
    std::filesystem::remove(deckPath());
    JobPadProcess second;
    QVERIFY(second.start(args));
    ScriptedUi ui2;
    JobLink link2(dde, ui2);
    link2.linkstart(JobEditorApp, JobEditorTopic);
    VelfCommandContext ctx2{st, ui2, link2, [](std::int32_t) { return false; }, dialogName};
    ui2.inputAnswers = {std::string("/data/l1.dat"), std::string(".5"), std::string("/data/l1.nmo")};
    ui2.answers = {Answer::Yes};
    QCOMPARE(editvelf(ctx2), VelfOutcome::Completed);
    QCOMPARE(ui2.boxes.size(), size_t(1));  // the delay question only
    QCOMPARE(readFile(deckPath()), std::string("*INPF /data/l1.dat\r\n*NMOT  .5 1\r\nVELF 101 400 1800\r\n"
                                               "VELF 102 600 2100\r\n*OUTF /data/l1.nmo\r\n>>END\r\n"));
  }
};

QTEST_MAIN(JobsVelfJobPadTest)
#include "test_jobs_velf_jobpad.moc"
