// Shared pieces of the fuzz targets: an in-memory file that the code under test
// opens by name and a canvas that draws nothing. The Ui is the console's, quiet
// (platform/ConsoleUi.h); the display host the tests' (tests/support/RecordingHost.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/Canvas.h"

namespace tsly::fuzz {

// One anonymous in-memory file per process, reachable by a path, rewritten for
// every input. Nothing touches the disk.
class MemFile {
 public:
  MemFile() {
    fd_ = memfd_create("tsly-fuzz", 0);
    if (fd_ < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemFile() { close(fd_); }
  void set(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(fd_, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
      ssize_t w = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (w <= 0) std::abort();
      done += static_cast<std::size_t>(w);
    }
  }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// A file of `bytes` kept for the whole run (fixtures made once): its path.
inline std::string lastingFile(const std::vector<unsigned char>& bytes) {
  static std::vector<std::unique_ptr<MemFile>> files;
  files.push_back(std::make_unique<MemFile>());
  files.back()->set(bytes.data(), bytes.size());
  return files.back()->path();
}

class NullCanvas : public Canvas {
 public:
  void setSize(int w, int h) override { w_ = w, h_ = h; }
  int width() const override { return w_; }
  int height() const override { return h_; }
  int logicalDpiX() const override { return 96; }
  int logicalDpiY() const override { return 96; }
  void clear() override {}
  void setPersistent(bool on) override { persistent_ = on; }
  bool persistent() const override { return persistent_; }
  void setPenMode(PenMode) override {}
  void setPenWidth(int) override {}
  void setPenColor(Rgb) override {}
  void moveTo(int, int) override {}
  void lineTo(int, int) override {}
  void polyline(const std::vector<PointI>&) override {}
  void fillPolygon(const std::vector<PointI>&) override {}
  void textOut(int, int, const std::string&) override {}
  int textWidth(const std::string& t) const override { return 7 * static_cast<int>(t.size()); }
  int textHeight(const std::string&) const override { return 13; }

 private:
  int w_ = 800, h_ = 600;
  bool persistent_ = true;
};

// A failed property: print it and abort so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "property failed: %s\n", what);
  std::abort();
}

}  // namespace tsly::fuzz
