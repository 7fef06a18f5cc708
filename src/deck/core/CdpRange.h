// The CDP range of a deck run as typed: "FIRST-LAST" (or one CDP "N"), whole
// numbers -32768..32767 with an optional sign each, FIRST <= LAST, blanks
// around allowed ("1001-1050", "-20--10").
#pragma once

#include <string_view>

namespace tsly {

bool parseCdpRange(std::string_view text, int& first, int& last);

}  // namespace tsly
