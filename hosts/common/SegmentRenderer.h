#pragma once
#include <array>
#include <cstdint>

#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/ParameterTable.h"
#include "platform/au/RenderBlock.h"

namespace drollicant {

// Drives the unit's render block over a stretch of a host block: the changes collected
// since the last call become the parameter events of the first render call, the input
// is pulled from the host's buffers (which may be the output buffers), and stretches
// longer than the unit's maximum are rendered in slices.
class SegmentRenderer {
public:
  // Main thread, before rendering.
  void prepare(DrollicantAudioUnit& unit, uint32_t maxFrames);

  // Audio thread: `address` takes `value` before the next rendered frame (last one wins).
  void change(platform::AUParameterAddress address, float value);
  // Audio thread: renders `frames` frames of `in` into `out`. A missing input channel
  // is silence.
  void render(const float* const in[2], float* const out[2], uint32_t frames);

private:
  void renderSlice(const float* const in[2], float* const out[2], uint32_t frames);
  const platform::AURenderEvent* takeEvents();

  platform::AUInternalRenderBlock renderBlock;
  uint32_t maxFrames = 0;
  std::array<platform::AURenderEvent, kParameterTable.size()> events{};
  std::array<bool, kParameterTable.size()> changed{};
  platform::AudioTimeStamp timestamp{};
};

}  // namespace drollicant
