// Operations on the pick table that need no canvas: the duplicate-time check.
#pragma once

#include <cstdint>

#include "display/core/DisplayTexts.h"
#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

inline constexpr const char* DuplicatePicksTitle = displaytext::DuplicateTitle;

// The duplicate-time check of the picks of CDP record c: one information box per
// pair of slots in use (1..n) with exactly equal times, composed in MessageText.
// Returns true when any pair was found. An index outside PickTable finds nothing.
bool checkduppicks(AppState& s, Ui& ui, std::int32_t c);

// Number of slots in use (PickVelocity != 0) of a record.
int picksInUse(const CdpPicks& r);

}  // namespace tsly
