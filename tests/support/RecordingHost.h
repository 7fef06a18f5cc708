// Test double of the main window's controls the panel display talks to.
#pragma once

#include <string>
#include <vector>

#include "display/core/PanelDisplay.h"

namespace tsly::test {

class RecordingHost : public DisplayHost {
 public:
  std::string status = "TSLY-4-Windows";
  std::vector<std::string> statusHistory;
  bool clearPicksEnabled = false;
  bool velfEnabled = false;
  int vpWidth = 481, vpHeight = 289;
  ScrollBars bars;

  void setStatusText(const std::string& t) override {
    status = t;
    statusHistory.push_back(t);
  }
  void setClearPicksEnabled(bool on) override { clearPicksEnabled = on; }
  void setVelfEnabled(bool on) override { velfEnabled = on; }
  int viewportWidth() const override { return vpWidth; }
  int viewportHeight() const override { return vpHeight; }
  void setScrollBars(const ScrollBars& b) override { bars = b; }
  std::vector<DisplayChange> changes;
  void displayChanged(DisplayChange what) override { changes.push_back(what); }
};

}  // namespace tsly::test
