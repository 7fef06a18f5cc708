// The VELF job deck: the text of each job-command line and the ordering rules
// that turn the pick table into velocity functions. No dialogs and no link here;
// the editvelf command (jobs/core/EditVelf.h) asks the questions and sends the
// lines.
//
// The deck, in the order its lines must reach the job editor:
//   "*INPF " + data file name
//   "*NMOT " + R(stretch) + I(recording-delay switch)
//   "VELF" + I(cdp) + { R(time) + I(velocity) }   one line per CDP with picks,
//                                                  CDPs ascending, times ascending
//   "*OUTF " + output file name
//   ">>END"
// R(x) is the number text of a single-precision value (7 significant digits,
// a blank or a minus sign in front, ".5" for 0.5); I(x) that of an integer.
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

// Number text of a real (single precision) and of an integer.
std::string R(float x);
std::string I(int x);

// Picks in use in one record: slots 1..20 with a non-zero velocity.
int pickCount(const CdpPicks& rec);

// Puts the picks of one record into slots 1..n in ascending time order, the
// three fields of a slot moving together. Picks always fill slots 1..n; should a
// record ever hold a gap, the picks are first closed up (in slot order) so that
// none is left out of the ordering. Returns n.
int orderPicksByTime(CdpPicks& rec);

// Indices 1..count of the pick table visited in ascending CDP order (records with
// equal CDP numbers keep their table order). The table itself is not reordered.
std::vector<int> recordsInCdpOrder(const Array1<CdpPicks>& table, int count);

std::string inpfLine(const std::string& dataFile);
std::string nmotLine(float stretch, std::int16_t recordingDelay);
// The velocity function of one record: its picks in slot order (ordered by
// orderPicksByTime beforehand). Empty slots are skipped.
std::string velfLine(const CdpPicks& rec);
std::string outfLine(const std::string& outputFile);

// The stretch typed by the user: the leading number of the text in single
// precision (only a point separates decimals, so "0,5" reads as 0).
float readStretch(const std::string& answer);
bool stretchAccepted(float stretch);

// Number of records of the table that the commands may look at: the listed CDPs,
// never more than the table holds.
int usableRecords(const AppState& state);

}  // namespace tsly::velf
