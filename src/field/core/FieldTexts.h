// The texts of the "Velocity Field" window, of its picture (which tsly writes
// as well) and of its menu item, named once.
#pragma once

#include <string>

namespace tsly::fieldtext {

inline constexpr const char* MenuItem = "Velocity Field";
inline constexpr const char* WindowTitle = "Velocity Field";
inline constexpr const char* IntervalBox = "Interval velocity (Dix)";
inline constexpr const char* SavePngButton = "Save PNG...";

// The picture's captions.
inline constexpr const char* TimeCaption = "ms";
inline constexpr const char* ScaleCaption = "m/s";
inline constexpr const char* CdpCaption = "CDP";
inline constexpr const char* PickedLegend = "picked CDP";
inline constexpr const char* ShownLegend = "CDP shown";
inline constexpr const char* InversionLegend = "inversion: interval velocity falling or undefined";

// Notes on a field without values.
inline constexpr const char* NoPicks = "No picks yet: the field is drawn from the picks.";
inline constexpr const char* NoPanelFile = "No panel file is open.";

// "RMS velocity, CDP 101-300" or "Interval velocity (Dix), CDP 101-300" (one CDP: "CDP 101").
std::string title(bool interval, int firstCdp, int lastCdp);
// Under the picture in the window: "CDP 150, 1200 ms: RMS 2150 m/s" (interval:
// "interval 2380 m/s"; no value: "no interval velocity"; a flagged layer adds
// "; interval velocity falling" or "; interval velocity undefined").
std::string pointText(int cdp, double timeMs, bool interval, float value, unsigned flags);

}  // namespace tsly::fieldtext
