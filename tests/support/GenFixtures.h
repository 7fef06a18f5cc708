// Test helpers for panel generation: small gather files written by the tests,
// a scan that fills the shared state the way opening a gather file does, and
// the straightforward generation loop (every trace re-read for every velocity,
// the whole directory searched for every CDP) that the engine's output must
// match byte for byte.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "generation/core/Generation.h"
#include "generation/core/Synth.h"
#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "moveout/core/Nmo.h"
#include "shared/Numbers.h"
#include "shared/State.h"
#include "shared/TraceFormat.h"
#include "TempDir.h"
#include "TraceFileBuilder.h"

namespace tsly::test {

inline void writeGather(const std::string& path, const std::vector<GatherTrace>& traces) {
  TraceFileBuilder b;
  for (const auto& t : traces) b.gatherTrace(t);
  b.writeTo(path);
}

// A gather of `cdps` CDPs from `firstCdp`, `offsets` traces each (offset
// `firstOffset + i * step`), `n` samples: a hyperbolic event of velocity `vel`
// at t0 and a little deterministic noise so every trace differs.
inline std::vector<GatherTrace> syntheticGather(int firstCdp, int cdps, int offsets, int n, int firstOffset = 100,
                                                int step = 200, double t0 = 0.4, double vel = 2000.0,
                                                int interval = 4000) {
  std::vector<GatherTrace> out;
  const double pi = 3.14159265358979323846;
  std::uint32_t seed = 12345;
  for (int c = 0; c < cdps; ++c)
    for (int o = 0; o < offsets; ++o) {
      GatherTrace t;
      t.cdp = static_cast<std::int16_t>(firstCdp + c);
      t.offset = static_cast<std::int16_t>(firstOffset + o * step);
      t.interval = static_cast<std::int16_t>(interval);
      t.samples.resize(static_cast<size_t>(n));
      double tx = std::sqrt(t0 * t0 + double(t.offset) * t.offset / (vel * vel));
      for (int i = 0; i < n; ++i) {
        double a = pi * 25.0 * (i * interval * 1e-6 - tx);
        seed = seed * 1664525u + 1013904223u;
        double noise = ((seed >> 8) / double(1u << 24) - 0.5) * 0.05;
        t.samples[static_cast<size_t>(i)] = static_cast<float>((1.0 - 2.0 * a * a) * std::exp(-a * a) * 1000.0 + noise);
      }
      out.push_back(std::move(t));
    }
  return out;
}

// The parameters of tsly synth's gather (Synth.h) with `cdps` CDPs from 1001,
// `offsets` traces each of `samples` samples, and noise of that fraction.
inline SynthParams synthParams(int cdps, int offsets, int samples, double noise = 0.0) {
  SynthParams p;
  p.cdps = cdps;
  p.offsetCount = offsets;
  p.samples = samples;
  p.noise = noise;
  return p;
}

// Fills the shared state as opening a gather file does (the open scan).
inline bool scanInto(AppState& s, const std::string& path) {
  s.DataFileName = path;
  return openScan(s).ok();
}


enum class RefStatus { Finished, Failed, NoOffsets };

// The generation loop read literally: the whole directory searched for every
// CDP, every trace read from the file again for every velocity, written as soon
// as it is complete. Same numeric conventions as the program (2-byte input
// written as 4-byte floats, too-short traces end the run).
inline RefStatus referenceGenerate(AppState& s, const GenerationParams& p, const std::string& outPath) {
  writeFile(outPath, "");
  int out = rawOpen(outPath, RawAccess::ReadWrite);
  int in = rawOpen(s.DataFileName, RawAccess::ReadOnly);
  HeaderArray& hdr = s.TraceHeader;
  std::vector<float> samples(s.TraceSamples.data1(), s.TraceSamples.data1() + s.TraceSamples.size());
  std::vector<float> obuf(static_cast<size_t>(s.NumSamples), 0.0f);
  std::vector<unsigned char> raw;
  auto writeIt = [&]() {
    unsigned char hb[HeaderBytes];
    encodeHeader(hdr, hb);
    if (hright(hb, out, HeaderBytes) != HeaderBytes) return false;
    std::int32_t n = hdr[WordNumSamples];
    int bps = bytesPerSample(hdr);
    std::vector<float> block(static_cast<size_t>(n), 0.0f);
    for (std::int32_t i = 0; i < n && i < static_cast<std::int32_t>(obuf.size()); ++i) block[static_cast<size_t>(i)] = obuf[static_cast<size_t>(i)];
    std::vector<unsigned char> b(static_cast<size_t>(n) * bps);
    encodeSamples(block.data(), bps, n, b.data());
    return hright(b.data(), out, static_cast<std::int32_t>(b.size())) == static_cast<std::int32_t>(b.size());
  };
  auto finish = [&](RefStatus st) {
    rawClose(out);
    rawClose(in);
    return st;
  };
  for (size_t i = 0; i < p.startCdps.size(); ++i) {
    for (size_t j = 0; j < p.velocities.size(); ++j) {
      float v = p.velocities[j];
      for (float k = 0.0f; k <= p.cdpsPerPanel - 1.0f; k += 1.0f) {
        std::int16_t c = nearestI16(p.startCdps[i] + k);
        std::fill(obuf.begin(), obuf.end(), 0.0f);
        std::int16_t stackCount = 0;
        for (std::int32_t t = 1; t <= s.TraceCount; ++t) {
          if (s.TraceDirectory[static_cast<size_t>(t)].PrimaryKey != c) continue;
          rawSeek(in, s.TraceDirectory[static_cast<size_t>(t)].FilePos, 0);
          unsigned char hb[HeaderBytes];
          if (hreed(hb, in, HeaderBytes) != HeaderBytes) return finish(RefStatus::Failed);
          decodeHeader(hb, hdr);
          s.SampleInterval = hdr[WordSampleInterval];
          s.NumSamples = nearestI32(p.lengthMs * (1000.0 / s.SampleInterval));
          if (!isLiveTrace(hdr)) continue;  // dead or separator
          int bps = bytesPerSample(hdr);
          std::int32_t nbytes = s.NumSamples * bps;
          if (nbytes < 2 || s.NumSamples > hdr[WordNumSamples]) return finish(RefStatus::Failed);
          samples.resize(static_cast<size_t>(s.NumSamples));
          obuf.resize(static_cast<size_t>(s.NumSamples));
          raw.resize(static_cast<size_t>(nbytes));
          if (hreed(raw.data(), in, nbytes) != nbytes) return finish(RefStatus::Failed);
          decodeSamples(raw.data(), bps, s.NumSamples, samples.data());
          if (hdr[WordOffsetScalar] == 0) return finish(RefStatus::NoOffsets);
          float offset = static_cast<float>(hdr[WordOffset]) / static_cast<float>(hdr[WordOffsetScalar]);
          nmoit(samples.data(), obuf.data(), s.NumSamples, v, offset, p.stretch, s.SampleInterval, p.stackFlag);
          ++stackCount;
          if (!p.stackFlag) {
            hdr[WordNumSamples] = static_cast<std::int16_t>(s.NumSamples);
            hdr[WordSampleFormat] = FloatFormatMarker;
            if (!writeIt()) return finish(RefStatus::Failed);
          }
        }
        if (p.stackFlag && stackCount > 0) {
          for (float& x : obuf) x /= static_cast<float>(stackCount);
          hdr[WordTraceCode] = TraceCodeLive;
          hdr[WordSampleFormat] = FloatFormatMarker;
          hdr[WordDataType] = DataCdpStacked;
          hdr[WordStackCount] = stackCount;
          hdr[WordNumSamples] = static_cast<std::int16_t>(s.NumSamples);
          if (!writeIt()) return finish(RefStatus::Failed);
        }
      }
      std::fill(obuf.begin(), obuf.end(), 0.0f);
      hdr[WordTraceCode] = TraceCodeSeparator;
      hdr[WordCdp] = nearestI16(v);
      hdr[WordNumSamples] = static_cast<std::int16_t>(s.NumSamples);
      if (!writeIt()) return finish(RefStatus::Failed);
    }
  }
  return finish(RefStatus::Finished);
}

// Reads an output file back as (header, samples) pairs.
struct ReadTrace {
  HeaderArray h;
  std::vector<float> s;
};
inline std::vector<ReadTrace> readTraces(const std::string& path) {
  std::vector<ReadTrace> out;
  int h = rawOpen(path, RawAccess::ReadOnly);
  if (h <= 0) return out;
  std::vector<unsigned char> scratch;
  for (;;) {
    ReadTrace t;
    if (readNextTrace(h, t.h, t.s, scratch) != TraceReadStatus::Ok) break;
    out.push_back(std::move(t));
  }
  rawClose(h);
  return out;
}

}  // namespace tsly::test
