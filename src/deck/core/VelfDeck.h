// The VELF job deck: the text of each job-command line. The pick table's own
// rules (order in time, records in CDP order) are in picks/core/PickTable.h. No
// dialogs and no link here; the editvelf command (jobs/core/EditVelf.h) asks the
// questions and sends the lines.
//
// The deck, in the order its lines must reach the job editor:
//   "*INPF " + data file name
//   "*NMOT " + realField(stretch) + integerField(recording-delay switch)
//   "VELF" + integerField(cdp) + { realField(time) + integerField(velocity) }
//          one line per CDP with picks, CDPs ascending, times ascending
//   "*OUTF " + output file name
//   ">>END"
// realField(x) is the number text of a single-precision value (7 significant
// digits, a blank or a minus sign in front, ".5" for 0.5); integerField(x) that
// of an integer. Each field brings its own blank or sign: nothing else stands
// between the fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shared/State.h"

namespace tsly::velf {

inline constexpr const char* InpfKeyword = "*INPF ";
inline constexpr const char* NmotKeyword = "*NMOT ";
inline constexpr const char* VelfKeyword = "VELF";
inline constexpr const char* OutfKeyword = "*OUTF ";
inline constexpr const char* EndLine = ">>END";

// Accepted NMO stretch limits, compared in single precision.
inline constexpr float StretchMin = 0.2f;
inline constexpr float StretchMax = 0.99f;

// The fields of a deck line: the number text of a real (single precision) and
// of an integer.
std::string realField(float x);
std::string integerField(int x);

std::string inpfLine(const std::string& dataFile);
std::string nmotLine(float stretch, std::int16_t recordingDelay);
// The velocity function of one record: its picks in slot order (ordered by
// orderPicksByTime, picks/core/PickTable.h, beforehand). Empty slots are skipped.
std::string velfLine(const CdpPicks& rec);
std::string outfLine(const std::string& outputFile);

// The stretch typed by the user: the leading number of the text in single
// precision (only a point separates decimals, so "0,5" reads as 0).
float readStretch(const std::string& answer);
bool stretchAccepted(float stretch);

}  // namespace tsly::velf
