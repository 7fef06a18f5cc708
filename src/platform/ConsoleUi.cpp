#include "platform/ConsoleUi.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace tsly {

std::string terminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

TerminalProgress::TerminalProgress(std::string unit, bool lines)
    : unit_(std::move(unit)), lines_(lines), terminal_(::isatty(2) == 1) {}

void TerminalProgress::update(std::int64_t done, std::int64_t total) {
  if (lines_) {
    std::fprintf(stderr, "progress %lld %lld\n", static_cast<long long>(done), static_cast<long long>(total));
    std::fflush(stderr);
  }
  if (total <= 0) return;
  const int width = 40;
  const int filled = static_cast<int>(done * width / total);
  show("[" + std::string(static_cast<std::size_t>(filled), '#') +
       std::string(static_cast<std::size_t>(width - filled), '.') + "] " + std::to_string(done) + "/" +
       std::to_string(total) + " " + unit_);
}

void TerminalProgress::note(const std::string& text) { show(text); }

void TerminalProgress::show(const std::string& text) {
  if (!terminal_ || (shown_ && text == last_)) return;
  std::fputs(("\r" + text).c_str(), stderr);
  std::fflush(stderr);
  last_ = text;
  shown_ = true;
}

void TerminalProgress::end() {
  if (shown_) std::fputs("\n", stderr);
  shown_ = false;
  last_.clear();
}

Answer ConsoleUi::message(const std::string& text, const std::string&, Buttons buttons, Icon) {
  if (progress_) progress_->end();
  if (mode_ == Mode::Stderr) std::fprintf(stderr, "%s\n", terminalText(text).c_str());
  return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

}  // namespace tsly
