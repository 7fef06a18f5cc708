// Parsers of the numbers and lists given on tsly's command line. Kept apart from
// the sub-commands so that tests and fuzz targets can drive them directly.
// None of them throws; each says whether the whole text was understood.
#pragma once

#include <string>
#include <vector>

#include "generation/core/Synth.h"
#include "shared/Numbers.h"

namespace tsly::cli {

// "a<sep>b<sep>c": every part a whole number in the 32-bit range (a sign and
// leading blanks allowed, nothing after the digits). Empty parts fail.
bool parseIntList(const std::string& text, char sep, std::vector<int>& out);

// One finite number, the whole text (std::stod syntax; "nan" and "inf" fail).
bool parseFiniteNumber(const std::string& text, double& v);

// "T0MS:VEL,T0MS:VEL,...": reflection events of tsly synth.
bool parseEventList(const std::string& text, std::vector<SynthEvent>& out);

// A whole number text for tsly generate (shared/Numbers.h): its value is then
// readNumber(text).
using tsly::isNumberText;

}  // namespace tsly::cli
