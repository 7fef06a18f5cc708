// tsly nmo --deck DECK [--stack] [--cdps FIRST-LAST] [--output FILE] [--force] [--progress-lines]:
// runs a VELF job deck: the gather named by *INPF moved out with the picked
// velocity functions, written to the file named by *OUTF. Messages go to
// stderr, the report (output file, traces written, time) to stdout.
// With --list-cdps it writes nothing and prints the CDPs the run would take,
// one per line (scripts/slurm/nmo.sh shares them among its tasks).
//
// Exit status: 0 done, 1 refused or failed (nothing written; a --cdps range
// holding no CDP of the gather is refused), 3 the output exists and --force
// was not given (nothing written).
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "commands.h"
#include "deck/core/ApplyVelocities.h"
#include "deck/core/CdpRange.h"
#include "deck/core/DeckReader.h"
#include "deck/core/MoveoutInput.h"
#include "platform/ConsoleUi.h"
#include "platform/FileChecks.h"
#include "platform/ShownText.h"

namespace tsly::cli {

namespace {

struct NmoOptions {
  std::string deck;
  std::string cdps;
  std::string output;
  bool stack = false, force = false, progressLines = false, listCdps = false;
};

int listCdps(const MoveoutJob& job) {
  std::vector<std::int16_t> cdps;
  MoveoutResult r;
  if (!moveoutCdps(job, cdps, r)) return fail("nmo", r.message);
  std::string out;
  for (std::int16_t c : cdps) out += std::to_string(c) + "\n";
  std::fputs(out.c_str(), stdout);
  return 0;
}

int runNmo(const NmoOptions& o) {
  std::string text;
  if (const std::string why = readInputText(o.deck, text); !why.empty()) return fail("nmo", why);
  const deck::DeckReadResult read = deck::readDeck(text);
  if (!read.ok) return fail("nmo", shownText(o.deck) + (read.fault.line > 0 ? " " : ": ") + read.fault.message());
  const deck::NmoDeck& d = read.deck;

  MoveoutJob job = deck::moveoutJob(d);
  if (!o.cdps.empty() && !parseCdpRange(o.cdps, job.firstCdp, job.lastCdp))
    return fail(
        "nmo", "--cdps wants FIRST-LAST, whole numbers from -32768 to 32767 with FIRST <= LAST (got '" +
                   shownText(o.cdps, 40) + "')");
  job.limitCdps = !o.cdps.empty();
  if (!o.output.empty()) job.outputPath = o.output;
  job.stack = o.stack;
  job.overwrite = o.force;
  job.deckPath = o.deck;
  if (o.listCdps) return listCdps(job);

  stopOnSignals(true);
  TerminalProgress progress("traces", o.progressLines);
  MoveoutHooks hooks;
  hooks.progress = [&progress](std::int64_t done, std::int64_t total) { progress.update(done, total); };
  hooks.cancelled = [] { return stopRequested().load(); };
  const MoveoutResult r = applyVelocities(job, hooks);
  progress.end();

  if (r.status == MoveoutStatus::Done) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f s", r.seconds);
    std::cout << "Output file:    " << job.outputPath << "\n"
              << "Traces written: " << r.tracesWritten << "\n"
              << "Time:           " << seconds << "\n";
    return 0;
  }
  if (r.status == MoveoutStatus::Cancelled) return fail("nmo", "cancelled; nothing written");
  std::string where;
  if (r.subject == MoveoutSubject::Input)
    where = shownText(o.deck) + " " + deck::DeckFault{d.inputLine, d.inputLineText, r.message}.message();
  else if (r.subject == MoveoutSubject::Output && o.output.empty())
    where = shownText(o.deck) + " " + deck::DeckFault{d.outputLine, d.outputLineText, r.message}.message();
  else
    where = r.message;
  fail("nmo", where);
  if (r.status == MoveoutStatus::Failed) fail("nmo", "nothing written");
  return r.status == MoveoutStatus::OutputExists ? 3 : 1;
}

}  // namespace

void addNmoCommand(CLI::App& app, int& exitCode) {
  auto opts = std::make_shared<NmoOptions>();
  auto* cmd = addCommand(
      app, exitCode, opts, runNmo, "nmo",
      "Run a VELF job deck (as JobPad holds it): move out the gather named by *INPF with the picked velocity "
      "functions (a CDP without a VELF line takes the functions of the nearest picked CDPs on either side, "
      "interpolated in CDP number), stretch limit and recording-delay switch from *NMOT, and write the moved-out "
      "gather, or with --stack one stacked trace per CDP, to the file named by *OUTF. Output is in ascending CDP "
      "order, so runs over adjacent --cdps ranges join with cat into the file of one whole run.");
  cmd->add_option("--deck", opts->deck, "the job deck file (lines ended by CR LF or LF)")->required();
  cmd->add_flag("--stack", opts->stack, "write one stacked trace per CDP instead of the moved-out gather");
  cmd->add_option("--cdps", opts->cdps, "only CDPs FIRST-LAST (both included; default: every CDP); a range holding no CDP of the gather is refused");
  cmd->add_option("--output", opts->output,
                  "write to this file instead of the one *OUTF names (one per CDP range, say)");
  cmd->add_flag("--force", opts->force, "overwrite the output file if it exists");
  cmd->add_flag("--list-cdps", opts->listCdps,
                "write nothing; print the CDPs of the gather the run would take (within --cdps), one per line");
  cmd->add_flag("--progress-lines", opts->progressLines,
                "print 'progress DONE TOTAL' lines on stderr (for programs that run tsly)");
}

}  // namespace tsly::cli
