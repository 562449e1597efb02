#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace drollicant::cli {

// A one-line progress bar on standard error, for work that takes a while. It draws
// only when standard error is a terminal, and only once the work has run for half a
// second, so short runs and scripts see nothing. Any thread may advance it.
class ProgressBar {
public:
  ProgressBar(std::string label, int64_t total);
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void advance(int64_t amount);
  // Clears the line (when one was drawn); called by the destructor too.
  void finish();

private:
  void draw(int64_t done);

  static constexpr std::chrono::milliseconds kFirstDrawAfter{500};
  static constexpr std::chrono::milliseconds kRedrawEvery{100};
  static constexpr int kBarWidth = 30;

  const std::string label;
  const int64_t total;
  const bool enabled;
  const std::chrono::steady_clock::time_point started;
  std::atomic<int64_t> done{0};
  std::mutex drawing;
  std::chrono::steady_clock::time_point lastDraw;
  bool drawn = false;
  bool finished = false;
};

}  // namespace drollicant::cli
