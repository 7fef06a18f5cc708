// The real JobPad of this build for a window test: started, waited for until it
// serves the job-editor channel (a probe connection succeeds, so the test never
// races the server's start-up), and ended with the test.
//
//   useOwnServerName("velf");                        // in init(): no parallel test meets this one
//   JobPadProcess jobPad;
//   QVERIFY(jobPad.start({"--no-window", "--deck", deckPath}));
//
// start() is false when the program is not built, cannot start, exits, or does
// not serve within ten seconds. JobPad's error output goes to the test's unless
// the test reads it itself.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QProcess>
#include <QStringList>
#include <QtTest>

#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"
#include "support/Programs.h"

namespace tsly::test {

inline QString jobPadProgram() { return QString::fromStdString(builtProgram("JobPad/JobPad")); }

// A server name of this process and call only (TESSALY_DDE_SUFFIX), so that
// tests running side by side never reach each other's JobPad.
inline void useOwnServerName(const char* prefix) {
  static int run = 0;
  qputenv("TESSALY_DDE_SUFFIX",
          QStringLiteral("%1%2x%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(++run).toUtf8());
}

class JobPadProcess {
 public:
  JobPadProcess() = default;
  JobPadProcess(const JobPadProcess&) = delete;
  JobPadProcess& operator=(const JobPadProcess&) = delete;
  ~JobPadProcess() { stop(); }

  bool start(const QStringList& arguments, bool forwardErrors = true) {
    const QString program = jobPadProgram();
    if (program.isEmpty()) return false;
    if (forwardErrors) process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, arguments);
    if (!process_.waitForStarted(5000)) return false;
    LocalDdeClient probe;
    QDeadlineTimer deadline(10000);
    while (probe.connect(JobEditorApp, JobEditorTopic) != 0) {
      if (deadline.hasExpired() || process_.state() != QProcess::Running) return false;
      QTest::qWait(20);
    }
    probe.disconnect();
    return true;
  }
  QProcess& process() { return process_; }

  // Ended as a crash ends it: the socket file stays behind.
  void kill() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  // Ended normally when it lets itself, else killed; no socket file is left.
  void stop() {
    if (process_.state() != QProcess::NotRunning) {
      process_.terminate();
      if (!process_.waitForFinished(5000)) kill();
    }
    QLocalServer::removeServer(LocalDdeClient::serverName(JobEditorApp, JobEditorTopic));
  }

 private:
  QProcess process_;
};

}  // namespace tsly::test
