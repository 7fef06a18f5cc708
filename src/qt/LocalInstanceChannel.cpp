#include "qt/LocalInstanceChannel.h"

#include <QLocalSocket>

#include "platform/SessionNames.h"

namespace tsly {

namespace {
constexpr const char* RestoreRequest = "restore";
constexpr const char* RestoredReply = "restored";
}  // namespace

LocalInstanceChannel::LocalInstanceChannel(const QString& name, QObject* parent) : QObject(parent), name_(name) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &LocalInstanceChannel::accept);
}

LocalInstanceChannel::~LocalInstanceChannel() { server_.close(); }

QString LocalInstanceChannel::defaultName() {
  const QString override = qEnvironmentVariable("TESSALY_INSTANCE_NAME");
  return QString::fromStdString(
      sessionSocketPath(instanceServerName(sessionDisplayName(), override.toStdString())));
}

bool LocalInstanceChannel::otherCopyRunning(int timeoutMs) const {
  if (server_.isListening()) return false;  // this copy holds the name
  QLocalSocket socket;
  socket.connectToServer(name_);
  const bool up = socket.waitForConnected(timeoutMs);
  socket.abort();
  return up;
}

bool LocalInstanceChannel::hold() {
  if (server_.isListening()) return true;
  // With user-only access Qt sets the socket up beside the name and moves it
  // into place, which would take the name from a live copy: look first.
  if (otherCopyRunning(500)) return false;
  if (server_.listen(name_)) return true;
  if (server_.serverError() == QAbstractSocket::AddressInUseError) {
    // A socket left behind by a copy that did not end normally.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
  }
  return false;
}

bool LocalInstanceChannel::askToRestore(int timeoutMs) const {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(QByteArray(RestoreRequest) + '\n');
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray reply;
  while (!reply.contains('\n')) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
    reply += socket.readAll();
  }
  socket.disconnectFromServer();
  return reply.left(reply.indexOf('\n')).trimmed() == RestoredReply;
}

void LocalInstanceChannel::accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::errorOccurred, socket, [socket] { socket->deleteLater(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // Requests are lines; a partial line waits for the rest.
      while (socket->canReadLine()) {
        const QByteArray line = socket->readLine().trimmed();
        if (line == RestoreRequest) {
          if (onRestore_) onRestore_();
          socket->write(QByteArray(RestoredReply) + '\n');
        } else {
          socket->write("unknown\n");
        }
        socket->flush();
      }
      if (socket->bytesAvailable() > 256) socket->abort();  // not one of ours
    });
  }
}

}  // namespace tsly
