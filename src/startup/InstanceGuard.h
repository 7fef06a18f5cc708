// The previous-instance guard. The running copy holds a per-user local server
// (QLocalServer); a copy started later finds it, asks the user whether to start
// another, and on No asks the running copy over that socket to restore and
// raise its main window, then ends without writing anything.
//
// Protocol: one line per request, "restore\n"; the running copy answers
// "restored\n" once its window is back in front ("unknown\n" otherwise).
// The server name is "tessaly-<user>"; the environment variable
// TESSALY_INSTANCE_NAME replaces it (tests use their own names so runs do not collide).
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

#include "platform/Ui.h"

class QWidget;

namespace tsly::startup {

class InstanceGuard : public QObject {
  Q_OBJECT
 public:
  explicit InstanceGuard(const QString& name = defaultName(), QObject* parent = nullptr);
  ~InstanceGuard() override;

  static QString defaultName();
  QString name() const { return name_; }

  // Whether a running copy answers on the name.
  bool otherCopyRunning(int timeoutMs = 1000) const;
  // Takes the name for this copy (a name left behind by a copy that died is
  // cleared first). False when another copy holds it.
  bool hold();
  bool holding() const { return server_.isListening(); }
  // Asks the running copy to restore and raise its window; true once it answered.
  bool askToRestore(int timeoutMs = 3000) const;

  // What the running copy does on "restore" (normally: bringToFront(main window)).
  void setRestoreHandler(std::function<void()> handler) { onRestore_ = std::move(handler); }

 private:
  void accept();

  QString name_;
  QLocalServer server_;
  std::function<void()> onRestore_;
};

// Restores a minimised window and brings it to the front.
void bringToFront(QWidget* window);

// The guard at start-up. With no running copy: takes the name, returns true.
// With one: asks "Previous Instance detected" (Yes/No, question icon); Yes
// returns true (start normally), No asks the running copy to come to the front
// and returns false: the caller ends the process at once.
bool passInstanceGuard(Ui& ui, InstanceGuard& guard);

}  // namespace tsly::startup
