#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "hosts/lv2/TurtleWriter.h"

using drollicant::lv2::TurtleWriter;

// Hosts parse a TTL number in double precision and narrow it to the port's float.
TEST(TurtleWriter, NumbersReadBackAsExactlyTheSameFloat) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<float> values{0.0f, 1.0f, 0.5f, 0.3f, 0.1f, 1e-7f, 0.99999994f, std::nextafter(0.5f, 1.0f)};
  for (int i = 0; i < 20000; ++i) values.push_back(unit(random));
  for (const float v : values) {
    const std::string text = TurtleWriter::number(v);
    ASSERT_EQ(float(std::strtod(text.c_str(), nullptr)), v) << text;
    ASSERT_NE(text.find_first_of(".eE"), std::string::npos) << text << " would read as an integer";
  }
  EXPECT_EQ(TurtleWriter::number(0.5f), "0.5");
  EXPECT_EQ(TurtleWriter::number(1.0f), "1.0");
}

TEST(TurtleWriter, QuotesNamesSafely) {
  EXPECT_EQ(TurtleWriter::quoted("Soft"), "\"Soft\"");
  EXPECT_EQ(TurtleWriter::quoted("a \"b\" \\ c\nd"), "\"a \\\"b\\\" \\\\ c\\nd\"");
}
