#include "jobs/core/EditVelf.h"

#include <optional>

#include "deck/core/VelfDeck.h"
#include "picks/core/PickTable.h"
#include "shared/FileUtil.h"
#include "shared/Texts.h"

namespace tsly {

namespace {

using namespace velftext;

enum class FileAnswer { Chosen, Given, Cancelled, BrowseCancelled, BrowseFailed };

// The shared browse dialog of the data-file and output-file questions.
FileAnswer browse(VelfCommandContext& ctx, std::string& name) {
  FileDialogRequest req;
  req.title = BrowseTitle;
  req.filter = BrowseFilter;
  req.filterIndex = 1;
  req.defaultExt = BrowseDefaultExt;
  req.initialDir = ctx.state.LastPath;
  req.fileName = ctx.fileDialogName;
  // The same dialog names the output file, which usually does not exist yet;
  // no name is checked here, as a typed one is not either.
  req.mustExist = false;
  const FileDialogResult res = askFileName(ctx.ui, FileDialogKind::Open, req);
  switch (res.status) {
    case FileDialogResult::Status::Chosen:
      ctx.fileDialogName = res.path;
      name = res.path;
      return FileAnswer::Chosen;
    case FileDialogResult::Status::Cancelled: return FileAnswer::BrowseCancelled;
    case FileDialogResult::Status::Failed: break;
  }
  return FileAnswer::BrowseFailed;
}

// A file-name question: empty or Cancel gives up; any "?" browses instead.
FileAnswer askFile(VelfCommandContext& ctx, const char* prompt1, const char* title,
                   std::string& name) {
  std::optional<std::string> answer =
      ctx.ui.input(std::string(prompt1) + CrLf + BrowseHint, title, FileDefault);
  if (!answer || answer->empty()) return FileAnswer::Cancelled;
  if (answer->find('?') != std::string::npos) return browse(ctx, name);
  name = *answer;
  return FileAnswer::Given;
}

// The output-file question, asked again while the answer names the data file
// (the job would write over its own input).
FileAnswer askOutputFile(VelfCommandContext& ctx, const std::string& dataFile, std::string& name) {
  for (;;) {
    const FileAnswer a = askFile(ctx, OutputPrompt1, OutputTitle, name);
    if ((a != FileAnswer::Chosen && a != FileAnswer::Given) || !sameFileName(name, dataFile)) return a;
    ctx.state.MessageText = SameFileText;
    ctx.ui.message(ctx.state.MessageText, SameFileTitle, Buttons::Ok, Icon::None);
  }
}

void partialDeckWarning(VelfCommandContext& ctx) {
  ctx.state.MessageText = std::string(PartialLine1) + CrLf + PartialLine2;
  ctx.ui.message(ctx.state.MessageText, PartialTitle, Buttons::Ok, Icon::Information);
}

}  // namespace

VelfOutcome editvelf(VelfCommandContext& ctx) {
  AppState& st = ctx.state;
  const int records = usableRecords(st);

  // Refuse duplicate times; put each record's picks into time order.
  bool anyPicks = false;
  for (std::int32_t c = 1; c <= records; ++c) {
    if (ctx.checkDupPicks && ctx.checkDupPicks(c)) return VelfOutcome::Duplicates;
    if (orderPicksByTime(st.PickTable[c]) != 0) anyPicks = true;
  }

  // Nothing picked: nothing goes to the job editor.
  if (!anyPicks) {
    st.MessageText = std::string(NothingLine1) + CrLf + NothingLine2;
    ctx.ui.message(st.MessageText, NothingTitle, Buttons::Ok, Icon::Information);
    return VelfOutcome::NothingToDo;
  }

  // Visit the records in ascending CDP order; the table keeps its indexing.
  const std::vector<int> order = recordsInCdpOrder(st.PickTable, records);

  // Bring the job editor forward.
  ctx.link.linkcommand("show", "", "", "");

  // Data file.
  std::string dataFile;
  switch (askFile(ctx, DataPrompt1, DataTitle, dataFile)) {
    case FileAnswer::Cancelled: return VelfOutcome::DataCancelled;
    case FileAnswer::BrowseCancelled: return VelfOutcome::BrowseCancelled;
    case FileAnswer::BrowseFailed: return VelfOutcome::BrowseFailed;
    case FileAnswer::Chosen:
    case FileAnswer::Given: break;
  }
  ctx.link.linkaddline(velf::inpfLine(dataFile));

  // Stretch, asked until it lies within 0.2..0.99.
  float stretch = 0.0f;
  while (!velf::stretchAccepted(stretch)) {
    std::optional<std::string> answer = ctx.ui.input(StretchPrompt, StretchTitle, StretchDefault);
    if (!answer || answer->empty()) {
      partialDeckWarning(ctx);
      return VelfOutcome::StretchCancelled;
    }
    stretch = velf::readStretch(*answer);
  }

  // Recording delay.
  const Answer delay = ctx.ui.message(DelayPrompt, DelayTitle, Buttons::YesNo, Icon::Question);
  const std::int16_t delaySwitch = delay == Answer::Yes ? 1 : 0;
  ctx.link.linkaddline(velf::nmotLine(stretch, delaySwitch));

  // One velocity function per CDP with picks.
  for (int c : order) {
    const CdpPicks& rec = st.PickTable[c];
    if (picksInUse(rec) == 0) continue;
    ctx.link.linkaddline(velf::velfLine(rec));
  }

  // Output file, then the end of the deck.
  std::string outputFile;
  switch (askOutputFile(ctx, dataFile, outputFile)) {
    case FileAnswer::Cancelled:
      partialDeckWarning(ctx);
      return VelfOutcome::OutputCancelled;
    case FileAnswer::BrowseCancelled: return VelfOutcome::BrowseCancelled;
    case FileAnswer::BrowseFailed: return VelfOutcome::BrowseFailed;
    case FileAnswer::Chosen:
    case FileAnswer::Given: break;
  }
  ctx.link.linkaddline(velf::outfLine(outputFile));
  ctx.link.linkaddline(velf::EndLine);
  return VelfOutcome::Completed;
}

}  // namespace tsly
