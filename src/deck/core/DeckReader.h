// Reading a VELF job deck back: the text the job editor holds (or saved) turned
// into what a moveout run needs, every line checked before anything is done.
//
// The deck, as Tessaly writes it (deck/core/VelfDeck.h), one line each:
//   "*INPF " + data file name        the gather to move out (name as typed, blanks kept)
//   "*NMOT " + stretch + delay        stretch limit .2 to .99; recording-delay switch 0 or 1
//   "VELF" + cdp + { time ms + velocity }   one line per picked CDP
//   "*OUTF " + output file name
//   ">>END"
// Rules:
//  - Lines end with LF or CR LF (a lone CR at the end of a line is dropped).
//    Blank lines (blanks and tabs only) are skipped anywhere.
//  - *INPF, *NMOT and *OUTF appear exactly once, at least one VELF line, and
//    >>END closes the deck: nothing but blank lines may follow it. Apart from
//    that the order of the lines is free.
//  - Keywords are matched at the start of the line, in capitals, as written.
//    VELF is followed by a blank, a sign or the end of the line.
//  - The numbers of *NMOT and VELF are read as Tessaly writes them: each begins
//    with a blank or its own minus sign, so "101-5" is two numbers, 101 and -5.
//    A number is what the program's number scanner takes (numberEnd,
//    shared/Numbers.h): an optional sign, digits with at most one point, and
//    an optional exponent (E, optional sign, digits). Anything else is refused.
//  - VELF: the CDP a whole number -32768..32767, then time/velocity pairs, at
//    least one; times not negative and strictly ascending; velocities positive.
//    Two VELF lines for one CDP are refused.
//  - The first fault found ends the reading: its line number (1-based, counted
//    over every line of the text), the line as it stands and what is wrong.
//    A missing line is reported without a line number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "deck/core/ApplyVelocities.h"
#include "moveout/core/VelocityFunction.h"

namespace tsly::deck {

struct DeckFunction {
  std::int16_t cdp = 0;
  std::vector<VelocityPick> picks;  // ascending time
  int line = 0;                     // deck line it came from
};

struct NmoDeck {
  std::string inputFile;
  std::string outputFile;
  float stretch = 0.5f;
  std::int16_t delaySwitch = 0;         // 1: first sample at the recording delay (word 55)
  std::vector<DeckFunction> functions;  // ascending CDP
  // Where the file names stand, so a fault found with a file can name its line.
  int inputLine = 0, outputLine = 0;
  std::string inputLineText, outputLineText;
};

struct DeckFault {
  int line = 0;          // 0: the deck as a whole (a missing line)
  std::string lineText;  // the line as it stands (without its line end)
  std::string what;      // what is wrong, one line

  // "line 4 (VELF 101 120.5): ..." or, for the deck as a whole, what alone.
  std::string message() const;
};

struct DeckReadResult {
  bool ok = false;
  NmoDeck deck;
  DeckFault fault;  // when !ok
};

DeckReadResult readDeck(std::string_view text);

// The moveout run the deck asks for: input, output, functions, stretch and the
// recording-delay switch. Stacking, the CDP range and overwriting are the
// caller's to set.
MoveoutJob moveoutJob(const NmoDeck& deck);

}  // namespace tsly::deck
