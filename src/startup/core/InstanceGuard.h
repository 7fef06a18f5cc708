// The previous-instance guard at start-up. With no running copy: takes the
// channel's name for this copy and goes on. With one: asks "Previous Instance
// detected" (Yes/No, question icon); Yes goes on (the name stays with the copy
// that holds it); No asks the running copy to come to the front, and the
// caller ends this copy at once, before anything is read or written.
#pragma once

#include "platform/InstanceChannel.h"
#include "platform/Ui.h"

namespace tsly::startup {

// True: start this copy. False: end it (the running copy was asked to come to
// the front).
bool passInstanceGuard(Ui& ui, InstanceChannel& channel);

}  // namespace tsly::startup
