// The previous-instance channel over a per-session local socket (QLocalServer):
// the running copy listens on the name; a later copy connects to find it and
// sends it one request line, "restore\n", answered "restored\n" once the
// running copy's window is back in front ("unknown\n" for any other line).
//
// The socket is "tessaly-<display>" in the session's socket folder
// (platform/SessionNames.h: $XDG_RUNTIME_DIR or a private 0700 folder), so two
// desktop sessions of one user never block each other; the environment
// variable TESSALY_INSTANCE_NAME replaces the name (tests use their own names
// so runs do not collide).
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

#include "platform/InstanceChannel.h"

namespace tsly {

class LocalInstanceChannel : public QObject, public InstanceChannel {
  Q_OBJECT
 public:
  explicit LocalInstanceChannel(const QString& name = defaultName(), QObject* parent = nullptr);
  ~LocalInstanceChannel() override;

  static QString defaultName();
  QString name() const { return name_; }

  bool otherCopyRunning() override { return otherCopyRunning(1000); }
  // A name left behind by a copy that died is cleared first.
  bool hold() override;
  bool askToRestore() override { return askToRestore(3000); }
  void setRestoreHandler(std::function<void()> handler) override { onRestore_ = std::move(handler); }

  bool otherCopyRunning(int timeoutMs) const;
  bool askToRestore(int timeoutMs) const;
  bool holding() const { return server_.isListening(); }

 private:
  void accept();

  QString name_;
  QLocalServer server_;
  std::function<void()> onRestore_;
};

}  // namespace tsly
