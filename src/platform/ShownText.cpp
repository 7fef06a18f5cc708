#include "platform/ShownText.h"

namespace tsly {

std::string shownText(std::string_view text, std::size_t maxChars) {
  const bool cut = text.size() > maxChars;
  if (cut) text = text.substr(0, maxChars);
  std::string out;
  out.reserve(text.size() + (cut ? 3 : 0));
  static const char hex[] = "0123456789abcdef";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\t') {
      out += "\\t";
    } else if (c < 32 || c == 127) {
      out += "\\x";
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    } else {
      out.push_back(ch);
    }
  }
  if (cut) out += "...";
  return out;
}

std::string quotedName(std::string_view name) { return "\"" + shownText(name) + "\""; }

void FaultList::add(std::string line) {
  if (count_++ < listed_) lines_.push_back(std::move(line));
}

std::vector<std::string> FaultList::lines() const {
  std::vector<std::string> out = lines_;
  if (count_ > lines_.size()) out.push_back("and " + std::to_string(count_ - lines_.size()) + " more");
  return out;
}

}  // namespace tsly
