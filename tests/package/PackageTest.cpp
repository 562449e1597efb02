#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/DrollicantCommand.h"
#include "support/Subprocess.h"
#include "support/TemporaryDirectory.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr const char* kPluginURI = "urn:drollicant:lv2:drollicant";

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The package as a user gets it: built by cpack, unpacked into a scratch root with dpkg.
class DebianPackage : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(home);
    const auto built = runProcess({"cpack", "-G", "DEB", "--config", DROLLICANT_CPACK_CONFIG, "-B", scratch / "out"},
                                  {"HOME=" + home.string()});
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    const std::string arch = trimmed(runProcess({"dpkg", "--print-architecture"}).out);
    package = scratch / "out" / ("drollicant_" + std::string(DROLLICANT_VERSION) + "_" + arch + ".deb");
    ASSERT_TRUE(fs::is_regular_file(package)) << built.out;
    const auto unpacked = runProcess({"dpkg", "-x", package, root});
    ASSERT_EQ(unpacked.status, 0) << unpacked.err;
  }

  TemporaryDirectory scratch;
  fs::path home = scratch / "home";
  fs::path root = scratch / "root";
  fs::path package;
};

}  // namespace

// Packaging is a staged install: everything lands in the system folders under the
// package root, nothing in the home folder of whoever builds it. Hosts find the plug-in
// in the unpacked root, and the command runs from there and finds its bundle beside it
// (../lib/lv2), with no LV2_PATH and an empty home. One test: cpack takes half a minute.
TEST_F(DebianPackage, InstallsWhereHostsFindIt) {
  EXPECT_TRUE(fs::is_regular_file(root / "usr/bin/drollicant"));
  for (const char* file : {"manifest.ttl", "drollicant.ttl", "presets.ttl", "drollicant.so", "drollicant_ui.so",
                           "Info.plist", "Resources/presets/00-Drollicant.aupreset"})
    EXPECT_TRUE(fs::is_regular_file(root / "usr/lib/lv2/drollicant.lv2" / file)) << file;
  EXPECT_TRUE(fs::is_regular_file(root / "usr/share/applications/drollicant.desktop"));
  // The other formats in the folders their hosts search.
  EXPECT_TRUE(fs::is_regular_file(root / "usr/lib/vst3/Drollicant.vst3/Contents/x86_64-linux/Drollicant.so"));
  EXPECT_TRUE(fs::is_regular_file(root / "usr/lib/clap/Drollicant.clap"));
  EXPECT_TRUE(fs::is_empty(home)) << "cpack wrote into the home folder";

  // dpkg-shlibdeps found the libraries the binaries link.
  const auto depends = runProcess({"dpkg-deb", "-f", package, "Depends"});
  for (const char* library : {"libc6", "libstdc++6", "libsndfile1", "libplist3", "libcairo2", "libx11-6"})
    EXPECT_NE(depends.out.find(library), std::string::npos) << library << " missing from: " << depends.out;

  const std::string lv2Path = "LV2_PATH=" + (root / "usr/lib/lv2").string();
  const auto listed = runProcess({"lv2ls"}, {lv2Path});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(trimmed(listed.out), kPluginURI);

  const auto info = runProcess({"lv2info", kPluginURI}, {lv2Path});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("file://" + (root / "usr/lib/lv2/drollicant.lv2/drollicant.so").string()), std::string::npos)
      << info.out;
  EXPECT_NE(info.out.find("Author:            Drollicant\n"), std::string::npos) << info.out;

  const std::vector<std::string> bare{"HOME=" + home.string(), "LV2_PATH="};
  const auto command = (root / "usr/bin/drollicant").string();
  const auto presets = runProcess({command, "presets"}, bare);
  ASSERT_EQ(presets.status, 0) << presets.err;
  EXPECT_EQ(presets.out, runDrollicant({"presets"}).out);
  EXPECT_FALSE(presetNames().empty());

  const auto rendered = runProcess({command, "render", "-o", (scratch / "demo.wav").string()}, bare);
  EXPECT_EQ(rendered.status, 0) << rendered.err;
  EXPECT_GT(fs::file_size(scratch / "demo.wav"), 44u);
}
