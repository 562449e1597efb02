#include "artwork/BundleToken.h"

namespace drollicant {

namespace {
// Lives in this module; its address is what identifies the module.
const char moduleMarker = 0;
}  // namespace

platform::NSBundle::ClassToken BundleToken::token() { return &moduleMarker; }

}  // namespace drollicant
