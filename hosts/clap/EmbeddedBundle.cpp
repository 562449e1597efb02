#include "hosts/clap/EmbeddedBundle.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace drollicant::clap {

// Written by EmbedFiles.cmake.
extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;
extern const char kEmbeddedFilesHash[];

namespace fs = std::filesystem;

namespace {

fs::path cacheRoot() {
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') return cache;
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".cache";
  return fs::temp_directory_path();
}

// Writes into a file of our own next to the target and renames it into place, so two
// hosts unpacking at once never see half a file.
bool writeFile(const fs::path& target, const EmbeddedFile& file) {
  std::error_code error;
  if (fs::exists(target, error) && fs::file_size(target, error) == file.size) return true;
  fs::create_directories(target.parent_path(), error);
  const fs::path partial = target.string() + ".part" + std::to_string(getpid());
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes), std::streamsize(file.size));
    if (!out.good()) return false;
  }
  fs::rename(partial, target, error);
  if (error) fs::remove(partial, error);
  return !error;
}

}  // namespace

fs::path EmbeddedBundle::folder() { return cacheRoot() / "drollicant" / (std::string("clap-") + kEmbeddedFilesHash); }

std::shared_ptr<platform::NSBundle> EmbeddedBundle::unpack() {
  const fs::path root = folder();
  for (size_t i = 0; i < kEmbeddedFileCount; ++i)
    if (!writeFile(root / kEmbeddedFiles[i].path, kEmbeddedFiles[i])) return nullptr;
  return platform::NSBundle::bundleWithURL(root);
}

}  // namespace drollicant::clap
