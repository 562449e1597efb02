#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace testing_support {

// A fresh directory under the system's temporary folder, removed with its contents.
class TemporaryDirectory {
public:
  TemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "drollicant-test-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) path = made;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

  const std::filesystem::path& get() const { return path; }
  std::filesystem::path operator/(std::string_view name) const { return path / name; }

private:
  std::filesystem::path path;
};

inline void writeFile(const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream stream(file, std::ios::binary);
  stream.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace testing_support
