#include "deck/core/VelfDeck.h"

#include "shared/Numbers.h"

namespace tsly::velf {

std::string R(float x) { return numberText(x); }
std::string I(int x) { return numberText(x); }

std::string inpfLine(const std::string& dataFile) { return InpfKeyword + dataFile; }

std::string nmotLine(float stretch, std::int16_t recordingDelay) {
  return NmotKeyword + R(stretch) + I(recordingDelay);
}

std::string velfLine(const CdpPicks& rec) {
  std::string line = VelfKeyword + I(rec.Cdp);
  for (int k = 1; k <= PicksPerCdp; ++k) {
    if (rec.PickVelocity[k] == 0) continue;
    line += R(rec.PickTime[k]);
    line += I(rec.PickVelocity[k]);
  }
  return line;
}

std::string outfLine(const std::string& outputFile) { return OutfKeyword + outputFile; }

float readStretch(const std::string& answer) { return static_cast<float>(readNumber(answer)); }

bool stretchAccepted(float stretch) { return stretch >= StretchMin && stretch <= StretchMax; }

}  // namespace tsly::velf
