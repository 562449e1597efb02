#include <gtest/gtest.h>

#include "platform/foundation/NSBundle.h"
#include "support/TemporaryDirectory.h"

using namespace platform;
using testing_support::TemporaryDirectory;
using testing_support::writeFile;

namespace {
const int kThisModule = 0;
}  // namespace

TEST(Bundle, IsAnExistingDirectoryWithResourcesAndInfo) {
  TemporaryDirectory dir;
  EXPECT_EQ(NSBundle::bundleWithURL(dir / "missing"), nullptr);
  writeFile(dir / "file", "x");
  EXPECT_EQ(NSBundle::bundleWithURL(dir / "file"), nullptr);

  writeFile(dir / "Resources/KnobOverlay.svg", "<svg/>");
  writeFile(dir / "Resources/presets/00-A.aupreset", "x");
  writeFile(dir / "Info.plist",
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleVersion</key><string>7</string>"
            "</dict></plist>");
  const auto bundle = NSBundle::bundleWithURL(dir.get());
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle->URLForResource("KnobOverlay", "svg"), dir / "Resources/KnobOverlay.svg");
  EXPECT_FALSE(bundle->URLForResource("KnobOverlay", "png"));
  EXPECT_EQ(bundle->URLForResource("presets", ""), dir / "Resources/presets");
  EXPECT_EQ(bundle->URLForResource("00-A", "aupreset", "presets"), dir / "Resources/presets/00-A.aupreset");
  EXPECT_FALSE(bundle->URLForResource("01-B", "aupreset", "presets"));
  EXPECT_EQ(*bundle->infoDictionary().at("CFBundleVersion").stringValue(), "7");

  EXPECT_EQ(*bundle, *NSBundle::bundleWithURL(dir / "Resources/.."));
  EXPECT_FALSE(*bundle == *NSBundle::bundleWithURL(dir / "Resources"));
}

TEST(Bundle, UnreadableInfoGivesAnEmptyDictionary) {
  TemporaryDirectory dir;
  EXPECT_TRUE(NSBundle::bundleWithURL(dir.get())->infoDictionary().empty());
  writeFile(dir / "Info.plist", "\x01\x02 not a plist");
  EXPECT_TRUE(NSBundle::bundleWithURL(dir.get())->infoDictionary().empty());
  writeFile(dir / "Info.plist", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
  EXPECT_TRUE(NSBundle::bundleWithURL(dir.get())->infoDictionary().empty());
}

TEST(Bundle, ForClassIsTheModuleDirectoryUnlessOverridden) {
  const auto main = NSBundle::mainBundle();
  ASSERT_TRUE(main);
  // The test executable holds this code, so both are its directory.
  EXPECT_EQ(*NSBundle::bundleForClass(&kThisModule), *main);

  TemporaryDirectory dir;
  NSBundle::setBundleForClassOverride(&kThisModule, NSBundle::bundleWithURL(dir.get()));
  EXPECT_EQ(NSBundle::bundleForClass(&kThisModule)->bundleURL(), std::filesystem::canonical(dir.get()));
  NSBundle::setBundleForClassOverride(&kThisModule, nullptr);
  EXPECT_EQ(*NSBundle::bundleForClass(&kThisModule), *main);
}

TEST(FileManager, ReadsWritesAndListsWithinLimits) {
  TemporaryDirectory dir;
  auto& files = NSFileManager::defaultManager();
  ASSERT_TRUE(files.writeContents(dir / "state.plist", std::string("a\0b", 3), nullptr));
  EXPECT_EQ(*files.contentsAtPath(dir / "state.plist", nullptr), std::string("a\0b", 3));
  EXPECT_FALSE(std::filesystem::exists(dir / "state.plist.partial"));

  NSError error;
  EXPECT_FALSE(files.contentsAtPath(dir / "missing", &error));
  EXPECT_EQ(error.code, NSFileNoSuchFileError);
  EXPECT_FALSE(files.contentsAtPath(dir.get(), &error));
  EXPECT_FALSE(files.contentsAtPath(dir / "state.plist", &error, 2));
  EXPECT_EQ(error.code, NSFileReadTooLargeError);
  EXPECT_FALSE(files.writeContents(dir / "missing/state.plist", "x", &error));
  EXPECT_FALSE(files.contentsOfDirectory(dir / "missing", 0, &error));
  EXPECT_FALSE(error.localizedDescription.empty());
}
