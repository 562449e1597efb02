#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace drollicant::cli {

// Finds the extension bundle (drollicant.lv2) whose presets the command uses: the one
// built beside this executable, then one in a folder of LV2_PATH, then the user's and
// the system's LV2 folders.
class BundleLocator {
public:
  static constexpr const char* kBundleName = "drollicant.lv2";

  // With `requested`, that folder must be a bundle (else `error` says why). Without,
  // the first candidate that is a bundle, or nothing when none is installed.
  static std::optional<std::filesystem::path> locate(const std::optional<std::filesystem::path>& requested,
                                                     std::string& error);
  static std::vector<std::filesystem::path> candidates();
  static bool isBundle(const std::filesystem::path& folder);
};

}  // namespace drollicant::cli
