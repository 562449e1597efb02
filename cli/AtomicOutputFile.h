#pragma once
#include <filesystem>
#include <memory>
#include <string>

namespace drollicant::cli {

// A file that appears at its destination only when complete: everything is written to
// a hidden temporary file in the same folder, which `commit` renames over the
// destination. Without a commit the temporary file is removed, so a failed or
// interrupted run never leaves a half-written file behind.
class AtomicOutputFile {
public:
  // Fails, with an error naming the destination, when the folder is missing or not
  // writable or the destination is a folder.
  static std::unique_ptr<AtomicOutputFile> create(const std::filesystem::path& destination, std::string& error);
  ~AtomicOutputFile();
  AtomicOutputFile(const AtomicOutputFile&) = delete;
  AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

  const std::filesystem::path& temporaryPath() const { return temporary; }
  const std::filesystem::path& destination() const { return target; }
  // Writes the whole text to the temporary file.
  bool writeText(const std::string& text, std::string& error);
  bool commit(std::string& error);

private:
  AtomicOutputFile(std::filesystem::path target, std::filesystem::path temporary);

  std::filesystem::path target;
  std::filesystem::path temporary;
  bool committed = false;
};

}  // namespace drollicant::cli
