#include "hosts/common/SegmentRenderer.h"

#include <algorithm>
#include <cstring>

namespace drollicant {
using namespace platform;

void SegmentRenderer::prepare(DrollicantAudioUnit& unit, uint32_t frames) {
  renderBlock = unit.internalRenderBlock();
  maxFrames = frames;
  changed.fill(false);
  timestamp = AudioTimeStamp{};
  timestamp.mFlags = kAudioTimeStampSampleTimeValid;
}

void SegmentRenderer::change(AUParameterAddress address, float value) {
  if (address >= events.size()) return;
  AUParameterEvent& event = events[address].parameter;
  event = AUParameterEvent{};
  event.eventType = AURenderEventType::Parameter;
  event.parameterAddress = address;
  event.value = value;
  changed[address] = true;
}

const AURenderEvent* SegmentRenderer::takeEvents() {
  AURenderEvent* head = nullptr;
  AURenderEvent* tail = nullptr;
  for (size_t i = 0; i < events.size(); ++i) {
    if (!changed[i]) continue;
    changed[i] = false;
    events[i].head.next = nullptr;
    events[i].parameter.eventSampleTime = AUEventSampleTime(timestamp.mSampleTime);
    (tail ? tail->head.next : head) = &events[i];
    tail = &events[i];
  }
  return head;
}

void SegmentRenderer::render(const float* const in[2], float* const out[2], uint32_t frames) {
  if (!renderBlock || maxFrames == 0) return;
  for (uint32_t offset = 0; offset < frames;) {
    const uint32_t slice = std::min(frames - offset, maxFrames);
    const float* const sliceIn[2] = {in[0] ? in[0] + offset : nullptr, in[1] ? in[1] + offset : nullptr};
    float* const sliceOut[2] = {out[0] + offset, out[1] + offset};
    renderSlice(sliceIn, sliceOut, slice);
    offset += slice;
  }
}

void SegmentRenderer::renderSlice(const float* const in[2], float* const out[2], uint32_t frames) {
  StereoBufferList buffers;
  buffers.setBuffer(0, out[0], 1, frames);
  buffers.setBuffer(1, out[1], 1, frames);
  auto pullInput = [in](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount count, NSInteger,
                        AudioBufferList* list) -> AUAudioUnitStatus {
    for (int c = 0; c < 2; ++c) {
      auto* target = static_cast<float*>(list->mBuffers[c].mData);
      if (in[c] == nullptr)
        std::fill_n(target, count, 0.0f);
      else if (in[c] != target)
        std::memmove(target, in[c], count * sizeof(float));
    }
    return noErr;
  };
  AudioUnitRenderActionFlags flags = 0;
  renderBlock(&flags, &timestamp, frames, 0, buffers.get(), takeEvents(), pullInput);
  timestamp.mSampleTime += frames;
}

}  // namespace drollicant
