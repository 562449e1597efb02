#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "support/DrollicantCommand.h"
#include "support/TemporaryDirectory.h"

namespace testing_support {

inline constexpr const char* kPluginURI = "urn:drollicant:lv2:drollicant";

// An LV2 search path holding only the built bundle (and the LV2 specifications), so
// hosts see exactly our plug-in.
class LV2SearchPath {
public:
  LV2SearchPath() { std::filesystem::create_directory_symlink(DROLLICANT_BUNDLE, folder / "drollicant.lv2"); }
  // For the host processes. In sanitizer builds the plug-in needs the sanitizer's
  // runtime loaded first, and the hosts' own leaks are not ours to report.
  std::vector<std::string> environment() const {
    std::vector<std::string> entries{"LV2_PATH=" + folder.get().string() + ":/usr/lib/lv2"};
    if (std::string(DROLLICANT_HOST_PRELOAD).empty()) return entries;
    entries.push_back(std::string("LD_PRELOAD=") + DROLLICANT_HOST_PRELOAD);
    entries.push_back("ASAN_OPTIONS=detect_leaks=0");
    return entries;
  }
  std::filesystem::path bundle() const { return folder / "drollicant.lv2"; }

private:
  TemporaryDirectory folder;
};

}  // namespace testing_support
