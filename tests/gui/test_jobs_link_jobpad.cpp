// The job-editor link against the real JobPad program of this build, started by
// the tests: exchanges, start through PATH, the program missing, restart, bad
// input, scripted servers that answer late or wrongly; and the JobPad window class.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "JobPadWindow.h"
#include "platform/LinkProtocol.h"
#include "jobs/core/JobLink.h"
#include "platform/DdeErrors.h"
#include "platform/SessionNames.h"
#include "qt/LocalDdeClient.h"
#include "support/JobPadLauncher.h"
#include "support/LinkTexts.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::test;

namespace {

std::string readAll(const QString& path) { return readFile(path.toStdString()); }

// A scripted server under the JobPad socket name, on a thread of its own: answers
// the n-th request (one per line feed received) with replies[n]. A '|' in a reply
// splits it into two writes 50 ms apart; a missing reply means silence.
class FakeServer {
 public:
  FakeServer(const QString& socketPath, std::vector<std::string> replies) : replies_(std::move(replies)) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = socketPath.toLocal8Bit();
    ::unlink(p.constData());
    std::strncpy(addr.sun_path, p.constData(), sizeof addr.sun_path - 1);
    ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd_, 4) == 0;
    path_ = p;
    if (ok_) thread_ = std::thread([this] { run(); });
  }
  ~FakeServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(fd_);
    ::unlink(path_.constData());
  }
  bool ok() const { return ok_; }
  int requestsSeen() const { return seen_; }

 private:
  bool wait(int fd) {
    pollfd p{fd, POLLIN, 0};
    while (!stop_) {
      if (::poll(&p, 1, 50) > 0) return true;
    }
    return false;
  }
  void run() {
    if (!wait(fd_)) return;
    const int c = ::accept(fd_, nullptr, nullptr);
    if (c < 0) return;
    std::size_t next = 0;
    char buf[4096];
    while (wait(c)) {
      const ssize_t n = ::read(c, buf, sizeof buf);
      if (n <= 0) break;
      for (ssize_t i = 0; i < n; ++i) {
        if (buf[i] != '\n') continue;
        ++seen_;
        if (next >= replies_.size()) continue;
        const std::string& r = replies_[next++];
        const auto bar = r.find('|');
        if (bar == std::string::npos) {
          [[maybe_unused]] auto w = ::send(c, r.data(), r.size(), MSG_NOSIGNAL);
        } else {
          [[maybe_unused]] auto w1 = ::send(c, r.data(), bar, MSG_NOSIGNAL);
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          [[maybe_unused]] auto w2 = ::send(c, r.data() + bar + 1, r.size() - bar - 1, MSG_NOSIGNAL);
        }
      }
    }
    ::close(c);
  }

  std::vector<std::string> replies_;
  int fd_ = -1;
  bool ok_ = false;
  QByteArray path_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> seen_{0};
};

QString socketPath() { return LocalDdeClient::serverName(JobEditorApp, JobEditorTopic); }

}  // namespace

class JobsLinkJobPadTest : public QObject {
  Q_OBJECT

 private:
  QString jobPadBin_;
  QByteArray originalPath_;
  std::unique_ptr<TempDir> dir_;
  std::vector<std::unique_ptr<JobPadProcess>> servers_;
  QStringList pidFiles_;

  QString path(const QString& name) const { return QString::fromStdString(dir_->file(name.toStdString())); }

  // Starts JobPad (without a window unless asked), appending to deck; waits until it serves.
  QProcess* startJobPad(const QString& deck, bool window = false) {
    auto p = std::make_unique<JobPadProcess>();
    const QStringList args = window ? QStringList{"--deck", deck} : QStringList{"--no-window", "--deck", deck};
    if (!p->start(args)) return nullptr;
    servers_.push_back(std::move(p));
    return &servers_.back()->process();
  }

  // A folder holding only a "JobPad" script that runs the real one without a window.
  QString pathWithWrapper(const QString& deck) {
    const QString bin = path("bin");
    QDir().mkpath(bin);
    const QString pidFile = path("wrapper.pid");
    pidFiles_ << pidFile;
    writeFile((bin + "/JobPad").toStdString(),
              QStringLiteral("#!/bin/sh\necho $$ > '%1'\nexec '%2' --no-window --deck '%3'\n")
                  .arg(pidFile, jobPadBin_, deck)
                  .toStdString());
    QFile::setPermissions(bin + "/JobPad", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return bin;
  }

  static void expectNoConnectionPair(const ScriptedUi& ui, std::size_t first) {
    QVERIFY(ui.boxes.size() >= first + 2);
    QCOMPARE(Box(ui.boxes[first]), (Box{NoConnection, "JobPad INSERTION/COMMUNICATION ERROR", Buttons::Ok, Icon::Information}));
    QCOMPARE(Box(ui.boxes[first + 1]),
             (Box{"Would you like to attempt to restart JobPad?", "Restart JobPad?", Buttons::YesNo, Icon::Question}));
  }

 private slots:
  void initTestCase() {
    jobPadBin_ = jobPadProgram();
    QVERIFY2(!jobPadBin_.isEmpty(), "JobPad has not been built");
    originalPath_ = qgetenv("PATH");
  }

  void init() {
    useOwnServerName("jl");
    qputenv("PATH", originalPath_);
    dir_ = std::make_unique<TempDir>();
  }

  void cleanup() {
    servers_.clear();
    for (const QString& f : pidFiles_) {
      const qint64 pid = QByteArray::fromStdString(readAll(f)).trimmed().toLongLong();
      if (pid > 0) ::kill(static_cast<pid_t>(pid), SIGTERM);
    }
    pidFiles_.clear();
    QLocalServer::removeServer(LocalDdeClient::serverName(JobEditorApp, JobEditorTopic));
    qputenv("PATH", originalPath_);
  }

  void serverNameFollowsSessionDisplayAndSuffix() {
    const QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":7.0");
    std::string error;
    const QString folder = QString::fromStdString(sessionSocketFolder(error));
    QVERIFY2(!folder.isEmpty(), error.c_str());
    const QString name = LocalDdeClient::serverName("JobPad", "orogdde");
    QVERIFY2(name.startsWith(folder + "/tessaly-dde-jobpad-orogdde-_7-jl"), qPrintable(name));
    qputenv("TESSALY_DDE_SUFFIX", "a/b c");
    QVERIFY(LocalDdeClient::serverName("JobPad", "orogdde").endsWith("-a_b_c"));
    qunsetenv("TESSALY_DDE_SUFFIX");
    QCOMPARE(LocalDdeClient::serverName("JobPad", "orogdde"), folder + "/tessaly-dde-jobpad-orogdde-_7");
    qputenv("DISPLAY", display);
    if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
  }

  // Two desktop sessions of one user (displays :71 and :72): each has its own
  // JobPad, and a deck sent in one never reaches the other.
  void twoSessionsNeverMeet() {
    const QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    const QString deck71 = path("deck71.job"), deck72 = path("deck72.job");
    qputenv("DISPLAY", ":71");
    QVERIFY(startJobPad(deck71));
    qputenv("DISPLAY", ":72");
    QVERIFY(startJobPad(deck72));  // not "Another JobPad is already serving"
    for (const char* session : {":71", ":72"}) {
      qputenv("DISPLAY", session);
      LocalDdeClient dde;
      QCOMPARE(dde.connect("JobPad", "orogdde"), 0);
      QCOMPARE(dde.poke("dde1", std::string("*INPF from ") + session), 0);
      QCOMPARE(dde.execute("add"), 0);
      dde.disconnect();
    }
    QCOMPARE(readAll(deck71), std::string("*INPF from :71\r\n"));
    QCOMPARE(readAll(deck72), std::string("*INPF from :72\r\n"));
    qputenv("DISPLAY", display);
    if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
  }

  void clientExchangesWithRealJobPad() {
    const QString deck = path("deck.job");
    QVERIFY(startJobPad(deck));
    LocalDdeClient dde;
    QCOMPARE(dde.connect("JobPad", "orogdde"), 0);
    QCOMPARE(dde.poke("dde1", "*INPF /data/line 7.dat"), 0);
    QCOMPARE(dde.poke("dde2", "-1"), 0);
    QCOMPARE(dde.poke("dde3", ""), 0);
    QCOMPARE(dde.execute("add"), 0);
    std::string v;
    QCOMPARE(dde.request("dde2", v), 0);
    QCOMPARE(v, std::string("-1"));
    QCOMPARE(readAll(deck), std::string("*INPF /data/line 7.dat\r\n"));

    QCOMPARE(dde.execute("getpathtoorog"), 0);
    QCOMPARE(dde.request("dde1", v), 0);
    QCOMPARE(v, std::string("\\worog15\\worog.exe"));
    QCOMPARE(dde.poke("dde1", "/opt/orog/worog"), 0);
    QCOMPARE(dde.execute("pathtoorog"), 0);
    QCOMPARE(dde.poke("dde1", ""), 0);
    QCOMPARE(dde.execute("getpathtoorog"), 0);
    QCOMPARE(dde.request("dde1", v), 0);
    QCOMPARE(v, std::string("/opt/orog/worog"));

    QCOMPARE(dde.execute("nonsense"), ErrDdeWontPerform);
    QCOMPARE(dde.request("dde7", v), ErrDdeDataNotProvided);
    // Refusals keep the conversation.
    QVERIFY(dde.isConnected());
    QCOMPARE(dde.execute("show"), 0);

    // A second client sees the same items.
    LocalDdeClient other;
    QCOMPARE(other.connect("JobPad", "orogdde"), 0);
    QCOMPARE(other.request("dde1", v), 0);
    QCOMPARE(v, std::string("/opt/orog/worog"));

    dde.disconnect();
    QCOMPARE(dde.execute("show"), ErrDdeNoChannel);
    QCOMPARE(dde.errorDescription(293), std::string("DDE method invoked with no channel open"));
  }

  void windowedJobPadServesAndSavesOnlyOnDemand() {
    const QString deck = path("windowed.job");
    QProcess* p = startJobPad(deck, true);
    QVERIFY(p);
    LocalDdeClient dde;
    ScriptedUi ui;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    link.linkcommand("show", "", "", "");
    link.linkaddline("*INPF a.dat");
    link.linkcommand("lastpath", "/data", "", "");
    QVERIFY(ui.boxes.empty());
    QVERIFY(!QFileInfo::exists(deck));
    p->terminate();
    QVERIFY(p->waitForFinished(5000));
    QCOMPARE(p->exitCode(), 0);
  }

  void noServerAnswersConnect() {
    LocalDdeClient dde;
    QCOMPARE(dde.connect("JobPad", "orogdde"), ErrDdeNoAppResponded);
    QCOMPARE(dde.errorDescription(282), std::string("No foreign application responded to a DDE initiate"));
    QVERIFY(!dde.isConnected());
    qputenv("PATH", path("nothing-here").toUtf8());
    QVERIFY(!dde.startProgram("JobPad"));
    QVERIFY(!dde.startProgram("/no/such/JobPad"));
  }

  // JobPad absent from PATH: the start-up message with the three hint lines, then
  // for every later command the no-connection message and the restart question.
  void absentFromPath() {
    QDir().mkpath(path("empty"));
    qputenv("PATH", path("empty").toUtf8());
    LocalDdeClient dde;
    ScriptedUi ui;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(!link.ddelinked());
    QCOMPARE(ui.boxes.size(), std::size_t(1));
    QCOMPARE(Box(ui.boxes[0]), (Box{StartupNotFound, "JobPad START-UP ERROR", Buttons::Ok, Icon::Information}));

    ui.answers = {Answer::Ok, Answer::No, Answer::Ok, Answer::No, Answer::Ok, Answer::No};
    link.linkcommand("show", "", "", "");
    link.linkaddline("*INPF a.dat");
    std::string r1 = "a", r2 = "b", r3 = "c";
    link.linkrequest(r1, r2, r3);
    QCOMPARE(ui.boxes.size(), std::size_t(7));
    for (std::size_t i = 1; i < 7; i += 2) expectNoConnectionPair(ui, i);
    QVERIFY(!link.ddelinked());
    QCOMPARE(r1 + r2 + r3, std::string("abc"));  // a request that found the link down changes nothing

    // Yes with JobPad still missing: the start-up message again.
    ui.answers = {Answer::Ok, Answer::Yes};
    link.linkaddline("VELF 101 120.5 1500");
    QCOMPARE(ui.boxes.size(), std::size_t(10));
    QCOMPARE(ui.boxes[9].text, StartupNotFound);
    QVERIFY(!link.ddelinked());
  }

  // Start-up through PATH: linkstart finds nobody, starts JobPad and links.
  void startThroughPath() {
    const QString deck = path("started.job");
    qputenv("PATH", pathWithWrapper(deck).toUtf8());
    LocalDdeClient dde;
    ScriptedUi ui;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    QVERIFY(ui.boxes.empty());
    link.linkcommand("pathtoorog", "/opt/orog", "", "");
    link.linkaddline("*INPF x.dat");
    std::string r1, r2 = "keep", r3 = "keep";
    link.linkcommand("getpathtoorog", "", "", "");
    link.linkrequest(r1, r2, r3);
    QCOMPARE(r1, std::string("/opt/orog"));
    QCOMPARE(r2, std::string(""));
    QCOMPARE(r3, std::string(""));
    QVERIFY(ui.boxes.empty());
    QCOMPARE(readAll(deck), std::string("*INPF x.dat\r\n"));
  }

  // Restart with Yes: the line that found the link down is dropped, the next ones arrive.
  void restartWithYes() {
    const QString deck = path("restart.job");
    qputenv("PATH", pathWithWrapper(deck).toUtf8());
    LocalDdeClient dde;
    ScriptedUi ui;
    JobLink link(dde, ui);
    QVERIFY(!link.ddelinked());
    ui.answers = {Answer::Ok, Answer::Yes};
    link.linkaddline("*INPF dropped.dat");
    QCOMPARE(ui.boxes.size(), std::size_t(2));
    expectNoConnectionPair(ui, 0);
    QVERIFY(link.ddelinked());
    QCOMPARE(link.lostExchanges(), 1);  // the caller can tell the line did not arrive
    link.linkaddline("*NMOT  .5 1");
    link.linkaddline("VELF 101 120.5 1500 480 1650");
    link.linkaddline(">>END");
    QCOMPARE(ui.boxes.size(), std::size_t(2));
    QCOMPARE(link.lostExchanges(), 1);
    QCOMPARE(readAll(deck), std::string("*NMOT  .5 1\r\nVELF 101 120.5 1500 480 1650\r\n>>END\r\n"));
  }

  // JobPad answers what it can and drops a conversation that breaks the protocol.
  void jobPadSurvivesBadInput() {
    const QString deck = path("bad.job");
    QVERIFY(startJobPad(deck));
    const QString name = LocalDdeClient::serverName("JobPad", "orogdde");
    const QList<QByteArray> garbage = {
        "HELLO\n", "POKE 4:dde1\n", QByteArray("\0\0\0\xff\xfe", 5), "EXECUTE 99999999999:x\n",
        "POKE 4:dde1 2000000:", "CONNECT 6:JobPad 7:orogdde\nEXECUTE 03:add\n",
        "OK\n"};
    for (const QByteArray& g : garbage) {
      QLocalSocket s;
      s.connectToServer(name);
      QVERIFY(s.waitForConnected(2000));
      s.write(g);
      s.waitForBytesWritten(2000);
      // The server closes the conversation.
      QDeadlineTimer deadline(5000);
      while (s.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) s.waitForReadyRead(100);
      QCOMPARE(s.state(), QLocalSocket::UnconnectedState);
    }
    // A request split into pieces across several writes is answered once whole.
    {
      QLocalSocket s;
      s.connectToServer(name);
      QVERIFY(s.waitForConnected(2000));
      const QByteArray msg = "CONNECT 6:JobPad 7:orogdde\nPOKE 4:dde1 10:split lin";
      s.write(msg);
      s.waitForBytesWritten(1000);
      QTest::qWait(50);
      s.write("e\nEXECUTE 3:add\n");
      s.waitForBytesWritten(1000);
      QByteArray replies;
      QDeadlineTimer deadline(5000);
      while (replies.count('\n') < 3 && !deadline.hasExpired()) {
        s.waitForReadyRead(100);
        replies += s.readAll();
      }
      QCOMPARE(replies, QByteArray("OK\nOK\nOK\n"));
    }
    // Still serving.
    LocalDdeClient dde;
    QCOMPARE(dde.connect("JobPad", "orogdde"), 0);
    QCOMPARE(dde.poke("dde1", "still here"), 0);
    QCOMPARE(dde.execute("add"), 0);
    QCOMPARE(readAll(deck), std::string("split line\r\nstill here\r\n"));
    QCOMPARE(servers_.back()->process().state(), QProcess::Running);
  }

  void secondJobPadRefusesToStart() {
    QVERIFY(startJobPad(path("one.job")));
    QProcess second;
    second.start(jobPadBin_, {"--no-window", "--deck", path("two.job")});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("Another JobPad is already serving"));
  }

  void silentServerCountsAsNoAnswer() {
    FakeServer fake(socketPath(), {});
    QVERIFY(fake.ok());
    LocalDdeClient dde;
    dde.setTimeouts(300, 300, 300);
    QElapsedTimer t;
    t.start();
    QCOMPARE(dde.connect("JobPad", "orogdde"), ErrDdeNoAppResponded);
    QVERIFY(t.elapsed() >= 250);
    QVERIFY(t.elapsed() < 3000);
    QVERIFY(!dde.isConnected());
  }

  void transactionTimeoutDropsTheConversation() {
    FakeServer fake(socketPath(), {"OK\n"});
    QVERIFY(fake.ok());
    LocalDdeClient dde;
    dde.setTimeouts(1000, 300, 300);
    ScriptedUi ui;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(link.ddelinked());
    link.linkaddline("*INPF a.dat");
    QVERIFY(!link.ddelinked());
    QCOMPARE(ui.boxes.size(), std::size_t(1));
    QVERIFY(ui.boxes[0].text.find("\r\n\r\nTimeout while waiting for DDE response\r\n\r\n") != std::string::npos);
    QCOMPARE(fake.requestsSeen(), 2);  // CONNECT and the first POKE only
    QVERIFY(!dde.isConnected());
    QCOMPARE(dde.poke("dde1", "x"), ErrDdeNoChannel);
  }

  void repliesAreReadWholeAndChecked() {
    FakeServer fake(socketPath(), {"OK\n", "O|K\n", "VALUE 5:he|llo\n", "ERROR 3:288\n", "VALUE 1:x\n"});
    QVERIFY(fake.ok());
    LocalDdeClient dde;
    dde.setTimeouts(1000, 1000, 300);
    QCOMPARE(dde.connect("JobPad", "orogdde"), 0);
    QCOMPARE(dde.poke("dde1", "a"), 0);
    std::string v;
    QCOMPARE(dde.request("dde1", v), 0);
    QCOMPARE(v, std::string("hello"));
    // A refusal keeps the conversation; a reply of the wrong kind ends it.
    v = "unchanged";
    QCOMPARE(dde.request("dde1", v), 288);
    QCOMPARE(v, std::string("unchanged"));
    QVERIFY(dde.isConnected());
    QCOMPARE(dde.execute("show"), ErrDdeConversationClosed);
    QVERIFY(!dde.isConnected());
  }

  void garbledReplyEndsTheConversation() {
    FakeServer fake(socketPath(), {"OK\n", "NONSENSE 1:x\n"});
    QVERIFY(fake.ok());
    LocalDdeClient dde;
    dde.setTimeouts(1000, 1000, 300);
    QCOMPARE(dde.connect("JobPad", "orogdde"), 0);
    QCOMPARE(dde.execute("show"), ErrDdeConversationClosed);
    QVERIFY(!dde.isConnected());
  }

  void refusedConnectKeepsItsNumber() {
    FakeServer fake(socketPath(), {"ERROR 3:297\n"});
    QVERIFY(fake.ok());
    LocalDdeClient dde;
    ScriptedUi ui;
    JobLink link(dde, ui);
    link.linkstart(JobEditorApp, JobEditorTopic);
    QVERIFY(!link.ddelinked());
    QCOMPARE(ui.boxes.size(), std::size_t(1));
    QCOMPARE(ui.boxes[0].text, std::string("There has been an unexpected error while starting JobPad\r\n\r\n"
                                           "Can't set LinkMode; invalid LinkTopic\r\n"));
  }

  void terminatedJobPadRemovesItsSocket() {
    QProcess* p = startJobPad(path("term.job"));
    QVERIFY(p);
    const QString socketFile = LocalDdeClient::serverName(JobEditorApp, JobEditorTopic);
    QVERIFY(QFileInfo::exists(socketFile));
    p->terminate();
    QVERIFY(p->waitForFinished(5000));
    QCOMPARE(p->exitStatus(), QProcess::NormalExit);
    QCOMPARE(p->exitCode(), 0);
    QVERIFY(!QFileInfo::exists(socketFile));
  }

  void noWindowNeedsADeck() {
    QProcess p;
    p.start(jobPadBin_, {"--no-window"});
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(p.readAllStandardError().contains("--no-window needs --deck FILE"));
  }

  void windowShowsAndSavesTheDeckWithCrLf() {
    const QString file = path("window.job");
    writeFile(file.toStdString(), "*INPF old.dat\r\n*NMOT  .5 1\r\n");
    jobpad::JobPadWindow w(file);
    auto* edit = w.findChild<QPlainTextEdit*>("deck");
    QVERIFY(edit);
    QCOMPARE(edit->toPlainText(), QString("*INPF old.dat\n*NMOT  .5 1"));
    QVERIFY(!w.isWindowModified());
    w.addLine("VELF 101 120.5 1500");
    w.addLine(">>END");
    QVERIFY(w.isWindowModified());
    QCOMPARE(w.deckBytes(), QByteArray("*INPF old.dat\r\n*NMOT  .5 1\r\nVELF 101 120.5 1500\r\n>>END\r\n"));
    // The user edits the first line.
    QTextCursor c(edit->document());
    c.movePosition(QTextCursor::EndOfLine);
    c.insertText(" more");
    QVERIFY(w.save());
    QCOMPARE(readAll(file), std::string("*INPF old.dat more\r\n*NMOT  .5 1\r\nVELF 101 120.5 1500\r\n>>END\r\n"));
    QVERIFY(!w.isWindowModified());

    // An empty deck saves as an empty file; a fresh window starts empty.
    jobpad::JobPadWindow fresh(path("new.job"));
    QCOMPARE(fresh.deckBytes(), QByteArray());
    fresh.addLine("only");
    QCOMPARE(fresh.deckBytes(), QByteArray("only\r\n"));
  }

  void windowReportsAFailedSaveAndKeepsTheOldFile() {
    jobpad::JobPadWindow w{QString()};
    w.addLine("line");
    QString seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&seen] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        seen = box->text();
        box->accept();
      }
    });
    poll.start(20);
    QVERIFY(!w.saveTo(path("no/such/folder/deck.job")));
    QVERIFY(seen.startsWith("The deck could not be saved to"));
    QVERIFY(w.isWindowModified());
  }
};

QTEST_MAIN(JobsLinkJobPadTest)
#include "test_jobs_link_jobpad.moc"
