// The velocity field of a line as one picture, laid out here as plain geometry
// and texts (a Figure, shared/Figure.h). The "Velocity Field" window shows and
// saves it and `tsly velocity-field --png` writes it, both through the same
// painter (qt/FigurePainter.h).
//
// Layout (pixels, y down), rules stated once:
//  - A title over the field: what it shows and the CDP range.
//  - A row of labels: "ms" over the time labels, the CDP labels centred on
//    their ticks (whole CDPs at axisTicks steps, at most one per 70 pixels,
//    left out where they would come near the one before), "m/s" over the
//    colour scale.
//  - The field: CDP across (columns as VelocityField.h says: as many pixels
//    per CDP as fit in FieldTargetWidth, at least one; a range wider than that
//    takes FieldTargetWidth columns), time down from 0 to lengthMs in
//    FieldRows rows, framed. Each cell coloured by the turbo map from the
//    least value shown (blue) to the greatest (dark red), both taken out to
//    whole tens; cells without a value light grey; cells of a flagged layer
//    hatched (black diagonals every HatchStep pixels). Time ticks and labels
//    on its left at axisTicks steps, at most one per 40 rows.
//  - Picked CDPs: a black triangle under the field at the CDP's columns and
//    a ring at each pick inside it. The CDP shown (the window's): a red
//    triangle above the field.
//  - The colour scale beside the field, its greatest value at the top,
//    labelled at axisTicks steps.
//  - Under the field: "CDP", then a legend (picked CDP, CDP shown when there
//    is one, the hatching).
//  - Without values a grey field with the note centred on it.
#pragma once

#include <string>
#include <vector>

#include "field/core/VelocityField.h"
#include "moveout/core/VelocityFunction.h"
#include "shared/Figure.h"

namespace tsly::field {

inline constexpr int FieldTargetWidth = 720;
inline constexpr int FieldRows = 480;
inline constexpr int HatchStep = 6;
inline constexpr Argb NoValueColour = 0xFFE1E1E1u;
inline constexpr Argb HatchColour = 0xFF000000u;
inline constexpr Argb ShownColour = 0xFFD00000u;

// Turbo colour of t in 0..1 (clamped), 0xFFRRGGBB.
Argb turbo(double t);

struct FieldPictureInput {
  std::vector<CdpVelocityFunction> functions;  // ascending CDP
  int firstCdp = 0, lastCdp = 0;
  double lengthMs = 0;
  bool interval = false;
  bool hasShownCdp = false;
  int shownCdp = 0;
  std::string note;  // on a field without values (no picks)
};

// The field's place in the picture and its values.
struct FieldLayout {
  int width = 0, height = 0;
  int plotLeft = 0, plotTop = 0, columns = 0, rows = 0;
  double msPerRow = 0;
  float lo = 0, hi = 0;  // colour scale
  Grid grid;
  bool inPlot(int x, int y) const {
    return x >= plotLeft && x < plotLeft + columns && y >= plotTop && y < plotTop + rows;
  }
  // CDP and time at a pixel of the picture (clamped to the field).
  int cdpAt(int x) const;
  double timeAt(int y) const;
};

struct FieldPicture {
  FieldLayout layout;
  Figure figure;
};

// The columns of a range first..last (see above).
int fieldColumns(int firstCdp, int lastCdp);

FieldPicture layOutField(const FieldPictureInput& in, const TextMeasure& measure);

}  // namespace tsly::field
