// Starts the real JobPad for a window test and waits until it serves the
// job-editor channel (a probe connection succeeds), so the test never races
// the server's start-up.
//
//   QProcess jobPad;
//   QVERIFY(startJobPad(jobPad, bin, {"--no-window", "--deck", deckPath}));
//
// False when the program cannot start, exits, or does not serve within ten
// seconds. JobPad's own error output goes to the test's.
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QtTest>

#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"

namespace tsly::test {

inline bool startJobPad(QProcess& process, const QString& program, const QStringList& arguments) {
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, arguments);
  if (!process.waitForStarted(5000)) return false;
  LocalDdeClient probe;
  QDeadlineTimer deadline(10000);
  while (probe.connect(JobEditorApp, JobEditorTopic) != 0) {
    if (deadline.hasExpired() || process.state() != QProcess::Running) return false;
    QTest::qWait(20);
  }
  probe.disconnect();
  return true;
}

}  // namespace tsly::test
