#include "platform/accelerate/vDSP.h"

namespace platform {

void vDSP_deq22(const float* A, vDSP_Stride IA, const float* B, float* C, vDSP_Stride IC, vDSP_Length N) {
  const float b0 = B[0], b1 = B[1], b2 = B[2], a1 = B[3], a2 = B[4];
  // The recursion is serial in its outputs; carrying the four history values in
  // registers keeps each step to five multiplies and no reloads.
  float x2 = A[0], x1 = A[IA], y2 = C[0], y1 = C[IC];
  const float* in = A + 2 * IA;
  float* out = C + 2 * IC;
  for (vDSP_Length n = 0; n < N; ++n) {
    const float x0 = *in;
    const float y0 = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    *out = y0;
    x2 = x1;
    x1 = x0;
    y2 = y1;
    y1 = y0;
    in += IA;
    out += IC;
  }
}

}  // namespace platform
