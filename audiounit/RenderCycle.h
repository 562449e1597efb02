#pragma once
#include "dsp/DrollicantDSPKernel.h"
#include "platform/au/RenderBlock.h"

namespace drollicant {

// Audio thread: no allocation, no lock; calls only `pullInputBlock` and the kernel.
// One render cycle: pull the input into `outputData`, apply the parameter events to
// the kernel's fields, limit absurdly large samples (unless bypassed or unallocated),
// process in place with flush-to-zero on. Returns the pull's
// failure unchanged, kAudioUnitErr_NoConnection without a pull block,
// kAudioUnitErr_TooManyFramesToProcess (without pulling) for more frames than the
// kernel was allocated for, and kAudio_ParamError when there is no buffer list or a
// buffer has no data after the pull.
platform::AUAudioUnitStatus renderCycle(DrollicantDSPKernel& kernel, const platform::AudioTimeStamp* timestamp,
                                        platform::AUAudioFrameCount frameCount, platform::AudioBufferList* outputData,
                                        const platform::AURenderEvent* realtimeEventListHead,
                                        platform::AURenderPullInputBlock pullInputBlock);

}  // namespace drollicant
