// Processing must never reach the allocator.
#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "dsp/DrollicantDSPKernel.h"
#include "SignalHelpers.h"

namespace drollicant {
namespace {

TEST(RealTime, ProcessingAllocatesNothing) {
  DrollicantDSPKernel k;
  k.charisma = 0.2f;
  k.nostalgia = 0.7f;
  k.allocate(512, 48000);
  auto l = test::noise(512, 0.5f, 1), r = test::noise(512, 0.5f, 2);
  std::vector<float> inter(1024, 0.1f);

  test::AllocationCounter allocations;
  for (int block = 0; block < 200; ++block) {
    k.flighty = block % 2 == 0;
    k.genteel = block % 3 == 0;
    k.bypass = block % 7 == 0;
    k.sweetness = float(block % 10) / 10.0f;
    k.process(l.data(), r.data(), l.data(), r.data(), 512);
    k.processInterleaved(inter.data(), 300);
    (void)k.tailTime();
  }
  EXPECT_EQ(allocations.count(), 0);
  { std::vector<int> probe(3); }
  EXPECT_EQ(allocations.count(), 1) << "the counter must see allocations";
}

}  // namespace
}  // namespace drollicant
