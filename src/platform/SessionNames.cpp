#include "platform/SessionNames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tsly {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// A folder owned by this user that nobody else may enter or change.
bool privateFolder(const std::string& path, bool exactMode, std::string& why) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    why = path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    why = path + " is not a folder";
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    why = path + " belongs to another user";
    return false;
  }
  if (exactMode ? (st.st_mode & 07777) != 0700 : (st.st_mode & 0077) != 0) {
    why = path + " may be entered by other users";
    return false;
  }
  return true;
}

}  // namespace

std::string socketNamePart(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                    c == '_' || c == '.';
    if (!ok) c = '_';
  }
  return out;
}

std::string sessionSocketFolder(std::string& error) {
  error.clear();
  const std::string runtime = env("XDG_RUNTIME_DIR");
  std::string why;
  if (runtime.starts_with('/') && privateFolder(runtime, false, why)) return runtime;
  std::string tmp = env("TMPDIR");
  if (!tmp.starts_with('/')) tmp = "/tmp";
  while (tmp.size() > 1 && tmp.back() == '/') tmp.pop_back();
  const std::string own = tmp + "/tessaly-run-" + std::to_string(::geteuid());
  if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
    error = own + ": " + std::strerror(errno);
    return {};
  }
  if (!privateFolder(own, true, why)) {
    error = why;
    return {};
  }
  return own;
}

std::string sessionDisplayName() {
  const std::string wayland = env("WAYLAND_DISPLAY");
  if (!wayland.empty()) return socketNamePart(wayland.substr(0, 40));
  std::string x = env("DISPLAY");
  if (x.empty()) return "nodisplay";
  // host:display.screen -> host:display
  const auto colon = x.rfind(':');
  const auto dot = x.rfind('.');
  if (colon != std::string::npos && dot != std::string::npos && dot > colon) x.resize(dot);
  return socketNamePart(x.substr(0, 40));
}

std::string sessionSocketPath(const std::string& name) {
  std::string error;
  const std::string folder = sessionSocketFolder(error);
  return folder.empty() ? name : folder + "/" + name;
}

}  // namespace tsly
