// The velocity-function check of `tsly velocity-check` and the "Velocity
// Function" window: picks from any bytes, as (time, velocity) pairs or as the
// text of a picks file grouped by CDP. Every pick with a velocity gets its row,
// rows stand in time order, a flag means what it says, an interval velocity is
// a finite number, and the table is one line a row with no control character.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "picks/core/PicksFile.h"
#include "picks/core/VelocityCheck.h"

using namespace tsly;

namespace {

void check(int cdp, const std::vector<vcheck::TimeVelocity>& picks) {
  const std::vector<vcheck::VelocityRow> rows = vcheck::analyse(picks);
  std::size_t withVelocity = 0;
  for (const auto& p : picks) withVelocity += p.velocity != 0;
  if (rows.size() != withVelocity) fuzz::fail("a pick without its row");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const vcheck::VelocityRow& r = rows[i];
    if (i == 0 && (r.flags != vcheck::NoFlag || r.hasInterval)) fuzz::fail("the first row has an interval");
    if (i == 0) continue;
    const vcheck::VelocityRow& p = rows[i - 1];
    if (p.timeMs > r.timeMs) fuzz::fail("rows out of time order");
    if (((r.flags & vcheck::EqualTimes) != 0) != !(r.timeMs > p.timeMs)) fuzz::fail("equal-times flag wrong");
    if (((r.flags & vcheck::Inversion) != 0) != (r.rmsVelocity < p.rmsVelocity)) fuzz::fail("inversion flag wrong");
    if (r.hasInterval && (!std::isfinite(r.intervalVelocity) || r.intervalVelocity < 0 ||
                          (r.flags & (vcheck::Imaginary | vcheck::EqualTimes))))
      fuzz::fail("an interval velocity that is none");
  }
  const std::string table = vcheck::tableText(cdp, rows);
  std::size_t lines = 0;
  for (char c : table) {
    if (static_cast<unsigned char>(c) < 32 && c != '\n') fuzz::fail("a control character in the table");
    lines += c == '\n';
  }
  if (lines != (rows.empty() ? 1 : rows.size() + 2)) fuzz::fail("the table is not one line a row");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  if (data[0] & 1) {
    // As tsly velocity-check reads a picks file.
    const picks::ParsedPicks p =
        picks::parsePicksText(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    std::map<int, std::vector<vcheck::TimeVelocity>> byCdp;
    for (const auto& r : p.rows) byCdp[r.cdp].push_back({r.timeMs, r.velocity});
    for (const auto& [cdp, tv] : byCdp) check(cdp, tv);
    return 0;
  }
  // Raw pairs: 4 bytes of time (a float), 2 of velocity; times as a pick can hold them (finite).
  std::vector<vcheck::TimeVelocity> picks;
  for (std::size_t k = 1; k + 6 <= size && picks.size() < 64; k += 6) {
    vcheck::TimeVelocity tv;
    std::memcpy(&tv.timeMs, data + k, 4);
    std::memcpy(&tv.velocity, data + k + 4, 2);
    if (std::isfinite(tv.timeMs)) picks.push_back(tv);
  }
  check(-1, picks);
  return 0;
}
