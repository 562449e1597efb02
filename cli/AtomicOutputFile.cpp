#include "cli/AtomicOutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace drollicant::cli {
namespace {

// Read once before main, while no other thread can be creating files.
mode_t readProcessUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}
const mode_t kProcessUmask = readProcessUmask();

std::string describeErrno(int err) { return std::strerror(err); }

}  // namespace

std::unique_ptr<AtomicOutputFile> AtomicOutputFile::create(const std::filesystem::path& destination,
                                                           std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(destination, ec)) {
    error = destination.string() + ": is a folder";
    return nullptr;
  }
  const std::filesystem::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
  std::string pattern = (folder / ("." + destination.filename().string() + ".tmp-XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = destination.string() + ": cannot write (" + describeErrno(errno) + ")";
    return nullptr;
  }
  // mkstemp makes the file private; a finished file gets the permissions any new file would.
  fchmod(fd, 0666 & ~kProcessUmask);
  close(fd);
  return std::unique_ptr<AtomicOutputFile>(new AtomicOutputFile(destination, name.data()));
}

AtomicOutputFile::AtomicOutputFile(std::filesystem::path target, std::filesystem::path temporary)
    : target(std::move(target)), temporary(std::move(temporary)) {}

AtomicOutputFile::~AtomicOutputFile() {
  if (!committed) unlink(temporary.c_str());
}

bool AtomicOutputFile::writeText(const std::string& text, std::string& error) {
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = target.string() + ": cannot write (" + describeErrno(errno) + ")";
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeErrno = errno;
  if (std::fclose(file) != 0 || !written) {
    error = target.string() + ": write failed (" + describeErrno(written ? errno : writeErrno) + ")";
    return false;
  }
  return true;
}

bool AtomicOutputFile::commit(std::string& error) {
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    error = target.string() + ": cannot write (" + describeErrno(errno) + ")";
    return false;
  }
  committed = true;
  return true;
}

}  // namespace drollicant::cli
