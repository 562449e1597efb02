#include "platform/foundation/NSBundle.h"

#include <dlfcn.h>
#include <link.h>

#include <system_error>

#include "platform/foundation/NSPropertyListSerialization.h"

namespace platform {

namespace {

constexpr const char* kInfoPlistName = "Info.plist";
constexpr size_t kMaxInfoPlistBytes = 1u << 20;

std::mutex& overridesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<NSBundle::ClassToken, std::shared_ptr<NSBundle>>& overrides() {
  static std::map<NSBundle::ClassToken, std::shared_ptr<NSBundle>> table;
  return table;
}

NSURL executablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

// The file of the module holding `address`; the main program reports an empty name.
NSURL modulePath(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
  if (map && map->l_name && map->l_name[0] != '\0') return NSURL(map->l_name);
  if (!map && info.dli_fname && info.dli_fname[0] != '\0') return NSURL(info.dli_fname);
  return executablePath();
}

std::string fileName(std::string_view name, std::string_view extension) {
  std::string file(name);
  if (!extension.empty()) {
    file += '.';
    file += extension;
  }
  return file;
}

std::optional<NSURL> existing(const NSURL& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error)) return path;
  return std::nullopt;
}

}  // namespace

std::shared_ptr<NSBundle> NSBundle::bundleWithURL(const NSURL& url) {
  std::error_code error;
  if (url.empty() || !std::filesystem::is_directory(url, error)) return nullptr;
  NSURL resolved = std::filesystem::canonical(url, error);
  if (error) return nullptr;
  return std::make_shared<NSBundle>(std::move(resolved));
}

std::shared_ptr<NSBundle> NSBundle::mainBundle() { return bundleWithURL(executablePath().parent_path()); }

std::shared_ptr<NSBundle> NSBundle::bundleForClass(ClassToken token) {
  {
    std::lock_guard<std::mutex> lock(overridesMutex());
    const auto found = overrides().find(token);
    if (found != overrides().end()) return found->second;
  }
  const NSURL module = modulePath(token);
  if (module.empty()) return nullptr;
  std::error_code error;
  return bundleWithURL(std::filesystem::absolute(module, error).parent_path());
}

void NSBundle::setBundleForClassOverride(ClassToken token, std::shared_ptr<NSBundle> bundle) {
  std::lock_guard<std::mutex> lock(overridesMutex());
  if (bundle)
    overrides()[token] = std::move(bundle);
  else
    overrides().erase(token);
}

std::optional<NSURL> NSBundle::URLForResource(std::string_view name, std::string_view extension) const {
  return existing(resourceURL() / fileName(name, extension));
}

std::optional<NSURL> NSBundle::URLForResource(std::string_view name, std::string_view extension,
                                              std::string_view subdirectory) const {
  return existing(resourceURL() / NSURL(subdirectory) / fileName(name, extension));
}

const PlistDictionary& NSBundle::infoDictionary() const {
  std::call_once(infoOnce, [this] {
    const auto bytes =
        NSFileManager::defaultManager().contentsAtPath(url / kInfoPlistName, nullptr, kMaxInfoPlistBytes);
    if (!bytes) return;
    auto root = NSPropertyListSerialization::propertyListWithData(*bytes, nullptr);
    if (root && root->dictionaryValue()) info = std::move(*root->dictionaryValue());
  });
  return info;
}

}  // namespace platform
