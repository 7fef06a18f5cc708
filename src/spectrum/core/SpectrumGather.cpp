#include "spectrum/core/SpectrumGather.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "spectrum/core/SpectrumWindowTexts.h"
#include "open/core/OpenTexts.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "shared/Texts.h"

namespace tsly {

std::vector<std::int16_t> missingPanelCdps(const GatherCdps& gather, const AppState& s) {
  std::vector<std::int16_t> missing;
  const std::int32_t n = std::min<std::int32_t>(s.CdpCount, static_cast<std::int32_t>(s.CdpList.size()));
  for (std::int32_t c = 1; c <= n; ++c) {
    const std::int16_t cdp = nearestI16(s.CdpList[static_cast<std::size_t>(c)]);
    if (!gather.has(cdp)) missing.push_back(cdp);
  }
  return missing;
}

std::string SpectrumGathers::remembered(const std::string& panelFile) const {
  const auto it = chosen_.find(panelFile);
  return it == chosen_.end() ? std::string() : it->second;
}

bool SpectrumGathers::stampOf(const std::string& path, Stamp& out) {
  std::error_code ec;
  out.size = std::filesystem::file_size(path, ec);
  if (ec) return false;
  const auto t = std::filesystem::last_write_time(path, ec);
  if (ec) return false;
  out.modified = static_cast<std::int64_t>(t.time_since_epoch().count());
  return true;
}

const GatherCdps* SpectrumGathers::gatherFor(Ui& ui, const AppState& s, bool ask) {
  if (scanning_ || s.DataFileName.empty()) return nullptr;
  const std::string gather = remembered(s.DataFileName);
  if (gather.empty()) return ask ? choose(ui, s) : nullptr;
  Stamp now;
  if (open_ && open_->path() == gather && stampOf(gather, now) && now == openStamp_) {
    // The panel file may have been opened again, with other CDPs.
    const std::vector<std::int16_t> missing = missingPanelCdps(*open_, s);
    if (missing.empty()) return open_.get();
    ui.message(spectrumtext::missingCdpsText(gather, s.DataFileName, missing), spectrumtext::BoxTitle, Buttons::Ok,
               Icon::Exclamation);
    chosen_.erase(s.DataFileName);
    return nullptr;
  }
  const GatherCdps* g = index(ui, s, gather);
  if (!g) chosen_.erase(s.DataFileName);
  return g;
}

const GatherCdps* SpectrumGathers::choose(Ui& ui, const AppState& s) {
  if (scanning_ || s.DataFileName.empty()) return nullptr;
  FileDialogRequest req;
  req.title = spectrumtext::GatherDialogTitle;
  req.filter = opentext::DialogFilter;
  req.filterIndex = 1;
  req.defaultExt = opentext::DialogDefaultExt;
  req.initialDir = s.LastPath;
  req.fileName = remembered(s.DataFileName);
  const FileDialogResult r = askFileName(ui, FileDialogKind::Open, req);
  if (r.status != FileDialogResult::Status::Chosen) return nullptr;
  const std::string panelFile = s.DataFileName;
  const GatherCdps* g = index(ui, s, r.path);
  // Remembered only for the panels it was checked against (events ran during the scan).
  if (g && s.DataFileName == panelFile) chosen_[panelFile] = r.path;
  return s.DataFileName == panelFile ? g : nullptr;
}

const GatherCdps* SpectrumGathers::index(Ui& ui, const AppState& s, const std::string& path) {
  auto g = std::make_unique<GatherCdps>();
  Stamp stamp;
  const bool stamped = stampOf(path, stamp);
  std::string error;
  {
    scanning_ = true;
    ui.setBusyCursor(true);
    error = g->open(path, [&ui](std::int32_t) { ui.processEvents(); });
    ui.setBusyCursor(false);
    scanning_ = false;
  }
  std::string text;
  // The scan's messages come as lines ended by "\n": in a box they are CR LF lines.
  for (char c : error) {
    if (c == '\n') text += CrLf;
    else text.push_back(c);
  }
  if (text.empty() && !stamped) text = path + ": " + ErrorOpeningFileText;
  if (text.empty()) {
    const std::vector<std::int16_t> missing = missingPanelCdps(*g, s);
    if (!missing.empty()) text = spectrumtext::missingCdpsText(path, s.DataFileName, missing);
  }
  if (!text.empty()) {
    ui.message(text, spectrumtext::BoxTitle, Buttons::Ok, Icon::Exclamation);
    return nullptr;
  }
  open_ = std::move(g);
  openStamp_ = stamp;
  return open_.get();
}

}  // namespace tsly
