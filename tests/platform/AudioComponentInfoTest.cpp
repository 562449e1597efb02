#include <gtest/gtest.h>

#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/NSPropertyListSerialization.h"

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
  return entry;
}

}  // namespace

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
}
