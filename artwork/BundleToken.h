#pragma once
// Names the module that holds the artwork code, for the bundle-for-class lookup: the extension
// bundle inside the plug-in, the application bundle inside the application.
#include "platform/foundation/NSBundle.h"

namespace drollicant {

class BundleToken {
public:
  BundleToken() = delete;
  static platform::NSBundle::ClassToken token();
};

}  // namespace drollicant
