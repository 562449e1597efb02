#include "hosts/common/StereoInput.h"

#include <algorithm>
#include <cstring>

namespace drollicant::hosts {

void copyStereoInput(const float* const in[2], float* const out[2], uint32_t frames) {
  if (in[0] && in[1] && in[0] != in[1] && out[0] == in[1] && out[1] == in[0]) {
    std::swap_ranges(out[0], out[0] + frames, out[1]);
    return;
  }
  const uint32_t first = out[0] == in[1] ? 1 : 0;
  for (const uint32_t c : {first, 1 - first}) {
    if (in[c] == nullptr)
      std::fill_n(out[c], frames, 0.0f);
    else if (in[c] != out[c])
      std::memmove(out[c], in[c], frames * sizeof(float));
  }
}

}  // namespace drollicant::hosts
