// The rules of the pick table (AppState::PickTable): which slots hold picks,
// their order in time, the order of the records by CDP, how many records the
// commands may look at, and the duplicate-time check. Every command that reads
// or writes picks (the display, Make VELF commands, the picks files) uses these.
//
// A record's picks fill slots 1..n (PickVelocity != 0 marks a slot in use).
#pragma once

#include <cstdint>
#include <vector>

#include "picks/core/PicksTexts.h"
#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

inline constexpr const char* DuplicatePicksTitle = pickstext::DuplicateTitle;

// Number of slots in use (PickVelocity != 0) of a record.
int picksInUse(const CdpPicks& rec);

// Puts the picks of one record into slots 1..n in ascending time order, the
// three fields of a slot moving together. Picks always fill slots 1..n; should a
// record ever hold a gap, the picks are first closed up (in slot order) so that
// none is left out of the ordering. Returns n.
int orderPicksByTime(CdpPicks& rec);

// Indices 1..count of the pick table visited in ascending CDP order (records with
// equal CDP numbers keep their table order). The table itself is not reordered.
std::vector<int> recordsInCdpOrder(const Array1<CdpPicks>& table, int count);

// Number of records of the table that the commands may look at: the listed CDPs,
// never more than the table holds.
int usableRecords(const AppState& state);

// The duplicate-time check of the picks of CDP record c: one information box per
// pair of slots in use (1..n) with exactly equal times, composed in MessageText.
// Returns true when any pair was found. An index outside PickTable finds nothing.
bool checkduppicks(AppState& s, Ui& ui, std::int32_t c);

}  // namespace tsly
