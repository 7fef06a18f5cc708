// The CDP-gather file behind the open velocity-scan panels, for the velocity
// spectrum: asked for once per panel file and remembered for the session.
//
//   SpectrumGathers gathers;
//   const GatherCdps* g = gathers.gatherFor(ui, state, /*ask=*/true);
//
// Rules, stated once:
//  - The key is the panel file's name (DataFileName). gatherFor() gives the
//    gather remembered for it; with `ask` and none remembered it asks (choose()).
//  - choose() shows the file dialog (starting in LastPath, the Open filters),
//    indexes the file chosen (GatherCdps::open: the open scan's checks, gather
//    data only) and checks that it holds every CDP of the panels (CdpList). A
//    refusal is one message box naming what is wrong (for missing CDPs, each of
//    them) and nothing is remembered; Cancel ends without a message. An accepted
//    gather replaces the one remembered for the panel file.
//  - A remembered gather is indexed again when its size or modification time
//    changed since (it was rewritten); if it can no longer be used, the message
//    says why and it is forgotten.
//  - The scan lets events run (every hundredth trace) through Ui; a call made
//    while one is scanning returns nullptr at once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

// The CDPs of the panels (CdpList) that `gather` does not hold, in list order.
std::vector<std::int16_t> missingPanelCdps(const GatherCdps& gather, const AppState& s);

class SpectrumGathers {
 public:
  const GatherCdps* gatherFor(Ui& ui, const AppState& s, bool ask);
  const GatherCdps* choose(Ui& ui, const AppState& s);

  // The gather remembered for a panel file ("" when none).
  std::string remembered(const std::string& panelFile) const;
  bool scanning() const { return scanning_; }

 private:
  struct Stamp {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
    bool operator==(const Stamp&) const = default;
  };
  static bool stampOf(const std::string& path, Stamp& out);
  // Indexes `path` and checks it against the panels; nullptr (message shown) when refused.
  const GatherCdps* index(Ui& ui, const AppState& s, const std::string& path);

  std::map<std::string, std::string> chosen_;  // panel file -> gather file
  std::unique_ptr<GatherCdps> open_;           // the gather indexed last
  Stamp openStamp_;
  bool scanning_ = false;
};

}  // namespace tsly
