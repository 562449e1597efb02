#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/foundation/NaturalOrder.h"

using namespace platform;

namespace {
bool before(std::string_view a, std::string_view b) {
  return localizedStandardCompare(a, b) == NSComparisonResult::OrderedAscending;
}
}  // namespace

TEST(NaturalOrder, NumbersByValueLettersWithoutCase) {
  EXPECT_TRUE(before("2-Bright.aupreset", "10-Wild.aupreset"));
  EXPECT_TRUE(before("1-Soft.aupreset", "2-Bright.aupreset"));
  EXPECT_TRUE(before("apple", "Banana"));
  EXPECT_TRUE(before("Apple", "banana"));
  EXPECT_TRUE(before("Track 9", "track 10"));
  EXPECT_TRUE(before("２-Fullwidth", "10-Ten"));  // fullwidth two is still two
  EXPECT_EQ(localizedStandardCompare("same", "same"), NSComparisonResult::OrderedSame);
  // Names equal but for case still get a fixed order, never "the same".
  EXPECT_NE(localizedStandardCompare("Warm", "warm"), NSComparisonResult::OrderedSame);
  EXPECT_EQ(localizedStandardCompare("Warm", "warm"), NSComparisonResult(-int(localizedStandardCompare("warm", "Warm"))));
}

TEST(NaturalOrder, SortsAListAndSurvivesInvalidUtf8) {
  std::vector<std::string> names = {"10-Wild", "\xff\xfe-Broken", "2-Bright", "1-Soft", "Intro-Pad", "b", "A"};
  std::stable_sort(names.begin(), names.end(), before);
  EXPECT_EQ(names[0], "1-Soft");
  EXPECT_EQ(names[1], "2-Bright");
  EXPECT_EQ(names[2], "10-Wild");
  EXPECT_LT(std::find(names.begin(), names.end(), "A") - names.begin(),
            std::find(names.begin(), names.end(), "b") - names.begin());
}

TEST(NumericCharacters, AnyScriptCountsButSpacesAndBrokenBytesDoNot) {
  EXPECT_TRUE(isAllNumeric("07"));
  EXPECT_TRUE(isAllNumeric("\u0663"));   // Arabic-Indic three
  EXPECT_TRUE(isAllNumeric("\uFF13"));   // fullwidth three
  EXPECT_TRUE(isAllNumeric("\u2167"));   // Roman numeral eight
  EXPECT_FALSE(isAllNumeric("3 "));
  EXPECT_FALSE(isAllNumeric(""));
  EXPECT_FALSE(isAllNumeric("Intro"));
  EXPECT_FALSE(isAllNumeric("3\xff"));
  EXPECT_FALSE(isAllNumeric("\xe0\x80"));  // truncated sequence
  EXPECT_TRUE(isNumericCharacter(U'9'));
  EXPECT_FALSE(isNumericCharacter(U'x'));
}
