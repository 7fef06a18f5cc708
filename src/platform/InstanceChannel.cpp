#include "platform/InstanceChannel.h"

#include "platform/SessionNames.h"

namespace tsly {

std::string instanceServerName(const std::string& display, const std::string& overrideName) {
  return socketNamePart(overrideName.empty() ? "tessaly-" + (display.empty() ? std::string("nodisplay") : display)
                                             : overrideName);
}

}  // namespace tsly
