#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "platform/foundation/NSFileManager.h"
#include "platform/foundation/PlistValue.h"

namespace platform {

// A bundle is a directory: its resources are in `Resources/`, its information
// dictionary is `Info.plist`, its built-in plug-ins are in `PlugIns/`.
// Bundles are compared by their resolved directory. Any thread but the audio thread.
class NSBundle {
public:
  // Identifies a class for `bundleForClass`: the address of any object or function
  // whose code lives in the same module (executable or shared object) as the class.
  using ClassToken = const void*;

  // The bundle for `url`, or nullptr when it is not an existing directory.
  static std::shared_ptr<NSBundle> bundleWithURL(const NSURL& url);

  // The directory of the running executable.
  static std::shared_ptr<NSBundle> mainBundle();

  // The directory of the module that holds `token` (found with dladdr), unless an
  // override was set for that token. nullptr only if the module cannot be found.
  static std::shared_ptr<NSBundle> bundleForClass(ClassToken token);

  // Makes `bundleForClass(token)` return `bundle` from now on (nullptr removes the
  // override). Needed wherever the code of a class is not in its bundle's directory:
  // a command-line tool that links the audio unit statically names the extension
  // bundle this way, and tests point classes at temporary bundles.
  static void setBundleForClassOverride(ClassToken token, std::shared_ptr<NSBundle> bundle);

  const NSURL& bundleURL() const { return url; }
  NSURL resourceURL() const { return url / "Resources"; }
  NSURL builtInPlugInsURL() const { return url / "PlugIns"; }

  // `Resources/name.ext` (just `name` when `extension` is empty), when it exists.
  std::optional<NSURL> URLForResource(std::string_view name, std::string_view extension) const;
  // `Resources/subdirectory/name.ext`, when it exists.
  std::optional<NSURL> URLForResource(std::string_view name, std::string_view extension,
                                      std::string_view subdirectory) const;

  // The contents of `Info.plist`, read on first use; empty when it is missing, not a
  // property list, or its root is not a dictionary.
  const PlistDictionary& infoDictionary() const;

  bool operator==(const NSBundle& other) const { return url == other.url; }

  explicit NSBundle(NSURL resolvedDirectory) : url(std::move(resolvedDirectory)) {}

private:
  NSURL url;
  mutable std::once_flag infoOnce;
  mutable PlistDictionary info;
};

}  // namespace platform
