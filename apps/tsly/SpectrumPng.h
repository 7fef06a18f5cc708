// Saves a velocity spectrum as a PNG file: the picture computed in the core
// (drawSpectrum) with its labels drawn by Qt's painter.
#pragma once

#include <string>

#include "spectrum/core/Semblance.h"

namespace tsly::cli {

// "" when written; else what failed. Written whole or not at all (a temporary
// file renamed into place).
std::string writeSpectrumPng(const Spectrum& s, const std::string& title, const std::string& path);

}  // namespace tsly::cli
