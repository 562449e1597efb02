#pragma once
// Test signals shared by the signal-processing tests.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace drollicant::test {

inline std::vector<float> noise(int64_t frames, float amplitude, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> dist(-amplitude, amplitude);
  std::vector<float> v(static_cast<size_t>(frames));
  for (auto& x : v) x = dist(rng);
  return v;
}

inline double rms(const std::vector<float>& v, size_t from = 0) {
  double sum = 0.0;
  for (size_t i = from; i < v.size(); ++i) sum += double(v[i]) * v[i];
  return std::sqrt(sum / double(v.size() - from));
}

}  // namespace drollicant::test
