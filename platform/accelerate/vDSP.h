#pragma once
// The vector routines the signal-processing code stands on. Only what it uses.
#include <cstddef>

namespace platform {

using vDSP_Stride = std::ptrdiff_t;
using vDSP_Length = std::size_t;

// Two-pole two-zero recursion. A and C hold N + 2 elements (at strides IA and IC);
// A[0], A[1], C[0] and C[1] are history and only read. For n = 2 .. N + 1:
//   C[n] = A[n]·B[0] + A[n−1]·B[1] + A[n−2]·B[2] − C[n−1]·B[3] − C[n−2]·B[4]
// Any thread; allocates nothing.
void vDSP_deq22(const float* A, vDSP_Stride IA, const float* B, float* C, vDSP_Stride IC, vDSP_Length N);

}  // namespace platform
