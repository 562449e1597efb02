#include "audiounit/RenderCycle.h"

#include <algorithm>

#include "audiounit/KernelParameters.h"
#include "dsp/DenormalGuard.h"

namespace drollicant {

using namespace platform;

namespace {

constexpr NSInteger kInputBus = 0;

void applyParameterEvents(DrollicantDSPKernel& kernel, const AURenderEvent* event) {
  for (; event; event = event->head.next)
    if (event->head.eventType == AURenderEventType::Parameter)
      writeKernelParameter(kernel, event->parameter.parameterAddress, event->parameter.value);
}

// Frames of `samplesPerFrame` floats that fit in the buffer, so a host that passes
// less memory than it asks to render gets only that much processed.
int64_t framesHeld(const AudioBuffer& buffer, uint32_t samplesPerFrame) {
  return int64_t(buffer.mDataByteSize / (sizeof(float) * samplesPerFrame));
}

}  // namespace

AUAudioUnitStatus renderCycle(DrollicantDSPKernel& kernel, const AudioTimeStamp* timestamp,
                              AUAudioFrameCount frameCount, AudioBufferList* outputData,
                              const AURenderEvent* realtimeEventListHead, AURenderPullInputBlock pullInputBlock) {
  if (!pullInputBlock) return kAudioUnitErr_NoConnection;
  if (!outputData) return kAudio_ParamError;
  AudioUnitRenderActionFlags pullFlags = 0;
  const AUAudioUnitStatus pulled = pullInputBlock(&pullFlags, timestamp, frameCount, kInputBus, outputData);
  if (pulled != noErr) return pulled;

  applyParameterEvents(kernel, realtimeEventListHead);

  const DenormalGuard flushDenormals;
  if (outputData->mNumberBuffers >= 2) {
    AudioBuffer& left = outputData->mBuffers[0];
    AudioBuffer& right = outputData->mBuffers[1];
    if (!left.mData || !right.mData) return kAudio_ParamError;
    const int64_t frames = std::min({int64_t(frameCount), framesHeld(left, 1), framesHeld(right, 1)});
    auto* l = static_cast<float*>(left.mData);
    auto* r = static_cast<float*>(right.mData);
    kernel.process(l, r, l, r, frames);
  } else if (outputData->mNumberBuffers == 1 && outputData->mBuffers[0].mNumberChannels == 2) {
    AudioBuffer& interleaved = outputData->mBuffers[0];
    if (!interleaved.mData) return kAudio_ParamError;
    const int64_t frames = std::min(int64_t(frameCount), framesHeld(interleaved, 2));
    kernel.processInterleaved(static_cast<float*>(interleaved.mData), frames);
  }
  return noErr;
}

}  // namespace drollicant
