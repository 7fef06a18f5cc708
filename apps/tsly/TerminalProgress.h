// A progress bar on stderr for tsly's long commands, drawn only when stderr is
// a terminal (never into a log or a pipe). end() finishes the bar's line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace tsly::cli {

class TerminalProgress {
 public:
  explicit TerminalProgress(std::string unit) : unit_(std::move(unit)), enabled_(::isatty(2) == 1) {}
  ~TerminalProgress() { end(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  void update(std::int64_t done, std::int64_t total) {
    if (!enabled_ || total <= 0) return;
    const int width = 40;
    const int filled = static_cast<int>(done * width / total);
    if (shown_ && filled == lastFilled_ && done != total) return;
    lastFilled_ = filled;
    const std::string line = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                             std::string(static_cast<size_t>(width - filled), '.') + "] " + std::to_string(done) +
                             "/" + std::to_string(total) + " " + unit_;
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    shown_ = true;
  }
  void end() {
    if (shown_) std::fputs("\n", stderr);
    shown_ = false;
  }

 private:
  std::string unit_;
  bool enabled_;
  bool shown_ = false;
  int lastFilled_ = -1;
};

}  // namespace tsly::cli
