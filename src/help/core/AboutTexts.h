// The texts of the About window, named once. Lines of a multi-line message are
// joined with CR LF.
#pragma once

#include <string>

namespace tsly {

// The About window.
inline constexpr const char* AboutCaption = "Tessaly  Ver. 4.0.32c";
inline constexpr const char* AboutCreditsTitle = "About";

// The disclaimer shown by "OK": six lines, each followed by CR LF.
std::string aboutDisclaimer();
// The credits: the caption, then the author and the years of the work.
std::string aboutCredits(const std::string& caption);

}  // namespace tsly
