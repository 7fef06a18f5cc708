#include "deck/core/VelfDeck.h"

#include "shared/Numbers.h"

namespace tsly::velf {

std::string realField(float x) { return numberText(x); }
std::string integerField(int x) { return numberText(x); }

std::string inpfLine(const std::string& dataFile) { return InpfKeyword + dataFile; }

std::string nmotLine(float stretch, std::int16_t recordingDelay) {
  return NmotKeyword + realField(stretch) + integerField(recordingDelay);
}

std::string velfLine(const CdpPicks& rec) {
  std::string line = VelfKeyword + integerField(rec.Cdp);
  for (int k = 1; k <= PicksPerCdp; ++k) {
    if (rec.PickVelocity[k] == 0) continue;
    line += realField(rec.PickTime[k]);
    line += integerField(rec.PickVelocity[k]);
  }
  return line;
}

std::string outfLine(const std::string& outputFile) { return OutfKeyword + outputFile; }

float readStretch(const std::string& answer) { return static_cast<float>(readNumber(answer)); }

bool stretchAccepted(float stretch) { return stretch >= StretchMin && stretch <= StretchMax; }

}  // namespace tsly::velf
