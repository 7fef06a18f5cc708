// The values behind the graphics parameters dialog (tslysele), without widgets:
// filling its boxes from the settings, the option buttons, the limit applied by
// Done and storing the boxes back into the settings.
#pragma once

#include <string>

#include "shared/State.h"

namespace tsly {

// What the dialog's boxes hold.
struct GraphicsEntries {
  std::string tracesPerInch;  // Text1
  std::string gain;           // Text6, dB
  std::string timeLength;     // Text2, ms
  int normalize = 0;          // check box value 0/1
  int areaFill = 0;
  int option = -1;            // selected Option3 index, -1 none
};

// "##.##": rounded to two decimals, no leading zero, always a point, no trailing
// zeros after it: 9.6 -> "9.6", 12 -> "12.", 0.5 -> ".5", 0 -> ".".
std::string formatHashHash(double v);

// Traces per inch of a spacing on a screen of `dpi` pixels per inch, as "##.##".
std::string tracesPerInchText(int dpi, float spacing);

// Option index of a sampling ratio: 0.5 -> 3, 1 -> 0, 2 -> 1, 4 -> 2, else -1.
int optionForRatio(float ratio);
// Sampling ratio of an option index: 2^i, 0.5 for index 3.
float ratioForOption(int index);

GraphicsEntries graphicsEntriesFrom(const AppState& s, int dpi);

// Done: a traces-per-inch entry above 1000 becomes "1000", below 1 becomes "1";
// otherwise it is returned unchanged.
std::string limitTracesPerInch(const std::string& text);

// Stores the boxes: gain limited to -120..120 dB, the two flags, the time length,
// and the spacing dpi / traces-per-inch when that value is above 0.
void applyGraphicsEntries(AppState& s, const GraphicsEntries& e, int dpi);

}  // namespace tsly
