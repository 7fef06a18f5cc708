// The texts of the start-up screen, named once: the previous-instance question
// and the words the splash picture shows.
#pragma once

#include <string>

namespace tsly::startup {

// Previous-instance question (Yes/No, question icon).
inline constexpr const char* PreviousInstanceTitle = "Previous Instance detected";
// "There is already an instance of this module running" CR LF
// "Do you really want to start another?"
std::string previousInstanceText();

// The splash picture: a banner, the disclaimer paragraph and the words in its
// two boxes. Banner lines are separated by "\n" (drawn text, not a message).
inline constexpr const char* SplashBannerTitle = "Tessaly";
inline constexpr const char* SplashBannerLines =
    "Velocity analysis for the Orogen\nseismic processing system\n"
    "Made by the Tessaly developers";
inline constexpr const char* SplashDisclaimer =
    "The makers of this software give no guarantee that it is free from errors or "
    "inaccuracies, and take no responsibility for interpretations based on data "
    "processed with it or for any decisions based thereon.";
inline constexpr const char* SplashOkWord = "OK";
inline constexpr const char* SplashPauseWord = "Pause";

}  // namespace tsly::startup
