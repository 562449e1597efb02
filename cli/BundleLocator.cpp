#include "cli/BundleLocator.h"

#include <cstdlib>
#include <sstream>

namespace drollicant::cli {
namespace fs = std::filesystem;

namespace {

fs::path executableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

}  // namespace

bool BundleLocator::isBundle(const fs::path& folder) {
  std::error_code ec;
  return fs::is_regular_file(folder / "Info.plist", ec) || fs::is_directory(folder / "Resources" / "presets", ec);
}

std::vector<fs::path> BundleLocator::candidates() {
  std::vector<fs::path> list;
  if (const fs::path here = executableFolder(); !here.empty()) {
    list.push_back(here / kBundleName);
    list.push_back(here.parent_path() / kBundleName);
    list.push_back(here.parent_path() / "lib" / "lv2" / kBundleName);
  }
  if (const char* lv2Path = std::getenv("LV2_PATH")) {
    std::stringstream folders(lv2Path);
    for (std::string folder; std::getline(folders, folder, ':');)
      if (!folder.empty()) list.push_back(fs::path(folder) / kBundleName);
  }
  if (const char* home = std::getenv("HOME")) list.push_back(fs::path(home) / ".lv2" / kBundleName);
  list.push_back(fs::path("/usr/local/lib/lv2") / kBundleName);
  list.push_back(fs::path("/usr/lib/lv2") / kBundleName);
  return list;
}

std::optional<fs::path> BundleLocator::locate(const std::optional<fs::path>& requested, std::string& error) {
  std::error_code ec;
  if (requested) {
    if (!fs::is_directory(*requested, ec)) {
      error = requested->string() + ": no such bundle folder";
      return std::nullopt;
    }
    if (!isBundle(*requested)) {
      error = requested->string() + ": not a drollicant bundle (no Info.plist or Resources/presets)";
      return std::nullopt;
    }
    return fs::absolute(*requested, ec);
  }
  for (const auto& candidate : candidates())
    if (isBundle(candidate)) return fs::absolute(candidate, ec);
  return std::nullopt;
}

}  // namespace drollicant::cli
