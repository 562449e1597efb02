#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace drollicant::cli {

ProgressBar::ProgressBar(std::string label, int64_t total)
    : label(std::move(label)),
      total(std::max<int64_t>(total, 1)),
      enabled(isatty(STDERR_FILENO) == 1),
      started(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::advance(int64_t amount) {
  const int64_t now = done.fetch_add(amount, std::memory_order_relaxed) + amount;
  if (!enabled) return;
  std::unique_lock lock(drawing, std::try_to_lock);
  if (!lock.owns_lock() || finished) return;
  const auto t = std::chrono::steady_clock::now();
  if (t - started < kFirstDrawAfter || (drawn && t - lastDraw < kRedrawEvery)) return;
  lastDraw = t;
  draw(now);
}

void ProgressBar::draw(int64_t value) {
  const double fraction = std::clamp(double(value) / double(total), 0.0, 1.0);
  const int filled = int(fraction * kBarWidth);
  std::string bar(size_t(filled), '#');
  bar.resize(kBarWidth, '.');
  std::fprintf(stderr, "\r%s [%s] %3d%%", label.c_str(), bar.c_str(), int(fraction * 100.0));
  std::fflush(stderr);
  drawn = true;
}

void ProgressBar::finish() {
  std::lock_guard lock(drawing);
  if (finished) return;
  finished = true;
  if (drawn) {
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
  }
}

}  // namespace drollicant::cli
