// The VELF deck reader and the CDP range of a deck run: any bytes as a deck,
// and as the text of --cdps. An accepted deck is what a run needs (functions in
// CDP order, times ascending, velocities above 0, stretch and switch in range)
// and reads back the same from the deck Tessaly would write for it; a refused
// one names its fault in one short line with no control character. An accepted
// range reads back the same.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "deck/core/CdpRange.h"
#include "deck/core/DeckReader.h"
#include "deck/core/VelfDeck.h"
#include "platform/ShownText.h"

using namespace tsly;

namespace {

bool hasControl(const std::string& s) {
  for (char ch : s)
    if (static_cast<unsigned char>(ch) < 32 || ch == 127) return true;
  return false;
}

void checkDeck(std::string_view text) {
  const deck::DeckReadResult r = deck::readDeck(text);
  if (!r.ok) {
    const std::string m = r.fault.message();
    if (hasControl(m)) fuzz::fail("a control character in a deck fault");
    // The line is cut to 80 characters, every quoted piece to 30 (escaped: 4 a character at most).
    if (m.size() > 4 * (ShownLineChars + 3) + 4 * 33 * 2 + 200) fuzz::fail("a deck fault too long");
    return;
  }
  const deck::NmoDeck& d = r.deck;
  if (!velf::stretchAccepted(d.stretch) || (d.delaySwitch != 0 && d.delaySwitch != 1)) fuzz::fail("bad *NMOT taken");
  if (d.functions.empty()) fuzz::fail("a deck without functions taken");
  for (std::size_t k = 0; k < d.functions.size(); ++k) {
    const deck::DeckFunction& f = d.functions[k];
    if (k > 0 && !(d.functions[k - 1].cdp < f.cdp)) fuzz::fail("functions not in ascending CDP order");
    if (f.picks.empty()) fuzz::fail("a function without picks");
    for (std::size_t p = 0; p < f.picks.size(); ++p) {
      if (!(f.picks[p].velocity > 0.0f) || !std::isfinite(f.picks[p].velocity) || !(f.picks[p].timeMs >= 0.0f))
        fuzz::fail("a pick a run can not use");
      if (p > 0 && !(f.picks[p - 1].timeMs < f.picks[p].timeMs)) fuzz::fail("times not ascending");
    }
  }
  // The deck as Tessaly writes it (its fields at single precision) reads back
  // the same wherever a field holds its value exactly.
  std::string again = velf::inpfLine(d.inputFile) + "\n" + velf::nmotLine(d.stretch, d.delaySwitch) + "\n";
  for (const deck::DeckFunction& f : d.functions) {
    std::string line = std::string(velf::VelfKeyword) + velf::integerField(f.cdp);
    for (const VelocityPick& p : f.picks) line += velf::realField(p.timeMs) + velf::realField(p.velocity);
    again += line + "\n";
  }
  again += velf::outfLine(d.outputFile) + "\n" + velf::EndLine + "\n";
  const deck::DeckReadResult back = deck::readDeck(again);
  if (!back.ok) return;  // a 7-digit field can round two times into one: not the reader's fault
  if (back.deck.functions.size() != d.functions.size()) fuzz::fail("a deck written back reads back otherwise");
  for (std::size_t k = 0; k < d.functions.size(); ++k)
    if (back.deck.functions[k].cdp != d.functions[k].cdp) fuzz::fail("a deck written back names other CDPs");
}

void checkRange(std::string_view text) {
  int first = 0, last = 0;
  if (!parseCdpRange(text, first, last)) return;
  if (first > last || first < -32768 || last > 32767) fuzz::fail("a CDP range out of order or range");
  int a = 0, b = 0;
  const std::string again = std::to_string(first) + "-" + std::to_string(last);
  if (!parseCdpRange(again, a, b) || a != first || b != last) fuzz::fail("a CDP range does not read back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1)
    checkRange(text);
  else
    checkDeck(text);
  return 0;
}
