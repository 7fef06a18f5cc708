// Text measures for laying pictures out without a font: every character 7
// pixels wide, a line 14 pixels high.
#pragma once

#include <string>

#include "shared/Figure.h"

namespace tsly::test {

struct FixedTextMeasure : TextMeasure {
  int width(const std::string& text) const override { return 7 * static_cast<int>(text.size()); }
  int height() const override { return 14; }
};

}  // namespace tsly::test
