// libFuzzer entry: bytes as a saved state or preset file. Decoding must fail cleanly
// or yield a value; a decoded dictionary restored into a unit must leave every
// parameter finite and inside its range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "audiounit/DrollicantAudioUnit.h"
#include "platform/foundation/NSPropertyListSerialization.h"

namespace {

drollicant::DrollicantAudioUnit& unit() {
  static const auto instance = drollicant::DrollicantAudioUnit::create(
      {platform::fourCharCode("aufx"), platform::fourCharCode("drlc"), platform::fourCharCode("Drol"), 0, 0}, 0,
      nullptr);
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto value = platform::NSPropertyListSerialization::propertyListWithData(bytes, nullptr);
  if (!value || !value->dictionaryValue()) return 0;
  unit().setFullState(*value->dictionaryValue());
  for (const auto& parameter : unit().parameterTree()->allParameters()) {
    const float v = parameter->value();
    if (!std::isfinite(v) || v < 0.0f || v > 1.0f) std::abort();
  }
  // What was read must also write.
  if (!platform::NSPropertyListSerialization::dataWithPropertyList(*value, platform::NSPropertyListFormat::XML_v1_0,
                                                                   nullptr))
    std::abort();
  return 0;
}
