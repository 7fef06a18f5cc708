#include "picks/core/PickEdits.h"

#include <algorithm>
#include <cmath>

#include "picks/core/PickTable.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {

CdpPicks* recordOf(AppState& s, std::int32_t record) {
  return s.PickTable.valid(record) ? &s.PickTable[static_cast<std::size_t>(record)] : nullptr;
}

// The slot of another pick of `rec` (not `except`) at exactly `timeMs`, or 0.
int slotAtTime(const CdpPicks& rec, float timeMs, int except) {
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (k != except && rec.PickVelocity[k] != 0 && rec.PickTime[k] == timeMs) return k;
  return 0;
}

// The duplicate-time box, worded as the check words it: the pick already
// there first, then the one refused.
void refuse(AppState& s, Ui& ui, std::int32_t record, const CdpPicks& rec, int there, std::int16_t velocity) {
  const float cdp = s.CdpList.valid(record) ? s.CdpList[static_cast<std::size_t>(record)] : static_cast<float>(rec.Cdp);
  s.MessageText = std::string(pickstext::DuplicateLine1) + CrLf + numberText(rec.PickVelocity[there]) +
                  pickstext::DuplicateAnd + numberText(velocity) + pickstext::DuplicateOnCdp + numberText(cdp);
  ui.message(s.MessageText, DuplicatePicksTitle, Buttons::Ok, Icon::Information);
}

}  // namespace

bool pickVelocityAllowed(double v) { return v >= MinPickVelocity && v <= MaxPickVelocity; }

std::int16_t panelOfVelocity(const AppState& s, std::int16_t cdp, std::int16_t velocity) {
  const std::int32_t panels = std::clamp<std::int32_t>(s.PanelCount, 0, static_cast<std::int32_t>(s.PanelTable.size()));
  for (std::int32_t p = 1; p <= panels && velocity != 0; ++p) {
    const PanelEntry& e = s.PanelTable[static_cast<std::size_t>(p)];
    if (e.FirstCdp == cdp && e.Velocity == velocity) return static_cast<std::int16_t>(std::min<std::int32_t>(p, 32767));
  }
  return 0;
}

int slotOf(const CdpPicks& rec, float timeMs, std::int16_t velocity) {
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (rec.PickVelocity[k] != 0 && rec.PickVelocity[k] == velocity && rec.PickTime[k] == timeMs) return k;
  return 0;
}

PickEdit addPick(AppState& s, Ui& ui, std::int32_t record, float timeMs, std::int16_t velocity) {
  CdpPicks* rec = recordOf(s, record);
  if (!rec || !pickVelocityAllowed(velocity)) return PickEdit::NoPick;
  if (const int there = slotAtTime(*rec, timeMs, 0)) {
    refuse(s, ui, record, *rec, there, velocity);
    return PickEdit::Refused;
  }
  int k = 1;  // the lowest empty slot, as a panel click takes it
  while (k <= PicksPerCdp && rec->PickVelocity[k] != 0) ++k;
  if (k > PicksPerCdp) return PickEdit::Full;
  rec->PickTime[k] = timeMs;
  rec->PickVelocity[k] = velocity;
  rec->PickPanel[k] = panelOfVelocity(s, rec->Cdp, velocity);
  return PickEdit::Done;
}

PickEdit movePick(AppState& s, Ui& ui, std::int32_t record, int slot, float timeMs, std::int16_t velocity) {
  CdpPicks* rec = recordOf(s, record);
  if (!rec || slot < 1 || slot > PicksPerCdp || rec->PickVelocity[slot] == 0 || !pickVelocityAllowed(velocity))
    return PickEdit::NoPick;
  if (const int there = slotAtTime(*rec, timeMs, slot)) {
    refuse(s, ui, record, *rec, there, velocity);
    return PickEdit::Refused;
  }
  rec->PickTime[slot] = timeMs;
  rec->PickVelocity[slot] = velocity;
  rec->PickPanel[slot] = panelOfVelocity(s, rec->Cdp, velocity);
  return PickEdit::Done;
}

PickEdit removePick(AppState& s, std::int32_t record, int slot) {
  CdpPicks* rec = recordOf(s, record);
  if (!rec || slot < 1 || slot > PicksPerCdp || rec->PickVelocity[slot] == 0) return PickEdit::NoPick;
  for (int k = slot; k < PicksPerCdp; ++k) {
    rec->PickTime[k] = rec->PickTime[k + 1];
    rec->PickVelocity[k] = rec->PickVelocity[k + 1];
    rec->PickPanel[k] = rec->PickPanel[k + 1];
  }
  rec->PickTime[PicksPerCdp] = 0.0f;
  rec->PickVelocity[PicksPerCdp] = 0;
  return PickEdit::Done;
}

std::vector<float> guideVelocities(const AppState& s, std::int32_t record, double firstMs, double dtMs,
                                   std::int32_t count) {
  if (!s.PickTable.valid(record) || count <= 0) return {};
  const std::int16_t own = s.PickTable[static_cast<std::size_t>(record)].Cdp;
  std::vector<CdpVelocityFunction> functions;
  for (int r : recordsInCdpOrder(s.PickTable, usableRecords(s))) {
    const CdpPicks& rec = s.PickTable[static_cast<std::size_t>(r)];
    if (rec.Cdp == own || picksInUse(rec) == 0) continue;
    if (!functions.empty() && functions.back().cdp == rec.Cdp) continue;  // one function per CDP
    CdpVelocityFunction f;
    f.cdp = rec.Cdp;
    for (int k = 1; k <= PicksPerCdp; ++k)
      if (rec.PickVelocity[k] != 0) f.picks.push_back({rec.PickTime[k], static_cast<float>(rec.PickVelocity[k])});
    std::stable_sort(f.picks.begin(), f.picks.end(),
                     [](const VelocityPick& a, const VelocityPick& b) { return a.timeMs < b.timeMs; });
    functions.push_back(std::move(f));
  }
  if (functions.empty()) return {};
  return velocitiesForCdp(functions, own, firstMs, dtMs, count);
}

std::vector<std::vector<PlanePoint>> dashed(const std::vector<PlanePoint>& line, double on, double off) {
  std::vector<std::vector<PlanePoint>> dashes;
  if (line.size() < 2 || !(on > 0) || !(off >= 0)) return dashes;
  bool drawing = true;
  double left = on;  // of the dash or gap under way
  std::vector<PlanePoint> dash{line.front()};
  for (std::size_t i = 1; i < line.size(); ++i) {
    PlanePoint a = line[i - 1];
    const PlanePoint b = line[i];
    double length = std::hypot(b.x - a.x, b.y - a.y);
    while (length >= left) {
      const double f = length > 0 ? left / length : 0.0;
      const PlanePoint cut{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
      if (drawing) {
        dash.push_back(cut);
        dashes.push_back(std::move(dash));
        dash.clear();
      } else {
        dash = {cut};
      }
      length -= left;
      a = cut;
      drawing = !drawing;
      left = drawing ? on : off;
      if (left <= 0) {  // no gaps: the next dash starts at once
        drawing = true;
        left = on;
        dash = {cut};
      }
    }
    left -= length;
    if (drawing) dash.push_back(b);
  }
  const bool hasLength = std::any_of(dash.begin(), dash.end(), [&](const PlanePoint& p) {
    return p.x != dash.front().x || p.y != dash.front().y;
  });
  if (drawing && hasLength) dashes.push_back(std::move(dash));
  return dashes;
}

}  // namespace tsly
