#include "picks/PicksCommands.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "picks/VelocityFunctionWindow.h"
#include "platform/Paths.h"
#include "shared/ExchangeOutput.h"
#include "shared/FileTexts.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"
#include "shared/OutputCheck.h"
#include "shared/Texts.h"

namespace tsly {

namespace pickstext {

namespace {
std::string count(std::size_t n, const char* one, const char* many) {
  return plainNumberText(static_cast<long long>(n)) + " " + (n == 1 ? one : many);
}
}  // namespace

std::string savedStatus(std::size_t picks, const std::string& path) {
  return count(picks, "pick", "picks") + " saved to " + path;
}

std::string exportedStatus(std::size_t picks, const std::string& path) {
  return count(picks, "pick", "picks") + " exported to " + path;
}

std::string unsavedText(std::size_t picks, std::size_t cdps, const std::string& dataFile, Leaving why) {
  std::string t = count(picks, "pick", "picks") + " on " + count(cdps, "CDP", "CDPs") + " of " +
                  picks::printable(dataFile) + (picks == 1 ? " has" : " have") +
                  " been neither saved nor sent as VELF commands." + CrLf;
  switch (why) {
    case Leaving::Exit: t += "Save them before Tessaly ends?"; break;
    case Leaving::Open: t += "Save them before another file is opened?"; break;
    case Leaving::Load: t += "Save them before the picks file replaces them?"; break;
  }
  return t;
}

}  // namespace pickstext

using namespace pickstext;

namespace {

std::size_t cdpCount(const std::vector<picks::PickRow>& rows) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (i == 0 || rows[i].cdp != rows[i - 1].cdp) ++n;
  return n;
}

bool endsWith(const std::string& name, const char* ext) {
  const std::string tail = std::string(".") + ext;
  if (name.size() <= tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char a = name[name.size() - tail.size() + i];
    if (std::tolower(static_cast<unsigned char>(a)) != tail[i]) return false;
  }
  return true;
}

}  // namespace

PicksCommands::PicksCommands(AppState& state, Ui& ui, PicksHost& host, QWidget* window, QMenu* options,
                             QObject* parent)
    : QObject(parent), st_(state), ui_(ui), host_(host), window_(window) {
  auto item = [this, options](const char* name, const char* caption, void (PicksCommands::*slot)()) {
    QAction* a = options->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(false);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  save_ = item("savepicks", SaveItem, &PicksCommands::savepicks);
  load_ = item("loadpicks", LoadItem, &PicksCommands::loadpicks);
  export_ = item("exportpicks", ExportItem, &PicksCommands::exportpicks);
  velfunction_ = item("velfunction", VelocityFunctionItem, &PicksCommands::velfunction);
  host_.addPicksListener([this] { updateVelocityFunction(); });
}

PicksCommands::~PicksCommands() = default;

void PicksCommands::enableItems(bool on) {
  for (QAction* a : {save_, load_, export_, velfunction_}) a->setEnabled(on);
}

void PicksCommands::setPanelData(bool open) {
  panelData_ = open;
  enableItems(open);
  if (open) {
    // A fresh table for the file just opened. Clicks queued behind its first
    // redraw may have stored picks already: they are not marked as saved.
    dataFile_ = st_.DataFileName;
    savePoint_.markEmpty(dataFile_);
  }
  updateVelocityFunction();
}

void PicksCommands::deckSent() { savePoint_.mark(st_, dataFile_); }

bool PicksCommands::unsaved() const { return savePoint_.unsaved(st_, dataFile_); }

bool PicksCommands::mayDiscard(Leaving why) {
  if (!unsaved()) return true;
  const std::vector<picks::PickRow> rows = picks::tableRows(st_);
  st_.MessageText = unsavedText(rows.size(), cdpCount(rows), dataFile_, why);
  switch (ui_.message(st_.MessageText, UnsavedTitle, Buttons::YesNoCancel, Icon::Exclamation)) {
    case Answer::Yes: return save();
    case Answer::No: return true;
    default: return false;
  }
}

std::string PicksCommands::proposedName(const char* ext) const {
  const std::string& shared = host_.dialogFileName();
  if (endsWith(shared, ext)) return shared;
  const std::string folder = st_.LastPath.empty() ? folderOf(dataFile_) : st_.LastPath;
  return joinPath(folder, std::filesystem::path(dataFile_).stem().string() + "." + ext);
}

// The name chosen in a file dialog, remembered by the shared dialog state. False
// when nothing was chosen (a dialog that failed has said so).
bool PicksCommands::takeChosen(const FileDialogResult& chosen) {
  if (chosen.status != FileDialogResult::Status::Chosen || chosen.path.empty()) return false;
  host_.dialogFileName() = chosen.path;
  return true;
}

bool PicksCommands::outputAllowed(const std::string& path, const char* title) {
  std::vector<NamedFile> inUse = host_.dataFilesInUse();
  inUse.push_back({dataFile_, "the panel file of the picks"});
  inUse.push_back({st_.DataFileName, "the data file open"});
  const OutputCheck c = checkOutputFile(path, inUse, true);
  if (c.ok()) return true;
  st_.MessageText =
      c.verdict == OutputCheck::Verdict::IsInput ? overDataFileText(inUse[c.input].path) : notWrittenText(c.message);
  ui_.message(st_.MessageText, title, Buttons::Ok, Icon::Exclamation);
  return false;
}

// ---- Save -------------------------------------------------------------------

void PicksCommands::savepicks() {
  if (picks::tableRows(st_).empty()) {
    st_.MessageText = NoPicksToSave;
    ui_.message(st_.MessageText, SaveTitle, Buttons::Ok, Icon::Information);
    return;
  }
  save();
}

bool PicksCommands::save() {
  FileDialogRequest request;
  request.title = SaveDialogTitle;
  request.filter = SaveFilter;
  request.filterIndex = 1;
  request.defaultExt = PicksExt;
  request.initialDir = st_.LastPath;
  request.fileName = proposedName(PicksExt);
  const FileDialogResult chosen = askFileName(ui_, FileDialogKind::Save, request);
  if (!takeChosen(chosen)) return false;
  if (!outputAllowed(chosen.path, SaveTitle)) return false;
  std::int16_t mode = 1;
  if (ConfirmTargetFile(ui_, st_, chosen.path, mode) == 0) return false;

  const std::vector<picks::PickRow> rows = picks::tableRows(st_);
  const std::string error = writeTextFileWhole(chosen.path, picks::picksFileText(dataFile_, rows));
  if (!error.empty()) {
    st_.MessageText = saveFailedText(chosen.path, error);
    ui_.message(st_.MessageText, SaveTitle, Buttons::Ok, Icon::Exclamation);
    return false;
  }
  savePoint_.mark(st_, dataFile_);
  host_.setStatusText(savedStatus(rows.size(), chosen.path));
  return true;
}

// ---- Load -------------------------------------------------------------------

void PicksCommands::loadpicks() {
  // The picks of the CDP being drawn are drawn at the end of the redraw: the
  // load waits for it, as clicks and Clear Picks do.
  if (host_.runAfterRedraw([this] { loadpicks(); })) return;
  if (!panelData_) return;
  if (!mayDiscard(Leaving::Load)) return;

  FileDialogRequest request;
  request.title = LoadDialogTitle;
  request.filter = LoadFilter;
  request.filterIndex = 1;
  request.defaultExt = PicksExt;
  request.initialDir = st_.LastPath;
  request.fileName = proposedName(PicksExt);
  const FileDialogResult chosen = askFileName(ui_, FileDialogKind::Open, request);
  if (!takeChosen(chosen)) return;

  picks::ParsedPicks parsed;
  const std::string error = picks::readPicksFile(chosen.path, parsed);
  if (!error.empty()) {
    st_.MessageText = readFailedText(error);
    ui_.message(st_.MessageText, LoadTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  picks::PicksCheck check = picks::checkPicks(parsed, st_);
  // Checked against the file the table belongs to, whatever was opened since.
  check.otherFile = !check.savedFor.empty() && check.savedFor != dataFile_ &&
                    !sameExistingFile(check.savedFor, dataFile_);
  st_.MessageText = picks::loadReport(check, CrLf);
  if (check.accepted.empty()) {
    // Nothing to put in their place: the picks of the table stay.
    st_.MessageText += std::string(CrLf) + NothingLoaded;
    ui_.message(st_.MessageText, LoadTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  picks::applyPicks(st_, check);
  savePoint_.mark(st_, dataFile_);
  host_.picksStored();
  updateVelocityFunction();
  // The picks of the CDP shown are drawn again with its panels.
  host_.redrawPicks();
  const bool clean = check.refused.empty() && !check.otherFile;
  ui_.message(st_.MessageText, LoadTitle, Buttons::Ok, clean ? Icon::Information : Icon::Exclamation);
}

// ---- Export -----------------------------------------------------------------

void PicksCommands::exportpicks() {
  const std::vector<picks::PickRow> rows = picks::tableRows(st_);
  if (rows.empty()) {
    st_.MessageText = NoPicksToExport;
    ui_.message(st_.MessageText, ExportTitle, Buttons::Ok, Icon::Information);
    return;
  }
  FileDialogRequest request;
  request.title = ExportDialogTitle;
  request.filter = ExportFilter;
  // The format chosen last time is proposed again.
  const bool csvBefore = exportCsv_;
  request.filterIndex = csvBefore ? ExportCsvFilter : ExportParFilter;
  request.defaultExt = csvBefore ? CsvExt : ParExt;
  request.initialDir = st_.LastPath;
  request.fileName = proposedName(csvBefore ? CsvExt : ParExt);
  const FileDialogResult chosen = askFileName(ui_, FileDialogKind::Save, request);
  if (!takeChosen(chosen)) return;
  if (!outputAllowed(chosen.path, ExportTitle)) return;

  // The filter chosen says the format; a dialog that cannot tell goes by the
  // name's extension.
  const bool csv = chosen.filterIndex == ExportCsvFilter ||
                   (chosen.filterIndex != ExportParFilter && endsWith(chosen.path, CsvExt));
  exportCsv_ = csv;
  std::string text;
  if (csv) {
    text = picks::csvText(rows);
  } else {
    std::string refused;
    text = picks::parText(rows, refused);
    if (!refused.empty()) {
      st_.MessageText = parRefusedText(refused);
      ui_.message(st_.MessageText, ExportTitle, Buttons::Ok, Icon::Exclamation);
      return;
    }
  }
  std::int16_t mode = 1;
  if (ConfirmTargetFile(ui_, st_, chosen.path, mode) == 0) return;
  const std::string error = writeTextFileWhole(chosen.path, text);
  if (!error.empty()) {
    st_.MessageText = exportFailedText(chosen.path, error);
    ui_.message(st_.MessageText, ExportTitle, Buttons::Ok, Icon::Exclamation);
    return;
  }
  host_.setStatusText(exportedStatus(rows.size(), chosen.path));
}

// ---- Velocity Function ------------------------------------------------------

void PicksCommands::velfunction() {
  if (!velocityFunction_) {
    velocityFunction_ = new VelocityFunctionWindow(window_);
    host_.placeBeside(velocityFunction_);
  }
  updateVelocityFunction();
  velocityFunction_->show();
  velocityFunction_->raise();
  velocityFunction_->activateWindow();
}

void PicksCommands::updateVelocityFunction() {
  if (!velocityFunction_) return;
  const std::int32_t c = st_.CurrentCdp;
  if (!panelData_ || c < 1 || c > st_.CdpCount || !st_.PickTable.valid(c)) {
    velocityFunction_->clearCdp();
    return;
  }
  const CdpPicks& record = st_.PickTable[static_cast<std::size_t>(c)];
  velocityFunction_->setCdp(record.Cdp, record);
}

}  // namespace tsly
