// libFuzzer entry: the input names and fills the files of an extension bundle's presets
// folder (any bytes but "/" and NUL, hidden names, long names, any extension in any
// case). Scanning lists exactly the visible files whose extension is "aupreset" in any
// case, in a strict order of their names, so a folder lists the same way whatever
// order the file system returns; every listed preset loads exactly when its file is a
// dictionary property list, and applying it keeps the parameters in range.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "audiounit/FactoryPresets.h"
#include "fuzz/FuzzUnit.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NaturalOrder.h"
#include "support/TemporaryDirectory.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr size_t kNameLimit = 255;  // bytes in one file name on Linux file systems

std::string fileName(FuzzedDataProvider& input) {
  std::string name = input.ConsumeRandomLengthString(48);
  if (input.ConsumeBool()) name.resize(input.ConsumeIntegralInRange<size_t>(name.size(), kNameLimit), 'x');
  static const char* const kEndings[] = {".aupreset", ".AUPRESET", ".AuPreset", "", ".aupreset.txt", ".txt", "."};
  name += input.PickValueInArray(kEndings);
  std::replace(name.begin(), name.end(), '/', '_');
  std::replace(name.begin(), name.end(), '\0', '_');
  if (name.size() > kNameLimit) name.erase(0, name.size() - kNameLimit);
  if (name.empty() || name == "." || name == "..") name += "_";
  return name;
}

std::string contents(FuzzedDataProvider& input) {
  static const std::string shipped = [] {
    std::ifstream file(DROLLICANT_SOURCE_DIR "/audiounit/Resources/presets/00-Drollicant.aupreset");
    return std::string(std::istreambuf_iterator<char>(file), {});
  }();
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return shipped;
    case 1:
      return shipped.substr(0, input.ConsumeIntegralInRange<size_t>(0, shipped.size()));
    case 2:
      return input.ConsumeRandomLengthString(256);
    default:
      return {};
  }
}

bool listable(const std::string& name) {
  std::string ending = name.size() > 9 ? name.substr(name.size() - 9) : "";
  std::transform(ending.begin(), ending.end(), ending.begin(), [](char c) { return char(std::tolower(c)); });
  return name.front() != '.' && ending == ".aupreset";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const testing_support::TemporaryDirectory root;
  static const auto bundle = NSBundle::bundleWithURL(root.get());
  static const auto unit = drollicant::fuzz::makeUnit();
  const fs::path folder = root / "Resources/presets";
  fs::remove_all(folder);
  fs::create_directories(folder);

  FuzzedDataProvider input(data, size);
  std::map<std::string, std::string> written;  // listable name → contents
  for (int files = input.ConsumeIntegralInRange(0, 12); files > 0; --files) {
    const std::string name = fileName(input), bytes = contents(input);
    testing_support::writeFile(folder / name, bytes);
    if (listable(name)) written[name] = bytes;
  }

  const auto presets = drollicant::scanFactoryPresets(bundle.get());
  if (presets.size() != written.size()) std::abort();
  for (size_t i = 0; i < presets.size(); ++i) {
    const std::string name = presets[i].filename + "." + presets[i].extension;
    const auto found = written.find(name);
    if (found == written.end()) std::abort();
    if (i > 0) {
      const std::string before = presets[i - 1].filename + "." + presets[i - 1].extension;
      if (localizedStandardCompare(before, name) != NSComparisonResult::OrderedAscending ||
          localizedStandardCompare(name, before) != NSComparisonResult::OrderedDescending)
        std::abort();
    }
    if (presets[i].name != drollicant::presetDisplayName(presets[i].filename)) std::abort();

    const auto parsed = NSPropertyListSerialization::propertyListWithData(found->second, nullptr);
    const auto state = drollicant::loadPresetFile(bundle.get(), presets[i]);
    if (state.has_value() != (parsed && parsed->dictionaryValue())) std::abort();
    if (state) unit->applyState(*state);
    drollicant::fuzz::checkedParameterValues(*unit);
  }
  return 0;
}
