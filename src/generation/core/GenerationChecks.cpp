// The checks of "Generate Panels", in order, each on all of its entries: one
// message box per bad entry, and every check runs even after one has failed.
#include "generation/core/Generation.h"
#include "generation/core/GenerationTexts.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {

void tell(Ui& ui, const std::string& text, const char* title, bool& bad) {
  ui.message(text, title, Buttons::Ok, Icon::Information);
  bad = true;
}

// Start CDPs within the file's CDP range; velocities positive.
void checkRanges(const GenerationParams& p, const AppState& s, Ui& ui, bool& bad) {
  for (size_t k = 0; k < p.startCdps.size(); ++k) {
    const float v = p.startCdps[k];
    if (!(static_cast<float>(s.MinKey) <= v && v <= static_cast<float>(s.MaxKey)))
      tell(ui, gentext::cdpOutOfRangeText(v, k + 1), gentext::BadCdpTitle, bad);
  }
  for (size_t k = 0; k < p.velocities.size(); ++k)
    if (!(p.velocities[k] > 0.0f))
      tell(ui, gentext::velocityNonPositiveText(p.velocities[k], k + 1), gentext::BadVelocityTitle, bad);
}

// Output length within the trace length as the shared state holds it now.
void checkLength(const GenerationParams& p, const AppState& s, Ui& ui, bool& bad) {
  const double full = (static_cast<double>(s.SampleInterval) / 1000.0) * static_cast<double>(s.NumSamples);
  if (!(p.lengthMs > 0.0 && p.lengthMs <= full)) tell(ui, gentext::BadLengthText, gentext::BadLengthTitle, bad);
}

// Every pair of equal entries, positions a < b.
void checkDuplicates(const GenerationParams& p, Ui& ui, bool& bad) {
  const auto& cdps = p.startCdps;
  for (size_t a = 0; a < cdps.size(); ++a)
    for (size_t b = a + 1; b < cdps.size(); ++b)
      if (cdps[a] == cdps[b]) tell(ui, gentext::duplicateCdpsText(a + 1, b + 1), gentext::DuplicateCdpsTitle, bad);
  const auto& vels = p.velocities;
  for (size_t a = 0; a < vels.size(); ++a)
    for (size_t b = a + 1; b < vels.size(); ++b)
      if (vels[a] == vels[b])
        tell(ui, gentext::duplicateVelocitiesText(a + 1, b + 1), gentext::DuplicateVelocitiesTitle, bad);
}

// Values the 16-bit header words cannot hold are refused before anything is
// written: the separator's word 12 carries the velocity, word 12 of the data
// the CDP number.
void checkSixteenBits(const GenerationParams& p, Ui& ui, bool& bad) {
  for (size_t k = 0; k < p.velocities.size(); ++k)
    if (p.velocities[k] > 0.0f && !fitsI16(p.velocities[k]))
      tell(ui, gentext::velocityTooLargeText(p.velocities[k], k + 1), gentext::BadVelocityTitle, bad);
  const std::int64_t count = cdpsPerBlock(p.cdpsPerPanel);
  if (count <= 0) return;
  for (size_t k = 0; k < p.startCdps.size(); ++k) {
    const float last = p.startCdps[k] + static_cast<float>(count - 1);
    if (!fitsI16(last)) tell(ui, gentext::cdpTooLargeText(last, k + 1), gentext::BadCdpTitle, bad);
  }
}

std::string upperAscii(std::string s) {
  for (char& ch : s)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return s;
}

}  // namespace

bool validateGeneration(const GenerationParams& p, const AppState& s, Ui& ui) {
  bool bad = false;
  checkRanges(p, s, ui, bad);
  checkLength(p, s, ui, bad);
  checkDuplicates(p, ui, bad);
  checkSixteenBits(p, ui, bad);
  return !bad;
}

std::string generationOutputName(const std::string& entered, bool upper) {
  const size_t b = entered.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  const size_t e = entered.find_last_not_of(' ');
  const std::string name = entered.substr(b, e - b + 1);
  if (!upper) return name;
  const size_t slash = name.find_last_of('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  return name.substr(0, start) + upperAscii(name.substr(start));
}

}  // namespace tsly
