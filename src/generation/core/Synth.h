// Synthetic CDP-gather files: hyperbolic reflections with a zero-phase (Ricker)
// wavelet, for demos, tests and benchmarks.
//
// Every trace: word 1 = 1 (CDP gather), word 3 = 12 (traces labelled by CDP),
// word 8 = trace number within its gather, word 12 = CDP, word 15 = 1 (live),
// word 19 = offset with word 35 = 1, word 58 = samples, word 59 = interval (us),
// word 60 = 21930 for float samples (0 with 16-bit samples).
// Event k arrives at t = sqrt(t0^2 + x^2 / v^2) (t0 in s, x offset, v velocity);
// the wavelet is centred on that time. Noise: Gaussian, standard deviation
// `noise` x the largest event amplitude, from a fixed generator seeded by `seed`
// (the same parameters always give the same file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tsly {

struct SynthEvent {
  double t0Ms = 0;        // zero-offset two-way time, milliseconds
  double velocity = 0;    // moveout velocity, offset units per second
  double amplitude = 1000;
};

struct SynthParams {
  int firstCdp = 1001;
  int cdps = 10;
  int offsetFirst = 100;
  int offsetStep = 200;
  int offsetCount = 12;
  int samples = 500;
  int intervalUs = 4000;
  bool int16 = false;
  std::vector<SynthEvent> events;  // empty: defaultSynthEvents()
  // Empty: every CDP holds `events`. Else event k moves along the line: its
  // time, velocity and amplitude go linearly from events[k] at the first CDP
  // to lastEvents[k] at the last (one entry per event of `events`).
  std::vector<SynthEvent> lastEvents;
  double noise = 0.0;              // fraction of the largest event amplitude
  std::uint32_t seed = 1;
  double peakHz = 25.0;            // Ricker peak frequency
};

std::vector<SynthEvent> defaultSynthEvents();

// "" when the parameters can be written; else what is wrong (one line).
std::string checkSynthParams(const SynthParams& p);

// Samples of one trace at `offset` (without noise), p.samples values, of the
// CDP `cdpIndex` places after the first (it matters only with lastEvents).
void synthTrace(const SynthParams& p, double offset, std::vector<float>& out, int cdpIndex = 0);

// Writes the gather file; returns "" or a description of the failure.
std::string writeSynthGather(const std::string& path, const SynthParams& p);

// Bytes the file will take.
std::int64_t synthFileBytes(const SynthParams& p);

}  // namespace tsly
