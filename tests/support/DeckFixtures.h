// Job decks for the deck-run tests: the deck Tessaly sends through "Make VELF
// commands" (made by the real command with scripted answers, so its lines are
// exactly what the job editor receives), deck text from lines, and a pick table
// from (time, velocity) lists.
#pragma once

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "picks/core/PickTable.h"
#include "jobs/core/EditVelf.h"
#include "jobs/core/JobLink.h"
#include "support/PickFixtures.h"
#include "support/ScriptedDdeClient.h"
#include "support/ScriptedUi.h"

namespace tsly::test {

struct CdpPickList {
  int cdp = 0;
  std::vector<std::pair<float, std::int16_t>> picks;  // (time ms, velocity), any order
};

// A state with the CDPs listed and picked as given (as after picking on panels).
inline AppState pickedCdps(const std::vector<CdpPickList>& cdps) {
  AppState st;
  const int n = static_cast<int>(cdps.size());
  st.CdpCount = n;
  st.CdpList.recreate(static_cast<std::size_t>(n));
  st.PickTable.recreate(static_cast<std::size_t>(n));
  for (int c = 1; c <= n; ++c) {
    const CdpPickList& p = cdps[static_cast<std::size_t>(c - 1)];
    st.CdpList[c] = static_cast<float>(p.cdp);
    st.PickTable[c].Cdp = static_cast<std::int16_t>(p.cdp);
    std::int16_t panel = 1;
    for (auto [t, v] : p.picks) addPick(st.PickTable[c], t, v, panel++);
  }
  return st;
}

// The lines "Make VELF commands" sends for these picks, answering the data file,
// the stretch, the recording-delay question and the output file as given.
inline std::vector<std::string> tessalyDeckLines(AppState st, const std::string& dataFile, const std::string& stretch,
                                                 bool recordingDelay, const std::string& outputFile) {
  ScriptedUi ui;
  ScriptedDdeClient editor;
  JobLink link(editor, ui);
  link.linkstart(JobEditorApp, JobEditorTopic);
  std::string dialogName;
  VelfCommandContext ctx{st, ui, link, [&](std::int32_t c) { return checkduppicks(st, ui, c); }, dialogName};
  ui.inputAnswers = {dataFile, stretch, outputFile};
  ui.answers = {recordingDelay ? Answer::Yes : Answer::No};
  if (editvelf(ctx) != VelfOutcome::Completed) throw std::runtime_error("Make VELF commands did not complete");
  return editor.deck;
}

// Lines joined as a deck file holds them: each followed by `eol`.
inline std::string deckText(const std::vector<std::string>& lines, const std::string& eol = "\r\n") {
  std::string s;
  for (const auto& l : lines) s += l + eol;
  return s;
}


}  // namespace tsly::test
