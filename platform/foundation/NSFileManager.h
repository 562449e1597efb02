#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/NSError.h"

namespace platform {

// File URLs are file-system paths here.
using NSURL = std::filesystem::path;

using NSDirectoryEnumerationOptions = uint32_t;
inline constexpr NSDirectoryEnumerationOptions NSDirectoryEnumerationSkipsHiddenFiles = 4;

// Directory listing and whole-file reads and writes. Any thread except the audio thread.
class NSFileManager {
public:
  static NSFileManager& defaultManager();

  // The entries directly inside `directory` (full paths, no recursion) in the order
  // the file system lists them; with NSDirectoryEnumerationSkipsHiddenFiles, names
  // starting with "." are left out. None, with an error, when it cannot be listed.
  std::optional<std::vector<NSURL>> contentsOfDirectory(const NSURL& directory, NSDirectoryEnumerationOptions options,
                                                        NSError* outError) const;

  // The bytes of a regular file; none, with an error, when it cannot be read or is
  // larger than `maxBytes` (a safety limit for files from other machines).
  std::optional<std::string> contentsAtPath(const NSURL& path, NSError* outError,
                                            size_t maxBytes = kDefaultMaxReadBytes) const;

  // Writes the bytes atomically (a temporary file beside it, then a rename).
  bool writeContents(const NSURL& path, std::string_view bytes, NSError* outError) const;

  static constexpr size_t kDefaultMaxReadBytes = 64u << 20;
};

}  // namespace platform
