#include "hosts/lv2/HostFeatures.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cstring>

namespace drollicant::lv2 {
namespace {

const void* findFeature(const LV2_Feature* const* features, const char* uri) {
  if (features == nullptr) return nullptr;
  for (const LV2_Feature* const* f = features; *f != nullptr; ++f)
    if (std::strcmp((*f)->URI, uri) == 0) return (*f)->data;
  return nullptr;
}

// The option's value when it is an integer of a type we know, else 0.
int64_t integerOption(const LV2_Options_Option& option, LV2_URID atomInt, LV2_URID atomLong) {
  if (option.value == nullptr) return 0;
  if (option.type == atomInt && option.size == sizeof(int32_t)) return *static_cast<const int32_t*>(option.value);
  if (option.type == atomLong && option.size == sizeof(int64_t)) return *static_cast<const int64_t*>(option.value);
  return 0;
}

}  // namespace

HostFeatures HostFeatures::read(const LV2_Feature* const* features) {
  HostFeatures result;
  const auto* map = static_cast<const LV2_URID_Map*>(findFeature(features, LV2_URID__map));
  const auto* options = static_cast<const LV2_Options_Option*>(findFeature(features, LV2_OPTIONS__options));
  if (map == nullptr || options == nullptr) return result;

  const LV2_URID maxBlock = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID atomLong = map->map(map->handle, LV2_ATOM__Long);
  for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (o->context != LV2_OPTIONS_INSTANCE || o->key != maxBlock) continue;
    const int64_t value = integerOption(*o, atomInt, atomLong);
    if (value > 0) result.maxBlockLength = uint32_t(std::min<int64_t>(value, kLargestMaxBlockLength));
  }
  return result;
}

}  // namespace drollicant::lv2
