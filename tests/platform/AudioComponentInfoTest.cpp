#include <gtest/gtest.h>

#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "support/TemporaryDirectory.h"

using namespace platform;

namespace {

PlistDictionary infoWithComponent(PlistDictionary component) {
  PlistDictionary attributes;
  attributes["AudioComponents"] = PlistValue(PlistArray{PlistValue(std::move(component))});
  PlistDictionary extension;
  extension["NSExtensionAttributes"] = PlistValue(std::move(attributes));
  PlistDictionary info;
  info["NSExtension"] = PlistValue(std::move(extension));
  return info;
}

PlistDictionary component(const char* type, const char* subtype, const char* manufacturer) {
  PlistDictionary entry;
  entry["type"] = PlistValue::string(type);
  entry["subtype"] = PlistValue::string(subtype);
  entry["manufacturer"] = PlistValue::string(manufacturer);
  entry["name"] = PlistValue::string("Drol: Drollicant");
  entry["version"] = PlistValue::integer(65536);
  return entry;
}

}  // namespace

TEST(AudioComponentInfo, ComesFromTheExtensionsInfoPlist) {
  testing_support::TemporaryDirectory dir;
  const auto xml = NSPropertyListSerialization::dataWithPropertyList(
      PlistValue(infoWithComponent(component("aufx", "drlc", "Drol"))), NSPropertyListFormat::XML_v1_0, nullptr);
  testing_support::writeFile(dir / "Info.plist", *xml);
  const auto info = audioComponentFromBundle(*NSBundle::bundleWithURL(dir.get()), nullptr);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description.componentType, fourCharCode("aufx"));
  EXPECT_EQ(info->description.componentSubType, fourCharCode("drlc"));
  EXPECT_EQ(info->description.componentManufacturer, fourCharCode("Drol"));
  EXPECT_EQ(info->name, "Drol: Drollicant");
  EXPECT_EQ(info->version, 65536u);
  EXPECT_EQ(stringFromFourCharCode(info->description.componentSubType), "drlc");
}

TEST(AudioComponentInfo, MissingOrMalformedEntriesAreErrors) {
  NSError error;
  EXPECT_FALSE(audioComponentFromInfoDictionary({}, &error));
  EXPECT_NE(error.localizedDescription.find("AudioComponents"), std::string::npos);
  EXPECT_FALSE(audioComponentFromInfoDictionary(infoWithComponent(component("aufx", "drl", "Drol")), &error));
  EXPECT_FALSE(audioComponentFromInfoDictionary(infoWithComponent(component("aufx", "drlc", "Drollicant")), &error));
  PlistDictionary numeric = component("aufx", "drlc", "Drol");
  numeric["type"] = PlistValue::integer(1);
  EXPECT_FALSE(audioComponentFromInfoDictionary(infoWithComponent(numeric), &error));
  EXPECT_FALSE(fourCharCodeFromString(""));
  EXPECT_EQ(*fourCharCodeFromString("aufx"), fourCharCode("aufx"));
}
