// The channel between copies of the program that guards against a second
// running copy: the running copy holds it under a per-user name; a copy
// started later finds it and can ask the running copy to restore and raise
// its main window. The Qt implementation is a local socket
// (qt/LocalInstanceChannel); tests use doubles.
#pragma once

#include <functional>
#include <string>

namespace tsly {

class InstanceChannel {
 public:
  virtual ~InstanceChannel() = default;
  // Whether a running copy answers on the name (never this copy itself).
  virtual bool otherCopyRunning() = 0;
  // Takes the name for this copy. False when another copy holds it.
  virtual bool hold() = 0;
  // Asks the running copy to restore and raise its window; true once it answered.
  virtual bool askToRestore() = 0;
  // What this copy does when a later copy asks it to restore its window.
  virtual void setRestoreHandler(std::function<void()> handler) = 0;
};

// The per-user name of the running copy's channel: the override when one is
// given (tests use it so that runs do not collide), else "tessaly-" + user.
// Characters other than letters, digits, '-', '_' and '.' become '_'.
std::string instanceServerName(const std::string& user, const std::string& overrideName);

}  // namespace tsly
