// Build step: writes the TTL files of the drollicant.lv2 bundle from a real unit made
// in that bundle. Usage: drollicant_lv2_turtle BUNDLE_DIR [--no-editor]
// (--no-editor: the build has no drollicant_ui.so, so the manifest names no editor)
#include <cstdio>
#include <string>

#include "hosts/lv2/PluginDescriptionBuilder.h"
#include "hosts/lv2/TurtleWriter.h"
#include "platform/foundation/NSFileManager.h"

using namespace drollicant::lv2;

int main(int argc, char** argv) {
  const bool withoutEditor = argc == 3 && std::string(argv[2]) == "--no-editor";
  if (argc != 2 && !withoutEditor) {
    std::fprintf(stderr, "usage: %s BUNDLE_DIR [--no-editor]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path bundle = argv[1];
  std::string error;
  auto description = PluginDescriptionBuilder::describe(bundle, error);
  if (!description) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 1;
  }
  description->editor = !withoutEditor;
  const TurtleWriter writer(*description);
  const std::pair<const char*, std::string> files[] = {{TurtleWriter::kManifestFile, writer.manifest()},
                                                       {TurtleWriter::kPluginFile, writer.pluginData()},
                                                       {TurtleWriter::kPresetsFile, writer.presets()}};
  for (const auto& [name, text] : files) {
    platform::NSError failure;
    if (!platform::NSFileManager::defaultManager().writeContents(bundle / name, text, &failure)) {
      std::fprintf(stderr, "%s: %s: %s\n", argv[0], (bundle / name).c_str(), failure.localizedDescription.c_str());
      return 1;
    }
  }
  return 0;
}
