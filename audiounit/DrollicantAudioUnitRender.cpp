// Render resources, the internal render block and the processing properties.
#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/RenderCycle.h"

namespace drollicant {

using namespace platform;

AUInternalRenderBlock DrollicantAudioUnit::internalRenderBlock() {
  // The block holds the kernel only, so a render cycle never touches the unit.
  return [kernel = dspKernel](AudioUnitRenderActionFlags*, const AudioTimeStamp* timestamp,
                              AUAudioFrameCount frameCount, NSInteger, AudioBufferList* outputData,
                              const AURenderEvent* realtimeEventListHead, AURenderPullInputBlock pullInputBlock) {
    return renderCycle(*kernel, timestamp, frameCount, outputData, realtimeEventListHead, pullInputBlock);
  };
}

bool DrollicantAudioUnit::allocateRenderResources(NSError* outError) {
  const auto inputBus = (*_inputBusArray)[0];
  const auto outputBus = (*_outputBusArray)[0];
  const auto inputFormat = inputBus->format();
  const auto outputFormat = outputBus->format();
  if (inputFormat->channelCount() != outputFormat->channelCount() ||
      inputFormat->sampleRate() != outputFormat->sampleRate()) {
    if (!outputBus->setFormat(inputFormat, outError)) return false;
  }
  if (!AUAudioUnit::allocateRenderResources(outError)) return false;
  dspKernel->allocate(int64_t(maximumFramesToRender()), inputFormat->sampleRate());
  pushParametersToKernel();
  return true;
}

void DrollicantAudioUnit::deallocateRenderResources() {
  AUAudioUnit::deallocateRenderResources();
  dspKernel->reset();
}

void DrollicantAudioUnit::reset() {
  AUAudioUnit::reset();
  dspKernel->reset();
}

}  // namespace drollicant
