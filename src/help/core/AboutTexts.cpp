#include "help/core/AboutTexts.h"

#include "shared/State.h"

namespace tsly {

std::string aboutDisclaimer() {
  std::string text;
  for (const char* line : {"The Tessaly project does not guarantee",
                           "this computer software to be free from errors ",
                           "or inaccuracies and disclaims any responsibility ",
                           "or liability for interpretations based on data ",
                           "processed using this software or decisions ", "based thereon."}) {
    text += line;
    text += CrLf;
  }
  return text;
}

std::string aboutCredits(const std::string& caption) {
  return caption + CrLf + "Written by the Tessaly developers" + CrLf + "Velocity analysis work of 2025 - 2026";
}

}  // namespace tsly
