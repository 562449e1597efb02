#pragma once
#include <cstdint>

namespace drollicant::hosts {

// Audio thread: copies each input channel into its output buffer. Hosts may hand an
// input's own buffer as its output (nothing to copy), or the other channel's input
// buffer: then that channel is copied first, so its input is read before it is
// overwritten, and channels that cross both ways are swapped. A missing input is silence.
void copyStereoInput(const float* const in[2], float* const out[2], uint32_t frames);

}  // namespace drollicant::hosts
