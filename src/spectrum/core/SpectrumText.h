// The velocity spectrum as text: CSV rows and peak lines.
//
// Rules, stated once:
//  - CSV: one header line, then one row per (time sample, velocity), time rows
//    in order and the velocities of each in the spectrum's order:
//      time_ms,velocity,semblance            (one CDP)
//      cdp,time_ms,velocity,semblance        (with the CDP column: a whole gather)
//    Times and velocities in their shortest decimal form (1200, 2.5, 0.25),
//    semblance with 4 decimals (0.0000 .. 1.0000). Lines end with "\n".
//  - Peak lines: "time_ms velocity semblance" with one blank between, the same
//    number forms; with the CDP: "cdp time_ms velocity semblance".
#pragma once

#include <string>
#include <vector>

#include "spectrum/core/Semblance.h"

namespace tsly {

std::string spectrumCsvHeader(bool withCdp);

// Appends the rows of `s` to `out`: those of time samples firstRow ..
// firstRow + rows - 1 (all from firstRow when rows < 0), so that a large
// spectrum can be written a piece at a time.
void appendSpectrumCsv(const Spectrum& s, bool withCdp, std::string& out, std::int32_t firstRow = 0,
                       std::int32_t rows = -1);

std::string peakLine(const SpectrumPeak& p, bool withCdp, std::int16_t cdp);

// Shortest decimal text of a value (1200, 2.5, 0.25, -3).
std::string shortNumber(double v);

}  // namespace tsly
