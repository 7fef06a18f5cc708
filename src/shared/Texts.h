// Message texts and titles that several areas of the program share. Each area
// names its own texts in a texts header beside its code (for example
// generation/core/GenerationTexts.h); these few are used everywhere.
#pragma once

#include <string>

#include "shared/State.h"

namespace tsly {

inline constexpr const char* UnexpectedErrorText = "Unexpected error";
inline constexpr const char* TessalyErrorTitle = "Tessaly ERROR";
inline constexpr const char* ErrorOpeningFileText = "Error opening file";
// An output named as its input (panel generation, the VELF job deck).
inline constexpr const char* SameFileText = "Input and output files can not be the same.";
inline constexpr const char* SameFileTitle = "Tessaly Duplicate file name";

// "Unexpected error", a line break and the platform's description of the failure.
inline std::string unexpectedErrorMessage(const std::string& description) {
  return std::string(UnexpectedErrorText) + CrLf + description;
}

}  // namespace tsly
