// The texts of "&Options" / "Auto Pick" (the first pass in the main window),
// named once.
#pragma once

#include <cstddef>
#include <string>

namespace tsly::autopicktext {

inline constexpr const char* Menu = "Auto Pick";
inline constexpr const char* ThisCdpItem = "Propose for This CDP";
inline constexpr const char* AllCdpsItem = "Propose for All CDPs";
inline constexpr const char* AcceptItem = "Accept Proposals\tA";
inline constexpr const char* AcceptAllItem = "Accept All Proposals";
inline constexpr const char* DropItem = "Drop Proposals\tD";
inline constexpr const char* DropAllItem = "Drop All Proposals";

// Status line texts.
inline std::string runningText(std::size_t done, std::size_t total) {
  return "Auto Pick: " + std::to_string(done) + " of " + std::to_string(total) + " CDPs";
}
inline std::string proposedText(std::size_t picks, std::size_t cdps) {
  return "Auto Pick: " + std::to_string(picks) + " picks proposed on " + std::to_string(cdps) +
         (cdps == 1 ? " CDP" : " CDPs");
}
inline std::string acceptedText(int picks) {
  return "Auto Pick: " + std::to_string(picks) + (picks == 1 ? " pick" : " picks") + " accepted";
}
inline constexpr const char* DroppedText = "Auto Pick: proposals dropped";
inline std::string failedText(const std::string& why) { return "Auto Pick failed: " + why; }

}  // namespace tsly::autopicktext
