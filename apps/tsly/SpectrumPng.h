// Saves a velocity spectrum as a PNG file: the spectrum alone, laid out by the
// spectrum core (layOutSpectrum) and painted by the painter the "Velocity
// Spectrum" window uses, so that both show the same picture.
#pragma once

#include <string>

#include "spectrum/core/Semblance.h"

namespace tsly::cli {

// "" when written; else what failed. Written whole or not at all (a temporary
// file renamed into place).
std::string writeSpectrumPng(const Spectrum& s, const std::string& path);

}  // namespace tsly::cli
