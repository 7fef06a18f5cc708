// The panel display on a recording canvas, with the dialog and host doubles,
// its panel file written by the test (header-only, no Qt).
//
//   DisplayRig r;
//   r.make("scan.vsc", {{1001, 1500, 10}, {1001, 1800, 10}}, flatPanels());
//   r.display.refresh();
#pragma once

#include <string>
#include <vector>

#include "display/core/PanelDisplay.h"
#include "support/PanelFile.h"
#include "support/RecordingCanvas.h"
#include "support/RecordingHost.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

namespace tsly::test {

struct DisplayRig {
  AppState s;
  RecordingCanvas canvas;
  ScriptedUi ui;
  RecordingHost host;
  PanelDisplay display{s, canvas, ui, host};
  TempDir dir;
  std::string path;

  void make(const std::string& name, const std::vector<PanelSpec>& panels, const PanelFileOptions& o = {}) {
    path = writePanelFile(dir.file(name), panels, o, &s);
  }
};

}  // namespace tsly::test
