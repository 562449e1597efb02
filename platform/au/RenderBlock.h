#pragma once
#include <functional>

#include "platform/au/AudioTypes.h"
#include "platform/au/FunctionRef.h"

namespace platform {

// Audio thread. Fills `inputData` with `frameCount` frames of input bus `inputBusNumber`;
// returns noErr or a failure status. A non-owning reference (may be empty), so passing
// one per render call allocates nothing.
using AURenderPullInputBlock =
    FunctionRef<AUAudioUnitStatus(AudioUnitRenderActionFlags* actionFlags, const AudioTimeStamp* timestamp,
                                  AUAudioFrameCount frameCount, NSInteger inputBusNumber, AudioBufferList* inputData)>;

// Audio thread. Renders `frameCount` frames into `outputData`, applying the realtime
// events first; the input comes through `pullInputBlock`. Built off the audio thread,
// called on it; calling it allocates nothing.
using AUInternalRenderBlock = std::function<AUAudioUnitStatus(
    AudioUnitRenderActionFlags* actionFlags, const AudioTimeStamp* timestamp, AUAudioFrameCount frameCount,
    NSInteger outputBusNumber, AudioBufferList* outputData, const AURenderEvent* realtimeEventListHead,
    AURenderPullInputBlock pullInputBlock)>;

}  // namespace platform
