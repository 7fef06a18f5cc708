#include "qt/LocalDdeClient.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>

#include "platform/DdeErrors.h"
#include "platform/SessionNames.h"

namespace tsly {

namespace {

// Keeps letters, digits, '.', '_' and '-' (letters lower-cased: application and
// topic names are not case-sensitive); anything else becomes '_'.
QString sanitised(const QString& text, int maxLength) {
  QString out;
  for (QChar c : text.left(maxLength)) {
    const char16_t u = c.unicode();
    if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-')
      out += c;
    else if (u >= 'A' && u <= 'Z')
      out += QChar(u - 'A' + 'a');
    else
      out += QLatin1Char('_');
  }
  return out;
}

// The server must run as the same user as this program.
bool peerIsSameUser(const QLocalSocket& socket) {
  const qintptr fd = socket.socketDescriptor();
  if (fd < 0) return false;
  struct ucred cred {};
  socklen_t len = sizeof cred;
  if (::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
  return cred.uid == ::getuid();
}

}  // namespace

LocalDdeClient::LocalDdeClient() = default;
LocalDdeClient::~LocalDdeClient() { drop(); }

QString LocalDdeClient::sessionSuffix() {
  return sanitised(qEnvironmentVariable("TESSALY_DDE_SUFFIX"), 40);
}

QString LocalDdeClient::serverName(const std::string& application, const std::string& topic) {
  QString name = QStringLiteral("tessaly-dde-%1-%2-%3")
                     .arg(sanitised(QString::fromStdString(application), 40),
                          sanitised(QString::fromStdString(topic), 40),
                          QString::fromStdString(sessionDisplayName()));
  const QString suffix = sessionSuffix();
  if (!suffix.isEmpty()) name += QLatin1Char('-') + suffix;
  return QString::fromStdString(sessionSocketPath(name.toStdString()));
}

void LocalDdeClient::setTimeouts(int connectMs, int transactionMs, int startWaitMs) {
  connectMs_ = connectMs;
  transactionMs_ = transactionMs;
  startWaitMs_ = startWaitMs;
}

bool LocalDdeClient::isConnected() const {
  return socket_ && socket_->state() == QLocalSocket::ConnectedState;
}

void LocalDdeClient::drop() {
  if (socket_) {
    socket_->abort();
    socket_.reset();
  }
  decoder_.reset();
}

void LocalDdeClient::disconnect() {
  if (socket_ && socket_->state() == QLocalSocket::ConnectedState) {
    socket_->disconnectFromServer();
    if (socket_->state() != QLocalSocket::UnconnectedState) socket_->waitForDisconnected(200);
  }
  drop();
}

bool LocalDdeClient::startedProgramRunning() const {
  if (startedPid_ <= 0 || startDeadline_.hasExpired()) return false;
  return ::kill(static_cast<pid_t>(startedPid_), 0) == 0 || errno == EPERM;
}

int LocalDdeClient::connect(const std::string& application, const std::string& topic) {
  disconnect();
  const QString name = serverName(application, topic);
  for (;;) {
    bool retryable = false;
    const int error = connectOnce(name, application, topic, retryable);
    if (error == 0) {
      startedPid_ = 0;
      return 0;
    }
    // A program started a moment ago may not be listening yet: wait for it while it runs.
    if (!retryable || !startedProgramRunning()) return error;
    QThread::msleep(50);
  }
}

int LocalDdeClient::connectOnce(const QString& name, const std::string& application,
                                const std::string& topic, bool& retryable) {
  drop();
  socket_ = std::make_unique<QLocalSocket>();
  socket_->connectToServer(name);
  if (!socket_->waitForConnected(connectMs_)) {
    const auto err = socket_->error();
    retryable = err == QLocalSocket::ServerNotFoundError ||
                err == QLocalSocket::ConnectionRefusedError;
    drop();
    return ErrDdeNoAppResponded;
  }
  if (!peerIsSameUser(*socket_)) {
    drop();
    return ErrDdeNoAppResponded;
  }
  decoder_ = std::make_unique<dde::Decoder>(dde::Side::Replies);
  dde::Message reply;
  const int error = transact(dde::connectMessage(application, topic), reply, connectMs_);
  if (error == 0 && reply.verb == dde::Verb::Ok) return 0;
  drop();
  // A server that does not greet properly counts as no answer; a refusal keeps its number.
  if (error == 0 || !isDdeError(error) || error == ErrDdeTimeout || error == ErrDdeForeignAppQuit ||
      error == ErrDdeConversationClosed)
    return ErrDdeNoAppResponded;
  return error;
}

int LocalDdeClient::transact(const dde::Message& message, dde::Message& reply, int timeoutMs) {
  if (!isConnected() || !decoder_) {
    drop();
    return ErrDdeNoChannel;
  }
  const auto bytes = dde::encode(message);
  if (!bytes) return ErrDdeWontPerform;
  QDeadlineTimer deadline(timeoutMs);
  if (socket_->write(bytes->data(), static_cast<qint64>(bytes->size())) !=
      static_cast<qint64>(bytes->size())) {
    drop();
    return ErrDdeForeignAppQuit;
  }
  while (socket_->bytesToWrite() > 0) {
    if (!socket_->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
      const bool gone = socket_->state() != QLocalSocket::ConnectedState;
      drop();
      return gone ? ErrDdeForeignAppQuit : ErrDdeTimeout;
    }
  }
  std::optional<dde::Message> got;
  while (!(got = decoder_->next())) {
    if (socket_->bytesAvailable() == 0 &&
        !socket_->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
      const bool gone = socket_->state() != QLocalSocket::ConnectedState || deadline.remainingTime() > 0;
      drop();
      return gone ? ErrDdeForeignAppQuit : ErrDdeTimeout;
    }
    const QByteArray data = socket_->readAll();
    if (!decoder_->feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())))) {
      drop();
      return ErrDdeConversationClosed;
    }
  }
  reply = std::move(*got);
  if (!decoder_->idle() || decoder_->next()) {
    // More than one reply to one request: the conversation is out of step.
    drop();
  }
  if (reply.verb == dde::Verb::Error) return dde::errorNumber(reply);
  return 0;
}

int LocalDdeClient::poke(const std::string& item, const std::string& value) {
  dde::Message reply;
  if (int e = transact(dde::pokeMessage(item, value), reply, transactionMs_)) return e;
  if (reply.verb != dde::Verb::Ok) {
    drop();
    return ErrDdeConversationClosed;
  }
  return 0;
}

int LocalDdeClient::execute(const std::string& command) {
  dde::Message reply;
  if (int e = transact(dde::executeMessage(command), reply, transactionMs_)) return e;
  if (reply.verb != dde::Verb::Ok) {
    drop();
    return ErrDdeConversationClosed;
  }
  return 0;
}

int LocalDdeClient::request(const std::string& item, std::string& value) {
  dde::Message reply;
  if (int e = transact(dde::requestMessage(item), reply, transactionMs_)) return e;
  if (reply.verb != dde::Verb::Value) {
    drop();
    return ErrDdeConversationClosed;
  }
  value = reply.fields[0];
  return 0;
}

bool LocalDdeClient::startProgram(const std::string& name) {
  const QString program = QString::fromStdString(name);
  QString path;
  if (program.contains(QLatin1Char('/'))) {
    const QFileInfo fi(program);
    if (fi.isFile() && fi.isExecutable()) path = fi.absoluteFilePath();
  } else {
    path = QStandardPaths::findExecutable(program);
  }
  if (path.isEmpty()) return false;
  qint64 pid = 0;
  if (!QProcess::startDetached(path, {}, QString(), &pid)) return false;
  startedPid_ = pid;
  startDeadline_ = QDeadlineTimer(startWaitMs_);
  return true;
}

std::string LocalDdeClient::errorDescription(int error) const { return ddeErrorDescription(error); }

}  // namespace tsly
