#include "platform/foundation/NSFileManager.h"

#include <fstream>
#include <system_error>

namespace platform {

namespace {

bool fileError(NSError* outError, int64_t code, const NSURL& path, const std::string& why) {
  return NSError::fail(outError, NSCocoaErrorDomain, code, path.string() + ": " + why);
}

}  // namespace

NSFileManager& NSFileManager::defaultManager() {
  static NSFileManager manager;
  return manager;
}

std::optional<std::vector<NSURL>> NSFileManager::contentsOfDirectory(const NSURL& directory,
                                                                     NSDirectoryEnumerationOptions options,
                                                                     NSError* outError) const {
  std::error_code error;
  std::filesystem::directory_iterator entries(directory, error);
  if (error) {
    fileError(outError, NSFileReadUnknownError, directory, error.message());
    return std::nullopt;
  }
  std::vector<NSURL> contents;
  for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error) break;
    const NSURL& path = it->path();
    const std::string name = path.filename().string();
    if ((options & NSDirectoryEnumerationSkipsHiddenFiles) && !name.empty() && name.front() == '.') continue;
    contents.push_back(path);
  }
  if (error) {
    fileError(outError, NSFileReadUnknownError, directory, error.message());
    return std::nullopt;
  }
  return contents;
}

std::optional<std::string> NSFileManager::contentsAtPath(const NSURL& path, NSError* outError, size_t maxBytes) const {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    fileError(outError, NSFileNoSuchFileError, path, "not a readable file");
    return std::nullopt;
  }
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    fileError(outError, NSFileReadUnknownError, path, error.message());
    return std::nullopt;
  }
  if (size > maxBytes) {
    fileError(outError, NSFileReadTooLargeError, path, "the file is too large");
    return std::nullopt;
  }
  std::ifstream stream(path, std::ios::binary);
  if (!stream) {
    fileError(outError, NSFileReadUnknownError, path, "cannot be opened");
    return std::nullopt;
  }
  std::string bytes(size_t(size), '\0');
  stream.read(bytes.data(), std::streamsize(size));
  // A file that shrank while being read yields what was there.
  bytes.resize(size_t(stream.gcount()));
  if (stream.bad()) {
    fileError(outError, NSFileReadUnknownError, path, "read failed");
    return std::nullopt;
  }
  return bytes;
}

bool NSFileManager::writeContents(const NSURL& path, std::string_view bytes, NSError* outError) const {
  NSURL temporary = path;
  temporary += ".partial";
  {
    std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
    if (!stream) return fileError(outError, NSFileWriteUnknownError, temporary, "cannot be created");
    stream.write(bytes.data(), std::streamsize(bytes.size()));
    stream.flush();
    if (!stream) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return fileError(outError, NSFileWriteUnknownError, temporary, "write failed");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return fileError(outError, NSFileWriteUnknownError, path, error.message());
  }
  return true;
}

}  // namespace platform
