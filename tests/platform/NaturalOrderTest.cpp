#include <gtest/gtest.h>

#include "platform/foundation/NaturalOrder.h"

using namespace platform;

namespace {
bool before(std::string_view a, std::string_view b) {
  return localizedStandardCompare(a, b) == NSComparisonResult::OrderedAscending;
}
}  // namespace

TEST(NaturalOrder, NumbersByValueLettersWithoutCase) {
  for (const auto& [a, b] : {std::pair{"2-Bright.aupreset", "10-Wild.aupreset"},
                             {"apple", "Banana"},
                             {"Apple", "banana"},
                             {"Track 9", "track 10"}})
    EXPECT_TRUE(before(a, b)) << a << " " << b;
  EXPECT_EQ(localizedStandardCompare("same", "same"), NSComparisonResult::OrderedSame);
  // Names equal but for case still get a fixed order, never "the same".
  EXPECT_NE(localizedStandardCompare("Warm", "warm"), NSComparisonResult::OrderedSame);
  EXPECT_EQ(localizedStandardCompare("Warm", "warm"),
            NSComparisonResult(-int(localizedStandardCompare("warm", "Warm"))));
}

TEST(NumericCharacters, AnyScriptCountsButSpacesAndBrokenBytesDoNot) {
  EXPECT_TRUE(isAllNumeric("\u2167"));  // Roman numeral eight
  for (const char* text : {"3 ", "", "3\xff", "\xe0\x80"}) EXPECT_FALSE(isAllNumeric(text)) << text;
}
