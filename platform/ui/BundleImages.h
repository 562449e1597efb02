#pragma once
// Named image resources of a bundle, and the path extension of the extension bundles an
// application carries in its built-in plug-ins folder.
#include <memory>
#include <string_view>

#include "platform/foundation/NSBundle.h"
#include "platform/ui/Image.h"

namespace platform {

// Path extension (without the dot, compared exactly) of a carried extension bundle; the
// desktop platform's "appex".
inline constexpr std::string_view NSAppExtensionPathExtension = "lv2";

// The image `Resources/<name>.svg`, else `Resources/<name>.png`, of the bundle; a name that
// already ends in ".svg" or ".png" is looked up as it is. A new image object on every call;
// null when there is no such readable file.
std::shared_ptr<NSImage> imageForResource(const NSBundle& bundle, std::string_view name);

}  // namespace platform
