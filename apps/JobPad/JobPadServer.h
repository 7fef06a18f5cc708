// The local-socket server of JobPad: accepts conversations under the name the
// Tessaly client looks for, runs each one through a ServerSession and hands the
// commands to one shared JobPadService (items and paths are the server's, as in
// a DDE server, not per conversation).
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

#include "platform/LinkProtocol.h"
#include "JobPadService.h"

class QLocalServer;
class QLocalSocket;

namespace jobpad {

class JobPadServer : public QObject {
  Q_OBJECT

 public:
  explicit JobPadServer(tsly::JobPadService& service, QObject* parent = nullptr);
  ~JobPadServer() override;

  // Starts listening. A stale socket left by a killed JobPad is removed; a live
  // JobPad under the same name makes this fail with a description in error.
  bool listen(QString& error);
  QString serverName() const;

 private:
  void acceptConnections();
  void readFrom(QLocalSocket* socket);
  void forget(QLocalSocket* socket);

  tsly::JobPadService& service_;
  QLocalServer* server_;
  QHash<QLocalSocket*, std::shared_ptr<tsly::dde::ServerSession>> sessions_;
};

}  // namespace jobpad
