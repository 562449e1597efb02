#include "platform/ui/BundleImages.h"

#include <string>

namespace platform {

namespace {
constexpr std::string_view kImageExtensions[] = {"svg", "png"};

bool isImageFileName(std::string_view name) {
  for (std::string_view extension : kImageExtensions) {
    if (name.size() > extension.size() + 1 && name.substr(name.size() - extension.size()) == extension &&
        name[name.size() - extension.size() - 1] == '.')
      return true;
  }
  return false;
}
}  // namespace

std::shared_ptr<NSImage> imageForResource(const NSBundle& bundle, std::string_view name) {
  // A name is one file in Resources/, never a path out of it.
  if (name.empty() || name.find('/') != std::string_view::npos || name == "." || name == "..") return nullptr;
  if (isImageFileName(name)) {
    auto url = bundle.URLForResource(name, "");
    return url ? NSImage::imageWithContentsOfFile(*url) : nullptr;
  }
  for (std::string_view extension : kImageExtensions) {
    if (auto url = bundle.URLForResource(name, extension)) {
      if (auto image = NSImage::imageWithContentsOfFile(*url)) return image;
    }
  }
  return nullptr;
}

}  // namespace platform
