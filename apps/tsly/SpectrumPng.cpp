#include "SpectrumPng.h"

#include "PngOutput.h"
#include "spectrum/core/SpectrumPicture.h"
#include "qt/FigurePainter.h"
#include "qt/PngFile.h"

namespace tsly::cli {

std::string writeSpectrumPng(const Spectrum& s, const std::string& path) {
  ensureGuiApplication();
  return writePngFile(paintFigure(layOutSpectrum(spectrumOnly(s), FigureTextMeasure()).figure), path);
}

}  // namespace tsly::cli
