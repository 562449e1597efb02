#include "hosts/lv2/UIHostFeatures.h"

#include <cmath>
#include <cstring>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

namespace drollicant::lv2 {
namespace {

// Scale factors beyond this are taken as a host's mistake and ignored.
constexpr double kLargestScaleFactor = 8;

double readScaleFactor(const LV2_Options_Option* options, const LV2_URID_Map* map) {
  if (!options || !map) return 0;
  const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  const LV2_URID doubleType = map->map(map->handle, LV2_ATOM__Double);
  for (const auto* o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (o->key != key || !o->value) continue;
    double scale = 0;
    if (o->type == floatType && o->size == sizeof(float))
      scale = *static_cast<const float*>(o->value);
    else if (o->type == doubleType && o->size == sizeof(double))
      scale = *static_cast<const double*>(o->value);
    return std::isfinite(scale) && scale > 0 && scale <= kLargestScaleFactor ? scale : 0;
  }
  return 0;
}

}  // namespace

UIHostFeatures UIHostFeatures::read(const LV2_Feature* const* features) {
  UIHostFeatures found;
  const LV2_Options_Option* options = nullptr;
  const LV2_URID_Map* map = nullptr;
  for (auto f = features; f && *f; ++f) {
    const char* uri = (*f)->URI;
    void* data = (*f)->data;
    if (!uri) continue;
    if (std::strcmp(uri, LV2_UI__parent) == 0)
      found.parentWindow = reinterpret_cast<unsigned long>(data);
    else if (std::strcmp(uri, LV2_UI__resize) == 0)
      found.resize = static_cast<const LV2UI_Resize*>(data);
    else if (std::strcmp(uri, LV2_OPTIONS__options) == 0)
      options = static_cast<const LV2_Options_Option*>(data);
    else if (std::strcmp(uri, LV2_URID__map) == 0)
      map = static_cast<const LV2_URID_Map*>(data);
  }
  found.scaleFactor = readScaleFactor(options, map);
  return found;
}

}  // namespace drollicant::lv2
