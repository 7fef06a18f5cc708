// The request/response channel to the job editor (stands for a DDE client
// conversation). Every call returns 0 on success or a DDE-style error number:
// 282 when no server answers the connection, 280..298 for a failed or timed-out
// transaction. The Qt implementation runs over a local socket; tests use doubles
// or the real JobPad stand-in.
#pragma once

#include <string>

namespace tsly {

inline constexpr int DdeNoAppResponded = 282;

class DdeClient {
 public:
  virtual ~DdeClient() = default;
  // Open the conversation with application|topic.
  virtual int connect(const std::string& application, const std::string& topic) = 0;
  virtual void disconnect() = 0;
  virtual int poke(const std::string& item, const std::string& value) = 0;
  virtual int execute(const std::string& command) = 0;
  virtual int request(const std::string& item, std::string& value) = 0;
  // Start a program by name through PATH, detached, without taking the focus.
  virtual bool startProgram(const std::string& name) = 0;
  // The platform's description of an error number.
  virtual std::string errorDescription(int error) const = 0;
};

}  // namespace tsly
