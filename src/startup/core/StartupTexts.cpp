#include "startup/core/StartupTexts.h"

#include "shared/State.h"

namespace tsly::startup {

std::string previousInstanceText() {
  return std::string("There is already an instance of this module running") + CrLf +
         "Do you really want to start another?";
}

}  // namespace tsly::startup
