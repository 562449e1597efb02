#include "dsp/DenormalGuard.h"

#include <gtest/gtest.h>

#include <limits>

namespace drollicant {
namespace {

// Half the smallest normal number is a denormal one, or zero when the CPU flushes.
template <class T>
bool flushes() {
  volatile T smallest = std::numeric_limits<T>::min();
  return smallest * T(0.5) == T(0);
}

TEST(DenormalGuard, FlushesFloatsAndDoublesWhileItLivesAndRestoresTheCallersMode) {
  ASSERT_FALSE(flushes<float>()) << "the test process starts in the default mode";
  {
    DenormalGuard guard;
    EXPECT_TRUE(flushes<float>());
    EXPECT_TRUE(flushes<double>());
    {
      DenormalGuard inner;
      EXPECT_TRUE(flushes<float>());
    }
    EXPECT_TRUE(flushes<float>()) << "an inner guard leaves the outer one's mode in place";
  }
  EXPECT_FALSE(flushes<float>());
  EXPECT_FALSE(flushes<double>());
}

}  // namespace
}  // namespace drollicant
