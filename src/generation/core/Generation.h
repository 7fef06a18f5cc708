// Velocity-scan panel generation: from the CDP-gather file open in the shared
// state, for each panel (a run of consecutive CDPs) and each trial velocity,
// move out every live trace of each CDP (nmoit), optionally stack each CDP, and
// write the traces followed by a separator trace that carries the velocity.
//
// One engine for the NMO parameters dialog, `tsly generate`, the tests and the
// benchmark. It talks to the user only through Ui (message boxes, busy cursor,
// beep, letting events run) and through the hooks below.
//
// Output layout (no file header): for each panel, for each velocity: the CDP
// block (stacked: one trace per CDP that has live traces; unstacked: every live
// trace in file order), then one separator trace (word 15 = 9, word 12 = the
// velocity rounded half to even, zero samples). Every output header is the
// header of the input trace read last with the run's changes applied in place.
//
// Speed and memory: a CDP index is built once per run, and each input trace is
// read once per panel and kept in memory for all the panel's velocities, up to
// traceCacheBytes; the CDPs beyond are read again for every velocity block.
// A panel kept whole is moved out on worker threads (moveoutWorkers), each
// velocity's moveout computed once per offset and applied to all the panel's
// CDPs; this thread writes the blocks in order, shows progress, lets events
// run after every CDP and reads the stop flag after every separator. The output
// is byte for byte that of reading every trace again for every velocity and
// moving it out with nmoit. Running out of memory ends the run with a message
// (outcome Failed), never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

// Memory for the traces of a panel kept between its velocity blocks: a panel of
// 640 CDPs of 48 traces of 1500 samples. With the indexes (about 27 bytes per
// trace of the file) a run stays well under 300 MB on a 2 GiB gather.
inline constexpr std::size_t DefaultTraceCacheBytes = std::size_t{192} << 20;

struct GenerationParams {
  std::vector<float> startCdps;   // start CDP of panels 1..P (element 0 is panel 1)
  std::vector<float> velocities;  // trial velocities 1..V
  float cdpsPerPanel = 25.0f;     // N, a real loop bound: k = 0, 1, ... while k <= N - 1
  float stretch = 0.5f;           // NMO stretch ratio S
  double lengthMs = 0.0;          // output length L in milliseconds
  std::int16_t stackFlag = 1;     // 1: stack each CDP; 0: write every moved-out trace
  std::string outputName;         // as entered (label text or command-line argument)
  // The dialog upper-cases the output file name (not its folders); the command
  // line takes names exactly as given.
  bool upperCaseFileName = true;
  // Ask "File Message" before an existing output file is overwritten.
  bool askBeforeOverwrite = true;
  // The most memory a panel's traces may take between velocity blocks.
  std::size_t traceCacheBytes = DefaultTraceCacheBytes;
  // Threads that move out a panel held whole in memory (0: the run's own
  // thread does it). The output is the same whatever the number.
  int moveoutWorkers = 2;
};

struct GenerationHooks {
  // Progress text once per CDP (the dialog's Label4), with CDPs done and total.
  std::function<void(const std::string& text, std::int64_t done, std::int64_t total)> progress;
  // Read after each separator trace: true ends the run through Finish.
  std::function<bool()> stopRequested;
  // true when the run starts (show "STOP Processing"), false when it ends.
  std::function<void(bool running)> runningChanged;
  // Time of day as HH:MM:SS for the completion message; empty: the local clock.
  std::function<std::string()> timeOfDay;
};

enum class GenerationOutcome {
  Invalid,     // a validation message was shown; nothing opened
  NotStarted,  // an opening step ended it (message shown or user declined)
  Finished,    // ran to Finish: completion message shown (all done, stopped, or no offsets)
  Failed,      // a read/write failure, a too-short trace or a lack of memory ended it; no completion message
};

struct GenerationResult {
  GenerationOutcome outcome = GenerationOutcome::Invalid;
  bool stopped = false;         // Finish reached through the stop flag
  bool offsetsMissing = false;  // Finish reached through word 35 = 0
  std::int64_t tracesWritten = 0;
  std::string outputPath;       // the file written (after upper-casing)
  std::size_t peakCacheBytes = 0;  // the most memory a panel's traces took
  bool outOfMemory = false;        // the run ended because memory ran out
};

// The validation checks in order, one message box per bad entry. True when all pass.
bool validateGeneration(const GenerationParams& p, const AppState& s, Ui& ui);

// The output name: blanks trimmed; with `upper` the file name (not its folders)
// upper-cased.
std::string generationOutputName(const std::string& entered, bool upper);

// "Generate Panels": validate, open the files, run, finish.
GenerationResult generatePanels(AppState& s, Ui& ui, const GenerationParams& p,
                                const GenerationHooks& hooks = {});

// The number of CDPs one velocity block walks for N (k = 0, 1, ... while k <= N - 1).
std::int64_t cdpsPerBlock(float n);

// Local time of day as HH:MM:SS.
std::string clockTimeOfDay();

}  // namespace tsly
