#pragma once
#include <cstddef>
#include <filesystem>
#include <memory>

#include "platform/foundation/NSBundle.h"

namespace drollicant::clap {

// A file of the bundle compiled into the plug-in: its path inside the bundle and bytes.
struct EmbeddedFile {
  const char* path;
  const unsigned char* bytes;
  size_t size;
};

// A CLAP plug-in is one file with no folder of its own, so the bundle files the unit and
// the editor look up by path (Info.plist, Resources/presets, the artwork) are compiled
// in and written out once into a folder named after their contents, under the user's
// cache folder. Files already there with the same name are kept: the contents hash in
// the folder name says they are the same.
//
// Threads: the host's main thread (CLAP entry init).
class EmbeddedBundle {
public:
  // The unpacked bundle; nullptr when no folder could be written.
  static std::shared_ptr<platform::NSBundle> unpack();
  // Where `unpack` puts the files: $XDG_CACHE_HOME (or ~/.cache)/drollicant/clap-<hash>.
  static std::filesystem::path folder();
};

}  // namespace drollicant::clap
