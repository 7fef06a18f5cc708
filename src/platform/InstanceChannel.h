// The channel between copies of the program that guards against a second
// running copy: the running copy holds it under a per-session name; a copy
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

// The name of the running copy's channel in the session's socket folder
// (platform/SessionNames.h, which is the user's own): the override when one is
// given (tests use it so that runs do not collide), else "tessaly-" + the
// display, so that copies on two displays of one user do not see each other.
// Characters other than letters, digits, '-', '_' and '.' become '_'.
std::string instanceServerName(const std::string& display, const std::string& overrideName);

}  // namespace tsly
