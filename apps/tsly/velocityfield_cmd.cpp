// tsly velocity-field PICKS --png OUT [--interval] [--cdps A-B] [--force]
// The velocity field of the line a picks file gives, as the "Velocity Field"
// window draws it: laid out by the field core and painted by the same painter.
#include <iostream>
#include <memory>
#include <string>

#include "CliSupport.h"
#include "PngOutput.h"
#include "commands.h"
#include "deck/core/CdpRange.h"
#include "field/core/FieldTexts.h"
#include "field/core/VelocityFieldPicture.h"
#include "picks/core/PicksFile.h"
#include "platform/ShownText.h"
#include "qt/FigurePainter.h"
#include "qt/PngFile.h"
#include "shared/Numbers.h"

namespace tsly::cli {

namespace {

constexpr const char* Command = "velocity-field";

struct FieldOptions {
  std::string picks, png, cdps;
  bool interval = false, force = false;
};

int runField(const FieldOptions& o) {
  if (!inputAllowed(Command, o.picks)) return 1;
  picks::ParsedPicks p;
  if (const std::string err = picks::readPicksFile(o.picks, p); !err.empty()) return fail(Command, err);
  FaultList faults;
  for (const auto& r : p.refused)
    faults.add(shownText(o.picks) + " line " + std::to_string(r.line) + " \"" + shownLine(r.text) +
               "\": " + shownText(r.reason));
  for (const std::string& line : faults.lines()) fail(Command, line);
  if (!p.refused.empty()) return 1;

  field::FieldPictureInput in;
  in.functions = field::functionsOf(p.rows);
  if (in.functions.empty()) return fail(Command, shownText(o.picks) + " holds no picks: there is no field to draw");
  in.firstCdp = in.functions.front().cdp;
  in.lastCdp = in.functions.back().cdp;
  if (!o.cdps.empty() && !parseCdpRange(o.cdps, in.firstCdp, in.lastCdp))
    return fail(Command,
                "--cdps wants FIRST-LAST, whole CDP numbers with FIRST <= LAST, not '" + shownLine(o.cdps) + "'");
  in.lengthMs = field::shownLengthMs(in.functions);
  in.interval = o.interval;
  if (!outputAllowed(Command, o.png, o.force, {{o.picks, "the picks file read"}})) return 1;

  int picked = 0;
  for (const auto& f : in.functions) picked += f.cdp >= in.firstCdp && f.cdp <= in.lastCdp ? 1 : 0;
  ensureGuiApplication();
  stopOnSignals(false);
  const field::FieldPicture picture = field::layOutField(in, FigureTextMeasure());
  if (const std::string err = writePngFile(paintFigure(picture.figure), o.png); !err.empty()) return fail(Command, err);

  std::cout << fieldtext::title(in.interval, in.firstCdp, in.lastCdp) << ", 0-" << plainNumberText(in.lengthMs)
            << " ms, " << picked << (picked == 1 ? " picked CDP" : " picked CDPs") << " in the range";
  if (picture.layout.hi > picture.layout.lo)
    std::cout << ", " << nearest(picture.layout.grid.lo) << "-" << nearest(picture.layout.grid.hi) << " m/s";
  std::cout << "\n";
  const std::vector<int> flagged = field::flaggedCdps(in.functions, in.firstCdp, in.lastCdp);
  if (!flagged.empty()) {
    std::cout << "Inversions (interval velocity falling or undefined) at CDP";
    for (std::size_t k = 0; k < flagged.size(); ++k) std::cout << (k ? ", " : " ") << flagged[k];
    std::cout << "\n";
  }
  std::cout << "Written to " << o.png << "\n";
  return 0;
}

}  // namespace

void addVelocityFieldCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<FieldOptions>();
  auto* cmd = addCommand(
      app, exitCode, o, runField, Command,
      "Draw the velocity field of the line a picks file gives as a PNG picture: the RMS velocity of every CDP "
      "(time down, CDP across), interpolated between picked CDPs and in time as the VELF deck run interpolates, "
      "or with --interval the interval velocity (Dix) of its layers; picked CDPs marked, layers whose interval "
      "velocity falls or is undefined hatched, a colour scale in m/s. The field shows 0 ms to the latest pick and "
      "a tenth more.");
  cmd->add_option("PICKS", o->picks, "picks file saved by Tessaly")->required();
  cmd->add_option("--png", o->png, "PNG file to write")->required();
  cmd->add_flag("--interval", o->interval, "draw the interval velocity (Dix) instead of the RMS velocity");
  cmd->add_option("--cdps", o->cdps, "CDP range FIRST-LAST (default: first to last picked CDP)");
  cmd->add_flag("--force", o->force, "overwrite the PNG file if it exists");
}

}  // namespace tsly::cli
