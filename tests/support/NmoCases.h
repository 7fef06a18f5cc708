// A wide sweep of moveout arguments, for comparing an implementation of the
// moveout with nmoit bit for bit (tests only, no Qt).
//
//   forEachNmoCase([](const NmoCase& c) { ... c.in, c.velocity, c.offset ... });
//
// Trace lengths from 1 to 1500 samples, 4-byte samples of any value and 2-byte
// samples as a file gives them, sample intervals of 1, 2 and 4 ms, slow to
// absurdly fast velocities, zero (also -0), small, negative and long offsets,
// stretch ratios from 1e-5 to 3. sameBits() compares floats by their bits.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "shared/TraceFormat.h"

namespace tsly::test {

inline std::uint32_t floatBits(float f) {
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

// First index where a and b differ bit for bit, or -1.
inline int firstBitDifference(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (floatBits(a[i]) != floatBits(b[i])) return static_cast<int>(i);
  return -1;
}

// Samples as read from a file: 4-byte floats (wide spread) or 2-byte integers.
inline std::vector<float> fileSamples(int n, bool twoByte, std::uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<float> s(static_cast<size_t>(n));
  if (twoByte) {
    std::vector<unsigned char> bytes(static_cast<size_t>(n) * 2);
    for (auto& b : bytes) b = static_cast<unsigned char>(g());
    decodeSamples(bytes.data(), 2, n, s.data());
  } else {
    std::normal_distribution<float> d(0.0f, 1000.0f);
    for (auto& x : s) x = d(g);
  }
  return s;
}

struct NmoCase {
  const std::vector<float>& in;
  float velocity;
  float offset;
  float stretch;
  int intervalUs;
  std::string label() const {
    return "n " + std::to_string(in.size()) + " v " + std::to_string(velocity) + " x " + std::to_string(offset) +
           " s " + std::to_string(stretch) + " dt " + std::to_string(intervalUs);
  }
};

// Calls f for every case of the sweep; returns how many.
inline int forEachNmoCase(const std::function<void(const NmoCase&)>& f) {
  int cases = 0;
  for (int n : {1, 5, 9, 64, 501, 1500}) {
    for (bool twoByte : {false, true}) {
      const auto in = fileSamples(n, twoByte, static_cast<std::uint32_t>(n * 2 + twoByte));
      for (int dt : {1000, 2000, 4000})
        for (float v : {333.3f, 1200.0f, 1500.0f, 2013.7f, 3500.0f, 6000.0f, 1e9f})
          for (float x : {0.0f, -0.0f, 1.0f, 25.0f, -400.0f, 1000.0f, 2537.5f, 5000.0f})
            for (float s : {1e-5f, 1e-3f, 0.1f, 0.2f, 0.5f, 0.99f, 3.0f}) {
              f(NmoCase{in, v, x, s, dt});
              ++cases;
            }
    }
  }
  return cases;
}

// The base an output buffer starts from: filled (replace) or a ramp (add).
inline std::vector<float> outputBase(size_t n, int stackFlag) {
  std::vector<float> base(n);
  for (size_t i = 0; i < n; ++i) base[i] = stackFlag ? 0.37f * static_cast<float>(i % 11) - 1.0f : 5.0f;
  return base;
}

}  // namespace tsly::test
