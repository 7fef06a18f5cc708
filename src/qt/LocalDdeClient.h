// The job-editor channel over a local socket (a Unix-domain socket through
// QLocalSocket): the Linux stand-in for a DDE client conversation.
//
// The server is found by name: application + topic and the display, in the
// session's socket folder (platform/SessionNames.h: $XDG_RUNTIME_DIR, or a
// private 0700 folder of the user), so two desktop sessions of one user never
// exchange decks; with the environment variable TESSALY_DDE_SUFFIX set, that
// too (tests set a unique value so parallel runs never meet; the JobPad started
// by the program inherits it). serverName() gives the path both sides use.
//
// Every call blocks until the exchange is answered or times out (the caller is
// the user-interface thread, like a DDE client). Results: 0, or
//   282 no server answers the connection (none listening, or it did not answer
//       the greeting within the connect time-out, or it belongs to another user);
//   286 no reply within the transaction time-out (the conversation is dropped);
//   291 the server went away during the exchange;
//   292 the server sent something that is not a reply (the conversation is dropped);
//   293 an exchange without an open conversation;
//   285 a value too large to send;
//   any number the server answers with (JobPad: 285 unknown command/item).
// startProgram() looks the name up in PATH and starts it detached; the next
// connect() then waits (up to the start time-out) for the started program to
// begin listening, as long as it is still running.
#pragma once

#include <QDeadlineTimer>
#include <QString>
#include <memory>
#include <string>

#include "platform/LinkProtocol.h"
#include "platform/DdeClient.h"

class QLocalSocket;

namespace tsly {

class LocalDdeClient : public DdeClient {
 public:
  LocalDdeClient();
  ~LocalDdeClient() override;
  LocalDdeClient(const LocalDdeClient&) = delete;
  LocalDdeClient& operator=(const LocalDdeClient&) = delete;

  int connect(const std::string& application, const std::string& topic) override;
  void disconnect() override;
  int poke(const std::string& item, const std::string& value) override;
  int execute(const std::string& command) override;
  int request(const std::string& item, std::string& value) override;
  bool startProgram(const std::string& name) override;
  std::string errorDescription(int error) const override;

  bool isConnected() const;
  // Time-outs in milliseconds (defaults: connect 3000, transaction 10000, start 10000).
  void setTimeouts(int connectMs, int transactionMs, int startWaitMs);

  // The local-socket path of the server for application|topic.
  static QString serverName(const std::string& application, const std::string& topic);
  // The per-session suffix taken from TESSALY_DDE_SUFFIX (sanitised; may be empty).
  static QString sessionSuffix();

 private:
  int connectOnce(const QString& name, const std::string& application, const std::string& topic,
                  bool& retryable);
  int transact(const dde::Message& message, dde::Message& reply, int timeoutMs);
  bool startedProgramRunning() const;
  void drop();

  std::unique_ptr<QLocalSocket> socket_;
  std::unique_ptr<dde::Decoder> decoder_;
  int connectMs_ = 3000;
  int transactionMs_ = 10000;
  int startWaitMs_ = 10000;
  qint64 startedPid_ = 0;
  QDeadlineTimer startDeadline_;
};

}  // namespace tsly
