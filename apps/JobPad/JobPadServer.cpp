#include "JobPadServer.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "jobs/core/JobLink.h"
#include "qt/LocalDdeClient.h"

namespace jobpad {

JobPadServer::JobPadServer(tsly::JobPadService& service, QObject* parent)
    : QObject(parent), service_(service), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &JobPadServer::acceptConnections);
}

JobPadServer::~JobPadServer() { server_->close(); }

QString JobPadServer::serverName() const {
  return tsly::LocalDdeClient::serverName(tsly::JobEditorApp, tsly::JobEditorTopic);
}

bool JobPadServer::listen(QString& error) {
  const QString name = serverName();
  // Listening would silently take the name over from a running JobPad: ask first.
  {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000)) {
      probe.abort();
      error = QStringLiteral("Another JobPad is already serving %1.").arg(name);
      return false;
    }
  }
  // Nobody answers: a socket file left by a JobPad that was killed can go.
  QLocalServer::removeServer(name);
  if (server_->listen(name)) return true;
  error = QStringLiteral("JobPad cannot listen on %1: %2").arg(name, server_->errorString());
  return false;
}

void JobPadServer::acceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    sessions_.insert(socket, std::make_shared<tsly::dde::ServerSession>(service_));
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { forget(socket); });
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket](QLocalSocket::LocalSocketError e) {
      if (e != QLocalSocket::PeerClosedError) socket->abort();
      forget(socket);
    });
    // Data may already be waiting.
    if (socket->bytesAvailable() > 0) readFrom(socket);
  }
}

void JobPadServer::readFrom(QLocalSocket* socket) {
  auto it = sessions_.find(socket);
  if (it == sessions_.end()) return;
  // Keep the session alive even if a callback (a modal dialog, say) ends the
  // conversation while it runs.
  std::shared_ptr<tsly::dde::ServerSession> session = it.value();
  const QByteArray data = socket->readAll();
  std::string replies;
  const bool open = session->feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), replies);
  if (!sessions_.contains(socket)) return;
  if (!replies.empty()) socket->write(replies.data(), static_cast<qint64>(replies.size()));
  if (!open) {
    socket->disconnectFromServer();  // sends what is queued, then closes
    forget(socket);
  }
}

void JobPadServer::forget(QLocalSocket* socket) {
  if (sessions_.remove(socket) > 0) socket->deleteLater();
}

}  // namespace jobpad
