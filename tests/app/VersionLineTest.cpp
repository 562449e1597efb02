#include <gtest/gtest.h>

#include "app/VersionLine.h"

using namespace platform;
using drollicant::versionLine;

TEST(VersionLine, JoinsShortVersionAndBuildAndFallsBackPerPart) {
  PlistDictionary info{{"CFBundleShortVersionString", PlistValue::string("1.0")},
                       {"CFBundleVersion", PlistValue::string("7")}};
  EXPECT_EQ(versionLine(&info), "v1.0 (7)");

  info["CFBundleVersion"] = PlistValue::integer(7);
  EXPECT_EQ(versionLine(&info), "v1.0 (?)");
  info["CFBundleShortVersionString"] = PlistValue::real(1.0);
  info["CFBundleVersion"] = PlistValue::string("");
  EXPECT_EQ(versionLine(&info), "v? ()");

  const PlistDictionary empty;
  EXPECT_EQ(versionLine(&empty), "v? (?)");
  EXPECT_EQ(versionLine(nullptr), "v? (?)");
}
