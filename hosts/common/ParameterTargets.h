#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "audiounit/ParameterTable.h"

namespace drollicant::hosts {

// The latest value asked for each parameter, from any thread, and a mailbox that hands
// the values asked by threads other than the audio thread (an editor, a restored
// state, a preset) to the audio thread without a lock: a writer stores the value, then
// marks its address; the audio thread takes the marks and reads the values they cover.
// A value posted twice before the audio thread looks is taken once, at its latest.
class ParameterTargets {
public:
  static constexpr size_t kCount = kParameterTable.size();

  ParameterTargets();

  // Any thread: `value` becomes the latest for `address` and is marked for the audio
  // thread. Unknown addresses are ignored.
  void post(uint64_t address, float value);
  // Audio thread: `value` becomes the latest for `address` without a mark (the audio
  // thread applies it itself).
  void record(uint64_t address, float value);
  // Audio thread (or setup thread while no audio runs): calls `take(address, value)`
  // for every address posted since the last call.
  template <class Take>
  void collect(Take&& take) {
    uint32_t marks = pending.exchange(0, std::memory_order_acquire);
    for (uint64_t address = 0; marks != 0; ++address, marks >>= 1)
      if (marks & 1u) take(address, latest(address));
  }

  // Any thread: the latest value asked for `address`, as it was asked; 0 for unknown.
  float latest(uint64_t address) const;
  // Any thread: the latest value as the unit reports it: switches read 1 or 0.
  float reported(uint64_t address) const;

private:
  std::array<std::atomic<float>, kCount> values;
  std::atomic<uint32_t> pending{0};
};

}  // namespace drollicant::hosts
