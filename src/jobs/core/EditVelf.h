// "Make VELF commands" (menu "&Options"): turns every pick of the open file into
// a VELF job deck and types it, line by line, into the job editor.
//
// Order of a run: the duplicate-time check of every CDP (each record's picks put
// into time order as it goes), "TSLY-NOTHING TO DO!" when no CDP has a pick,
// "show" to the job editor, the data-file question and "*INPF ", the stretch
// question (repeated until 0.2..0.99), the recording-delay question and
// "*NMOT ", the VELF lines in ascending CDP order, the output-file question
// (asked again, after "Input and output files can not be the same.", while
// it names the data file), "*OUTF " and ">>END". Lines are sent as soon as
// they are known, so giving up after "*INPF " leaves a partial deck in the
// editor; the user is warned then.
//
// Nothing is thrown: every failure is shown to the user here. Whether a line
// reached the editor is the link's business (it tells the user); the command
// goes on regardless.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "jobs/core/JobLink.h"
#include "jobs/core/JobsTexts.h"
#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

// The duplicate-time check of one CDP index: true when the record holds two
// picks at the same time (the check has told the user already).
using DupPickCheck = std::function<bool(std::int32_t cdpIndex)>;

struct VelfCommandContext {
  AppState& state;
  Ui& ui;
  JobLink& link;
  DupPickCheck checkDupPicks;
  // The file name the main window's shared file dialog shows at first; the
  // browse dialog starts with it and leaves the chosen path in it.
  std::string& fileDialogName;
};

// How a run ended (for the window's status and for tests; the user has been told).
enum class VelfOutcome {
  Duplicates,      // duplicate picks: nothing sent
  NothingToDo,     // no picks at all: nothing sent
  DataCancelled,   // data file question given up: only "show" sent
  StretchCancelled,  // partial-deck warning after "*INPF "
  OutputCancelled,   // partial-deck warning after the VELF lines
  BrowseCancelled,   // browse dialog cancelled: silent, whatever was sent stays
  BrowseFailed,      // browse dialog failed: "Tessaly ERROR"
  Completed,         // ">>END" sent
};

VelfOutcome editvelf(VelfCommandContext& ctx);

}  // namespace tsly
