// Text from files and command lines shown back to the user: names and
// offending lines made safe for a terminal or a message box, and lists of
// faults kept short.
//
//  - shownText: every control character (below 32, and 127) written as \xNN
//    (tab as \t), so an ESC or a NUL in a file never reaches the terminal;
//    cut after `maxChars` characters of the text given with "..." added.
//  - shownLine: shownText at the length an offending line is shown (80).
//  - FaultList: the first MaxFaultsListed faults as they come, then one line
//    "and N more" for the rest.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tsly {

inline constexpr std::size_t ShownLineChars = 80;
inline constexpr std::size_t MaxFaultsListed = 20;

std::string shownText(std::string_view text, std::size_t maxChars = std::string_view::npos);
inline std::string shownLine(std::string_view line) { return shownText(line, ShownLineChars); }
// A name within double quotes, escaped (names are never cut).
std::string quotedName(std::string_view name);

class FaultList {
 public:
  explicit FaultList(std::size_t listed = MaxFaultsListed) : listed_(listed) {}
  void add(std::string line);
  std::size_t count() const { return count_; }
  bool empty() const { return count_ == 0; }
  // The lines kept, then "and N more" when faults were left out.
  std::vector<std::string> lines() const;

 private:
  std::size_t listed_;
  std::size_t count_ = 0;
  std::vector<std::string> lines_;
};

}  // namespace tsly
