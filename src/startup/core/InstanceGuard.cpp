#include "startup/core/InstanceGuard.h"

#include "startup/core/StartupTexts.h"

namespace tsly::startup {

bool passInstanceGuard(Ui& ui, InstanceChannel& channel) {
  if (!channel.otherCopyRunning()) {
    channel.hold();
    return true;
  }
  const Answer a = ui.message(previousInstanceText(), PreviousInstanceTitle, Buttons::YesNo, Icon::Question);
  if (a == Answer::No) {
    channel.askToRestore();
    return false;
  }
  return true;
}

}  // namespace tsly::startup
