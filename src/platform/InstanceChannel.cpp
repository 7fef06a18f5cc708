#include "platform/InstanceChannel.h"

namespace tsly {

std::string instanceServerName(const std::string& user, const std::string& overrideName) {
  std::string name = overrideName.empty() ? "tessaly-" + (user.empty() ? std::string("user") : user)
                                          : overrideName;
  for (char& c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.';
    if (!ok) c = '_';
  }
  return name;
}

}  // namespace tsly
