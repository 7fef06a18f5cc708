#include "spectrum/core/SpectrumWindowTexts.h"

#include "shared/Numbers.h"
#include "shared/State.h"

namespace tsly::spectrumtext {

namespace {

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::string missingCdpsText(const std::string& gather, const std::string& panelFile,
                            const std::vector<std::int16_t>& missing) {
  std::string list;
  for (std::int16_t c : missing) {
    if (!list.empty()) list += ", ";
    list += plainNumberText(static_cast<int>(c));
  }
  return gather + " does not hold every CDP of " + panelFile + "." + CrLf +
         (missing.size() == 1 ? "Missing CDP: " : "Missing CDPs: ") + list;
}

std::string lowestVelocityText(const std::string& typed) {
  return "The lowest velocity " + quoted(typed) + " is not a number above 0.";
}

std::string highestVelocityText(const std::string& typed, const std::string& lowest) {
  return "The highest velocity " + quoted(typed) + " is not a number above the lowest (" + lowest + ").";
}

std::string velocityStepText(const std::string& typed) {
  return "The velocity step " + quoted(typed) + " is not a number above 0.";
}

std::string tooManyVelocitiesText(double count, std::size_t most) {
  return "These velocities make " + plainNumberText(count) + " trial velocities; at most " +
         plainNumberText(static_cast<long long>(most)) + " can be shown.";
}

std::string stretchText(const std::string& typed) {
  return "The stretch ratio " + quoted(typed) + " is not a number from .1 to .99.";
}

std::string pngNotSavedText(const std::string& path, const std::string& reason) {
  return "The picture could not be saved as " + path + ":" + CrLf + reason;
}

std::string pngWouldReplaceDataText(const std::string& path) {
  return path + " holds the data this picture is made from; the picture is not saved over it.";
}

std::string spectrumTitle(std::int16_t cdp) { return "CDP " + plainNumberText(static_cast<int>(cdp)) + " semblance"; }

std::string gatherTitle(std::int16_t cdp, bool movedOut, float stretch) {
  const std::string c = "CDP " + plainNumberText(static_cast<int>(cdp));
  return movedOut ? c + " moved out by its picks (stretch " + plainNumberText(stretch) + ")"
                  : c + " as recorded (no picks)";
}

std::string noPanelDataText() { return "No velocity-scan panels are open."; }

std::string noGatherText(const std::string& panelFile) {
  return "No CDP-gather file chosen for " + panelFile + ": press " + GatherButton;
}

std::string computingText(std::int16_t cdp) {
  return "CDP " + plainNumberText(static_cast<int>(cdp)) + ": computing the spectrum...";
}

std::string shownText(std::int16_t cdp, std::size_t traces, std::size_t picks, const std::string& gather) {
  return "CDP " + plainNumberText(static_cast<int>(cdp)) + ": " + plainNumberText(static_cast<long long>(traces)) +
         (traces == 1 ? " live trace" : " live traces") + " of " + gather + ", " +
         plainNumberText(static_cast<long long>(picks)) + (picks == 1 ? " pick" : " picks");
}

}  // namespace tsly::spectrumtext
