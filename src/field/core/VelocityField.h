// The velocity field of a line: the RMS velocity of every CDP of a range at
// every time, from the picked velocity functions, and the interval velocity
// (Dix) it implies, with the layers where that velocity falls or has no value.
//
// Rules, stated once:
//  - The RMS velocity of any CDP at any time is the deck run's
//    (velocitiesForCdp, moveout/core/VelocityFunction.h): the CDP's own
//    function when it has one, else linear in CDP number between the nearest
//    picked CDPs on either side, the nearest one beyond the ends; linear in
//    time between picks, held before the first and after the last.
//  - Layers: such a function is linear in time between the pick times of the
//    one or two picked CDPs it comes from. Those times (each once, ascending)
//    cut the time axis into layers: 0 to the first time, then from each time
//    to the next. Below the last time the function is held constant and
//    there is no layer.
//  - Interval velocity of a layer from (t1, v1) to (t2, v2), the RMS velocity
//    at its top and bottom: v_int^2 = (v2^2 t2 - v1^2 t1) / (t2 - t1) (the
//    first layer, from 0, has v_int = v at its bottom). At a picked CDP the
//    layers are its picks' intervals and these are the values of the
//    velocity check (picks/core/VelocityCheck.h).
//  - Flags of a layer: Undefined when v_int^2 < 0 (no real interval velocity
//    gives these RMS velocities); Falling when its interval velocity is lower
//    than that of the nearest layer above that has one (by more than
//    FallingTolerance m/s).
//  - Columns: a field `columns` wide over CDPs first..last (span = last -
//    first + 1) gives column x to CDP first + floor(x * span / columns); rows
//    are times row x msPerRow from 0 (row r shows the time at its top).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "moveout/core/VelocityFunction.h"
#include "picks/core/PicksFile.h"

namespace tsly::field {

inline constexpr double FallingTolerance = 0.5;

enum LayerFlag : unsigned {
  NoFlag = 0,
  Falling = 1u << 0,
  Undefined = 1u << 1,
};

struct Layer {
  double topMs = 0, bottomMs = 0;
  double rmsTop = 0, rmsBottom = 0;
  bool hasInterval = false;  // false when Undefined
  double interval = 0;       // m/s, when hasInterval
  unsigned flags = NoFlag;
};

// The functions of picks (rows of a picks file or of the pick table), one per
// CDP, ascending CDP, each's picks ascending in time; rows with a velocity of
// 0 or less are no picks.
std::vector<CdpVelocityFunction> functionsOf(const std::vector<picks::PickRow>& rows);

// The RMS velocity of `cdp` at `timeMs`, by the deck run's rule.
double rmsAt(const std::vector<CdpVelocityFunction>& functions, int cdp, double timeMs);

// The layers of `cdp`'s function, top down (none without functions).
std::vector<Layer> layersOf(const std::vector<CdpVelocityFunction>& functions, int cdp);

// The time a field of these functions shows without a trace file: the latest
// pick and a tenth more, up to a whole 100 ms (at least 100 ms).
double shownLengthMs(const std::vector<CdpVelocityFunction>& functions);

// The picked CDPs of first..last whose layers hold a flag, ascending.
std::vector<int> flaggedCdps(const std::vector<CdpVelocityFunction>& functions, int first, int last);

// Column x of a field `columns` wide over first..last: its CDP (see above).
int cdpOfColumn(int x, int first, int last, int columns);
// The first column that shows `cdp` (-1 outside the range).
int columnOfCdp(int cdp, int first, int last, int columns);

// The field sampled at its pixels: columns x rows, row by row.
struct Grid {
  int columns = 0, rows = 0;
  int firstCdp = 0, lastCdp = 0;
  double msPerRow = 0;
  bool interval = false;             // values are interval velocities
  std::vector<float> values;         // m/s; NaN where there is none (no interval below the last layer or undefined)
  std::vector<unsigned char> flags;  // LayerFlag of the layer at the cell (0 outside layers)
  float lo = 0, hi = 0;              // least and greatest value shown (0, 0 when none)
  float at(int x, int r) const { return values[static_cast<std::size_t>(r) * columns + x]; }
  unsigned flagAt(int x, int r) const { return flags[static_cast<std::size_t>(r) * columns + x]; }
};

// Empty grid (no values) when there are no functions or no cells.
Grid sampleField(const std::vector<CdpVelocityFunction>& functions, int firstCdp, int lastCdp, int columns, int rows,
                 double msPerRow, bool interval);

}  // namespace tsly::field
