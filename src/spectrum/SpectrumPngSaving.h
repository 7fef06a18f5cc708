// "Save PNG..." of the "Velocity Spectrum" window: asks for a file name
// (starting in the last directory, "<panel file>-cdp<n>.png"), refuses the
// panel file and the gather the picture is made from (before any question:
// saving over them would lose the data), asks before replacing another file,
// and writes the picture whole or not at all. Every failure is one message box.
#pragma once

#include <string>

class QImage;

namespace tsly {

struct AppState;
class Ui;

struct SpectrumPngSource {
  std::string panelFile;
  std::string gatherFile;
  int cdp = 0;
};

void saveSpectrumPng(Ui& ui, AppState& state, const QImage& picture, const SpectrumPngSource& source);

}  // namespace tsly
