#include "audiounit/FactoryPresets.h"

#include <algorithm>
#include <cctype>

#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NaturalOrder.h"

namespace drollicant {

namespace {

std::string lowercasedASCII(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string presetDisplayName(std::string_view filename) {
  const size_t dash = filename.find('-');
  if (dash == std::string_view::npos) return std::string(filename);
  if (!platform::isAllNumeric(filename.substr(0, dash))) return std::string(filename);
  return std::string(filename.substr(dash + 1));
}

std::vector<FactoryPresetFile> scanFactoryPresets(const platform::NSBundle* bundle) {
  if (!bundle) return {};
  const auto folder = bundle->URLForResource(kPresetsFolder, "");
  if (!folder) return {};
  const auto entries = platform::NSFileManager::defaultManager().contentsOfDirectory(
      *folder, platform::NSDirectoryEnumerationSkipsHiddenFiles, nullptr);
  if (!entries) return {};

  std::vector<platform::NSURL> presets;
  for (const auto& entry : *entries) {
    const std::string extension = entry.extension().string();
    if (!extension.empty() && lowercasedASCII(extension.substr(1)) == kPresetExtension) presets.push_back(entry);
  }
  std::stable_sort(presets.begin(), presets.end(), [](const platform::NSURL& a, const platform::NSURL& b) {
    return platform::localizedStandardCompare(a.filename().string(), b.filename().string()) ==
           platform::NSComparisonResult::OrderedAscending;
  });

  std::vector<FactoryPresetFile> files;
  files.reserve(presets.size());
  for (const auto& preset : presets) {
    std::string filename = preset.stem().string();
    std::string name = presetDisplayName(filename);
    files.push_back({std::move(filename), std::move(name), preset.extension().string().substr(1)});
  }
  return files;
}

std::optional<platform::PlistDictionary> loadPresetFile(const platform::NSBundle* bundle,
                                                        const FactoryPresetFile& file) {
  if (!bundle) return std::nullopt;
  const auto url = bundle->URLForResource(file.filename, file.extension, kPresetsFolder);
  if (!url) return std::nullopt;
  const auto bytes = platform::NSFileManager::defaultManager().contentsAtPath(*url, nullptr, kMaxPresetFileBytes);
  if (!bytes) return std::nullopt;
  auto root = platform::NSPropertyListSerialization::propertyListWithData(*bytes, nullptr);
  if (!root || !root->dictionaryValue()) return std::nullopt;
  return std::move(*root->dictionaryValue());
}

}  // namespace drollicant
