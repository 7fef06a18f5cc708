// The texts of the "Velocity Spectrum" window, of its picture (which tsly
// writes as well) and of its menu item, named once. Every message box of the window has the window's title, an OK button and the
// exclamation icon; lines are joined by CrLf.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tsly::spectrumtext {

inline constexpr const char* MenuItem = "Velocity Spectrum";
inline constexpr const char* WindowTitle = "Velocity Spectrum";
inline constexpr const char* BoxTitle = "Velocity Spectrum";

// The file dialog that asks for the CDP-gather file the panels were made from.
inline constexpr const char* GatherDialogTitle = "CDP Gather of the Panels";
inline constexpr const char* GatherButton = "Gather...";

// The boxes and buttons of the window.
inline constexpr const char* MinCaption = "Velocity from";
inline constexpr const char* MaxCaption = "to";
inline constexpr const char* StepCaption = "every";
inline constexpr const char* StretchCaption = "Stretch";
inline constexpr const char* ApplyButton = "Apply";
inline constexpr const char* PanelRangeButton = "Panel Range";
inline constexpr const char* SavePngButton = "Save PNG...";

// "Save PNG...".
inline constexpr const char* PngDialogTitle = "Save PNG";
inline constexpr const char* PngFilter = "PNG Pictures (*.png)|*.png|All Files (*.*)|*.*";
inline constexpr const char* PngDefaultExt = "png";

// The gather chosen does not hold every CDP of the panels:
// "<gather> does not hold every CDP of <panel file>." CrLf "Missing CDPs: 1001, 1011"
// ("Missing CDP: 1001" for one).
std::string missingCdpsText(const std::string& gather, const std::string& panelFile,
                            const std::vector<std::int16_t>& missing);

// The range boxes and the stretch box: what was typed, quoted, and what is wanted.
std::string lowestVelocityText(const std::string& typed);    // The lowest velocity "x" is not a number above 0.
std::string highestVelocityText(const std::string& typed, const std::string& lowest);
std::string velocityStepText(const std::string& typed);
std::string tooManyVelocitiesText(double count, std::size_t most);
std::string stretchText(const std::string& typed);

// "The picture could not be saved as <path>:" CrLf <reason>
std::string pngNotSavedText(const std::string& path, const std::string& reason);
// The name chosen for the picture is the panel file or the gather it is made from.
std::string pngWouldReplaceDataText(const std::string& path);

// The picture: the titles over the spectrum and the gather, the captions of
// the time labels and of the colour scale.
std::string spectrumTitle(std::int16_t cdp);  // CDP 1001 semblance
// "CDP 1001 moved out by its picks (stretch .5)", or "CDP 1001 as recorded (no picks)".
std::string gatherTitle(std::int16_t cdp, bool movedOut, float stretch);
inline constexpr const char* TimeCaption = "ms";
inline constexpr const char* ScaleCaption = "semblance";

// The window's status line.
std::string noPanelDataText();
std::string noGatherText(const std::string& panelFile);
std::string computingText(std::int16_t cdp);
std::string shownText(std::int16_t cdp, std::size_t traces, std::size_t picks, const std::string& gather);

}  // namespace tsly::spectrumtext
