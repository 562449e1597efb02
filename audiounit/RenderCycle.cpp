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
  // More frames than allocated for would leave the end of the buffers unprocessed
  // under a success status; the host gets the platform's refusal instead, before the
  // pull, so its input is not consumed. An unallocated kernel passes any count through.
  if (kernel.maxFrames > 0 && int64_t(frameCount) > kernel.maxFrames) return kAudioUnitErr_TooManyFramesToProcess;
  AudioUnitRenderActionFlags pullFlags = 0;
  const AUAudioUnitStatus pulled = pullInputBlock(&pullFlags, timestamp, frameCount, kInputBus, outputData);
  if (pulled != noErr) return pulled;

  // A list the kernel cannot use is refused before any event takes effect, as for
  // every other failed cycle.
  const uint32_t buffers = outputData->mNumberBuffers;
  const bool twoChannels = buffers >= 2;
  const bool interleaved = buffers == 1 && outputData->mBuffers[0].mNumberChannels == 2;
  if (twoChannels && (!outputData->mBuffers[0].mData || !outputData->mBuffers[1].mData)) return kAudio_ParamError;
  if (interleaved && !outputData->mBuffers[0].mData) return kAudio_ParamError;

  applyParameterEvents(kernel, realtimeEventListHead);

  const DenormalGuard flushDenormals;
  // Bypassed or not yet allocated, the kernel hands the input back untouched.
  if (twoChannels) {
    AudioBuffer& left = outputData->mBuffers[0];
    AudioBuffer& right = outputData->mBuffers[1];
    const int64_t frames = std::min({int64_t(frameCount), framesHeld(left, 1), framesHeld(right, 1)});
    auto* l = static_cast<float*>(left.mData);
    auto* r = static_cast<float*>(right.mData);
    kernel.process(l, r, l, r, frames);
  } else if (interleaved) {
    AudioBuffer& buffer = outputData->mBuffers[0];
    const int64_t frames = std::min(int64_t(frameCount), framesHeld(buffer, 2));
    kernel.processInterleaved(static_cast<float*>(buffer.mData), frames);
  }
  return noErr;
}

}  // namespace drollicant
