// libFuzzer entry: bytes as a saved state or preset file, restored into a real unit
// through `fullState`. Decoding fails cleanly or yields a value that also writes;
// restoring any dictionary leaves every parameter finite and in range; the state the
// unit then reports survives writing and reading in both formats and restores the
// same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzUnit.h"
#include "platform/foundation/NSPropertyListSerialization.h"

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto unit = drollicant::fuzz::makeUnit();
  const auto value =
      NSPropertyListSerialization::propertyListWithData({reinterpret_cast<const char*>(data), size}, nullptr);
  if (!value) return 0;
  if (!NSPropertyListSerialization::dataWithPropertyList(*value, NSPropertyListFormat::XML_v1_0, nullptr)) std::abort();
  if (!value->dictionaryValue()) return 0;

  unit->setFullState(*value->dictionaryValue());
  const auto restored = drollicant::fuzz::checkedParameterValues(*unit);
  for (const auto format : {NSPropertyListFormat::XML_v1_0, NSPropertyListFormat::Binary_v1_0}) {
    const auto saved =
        NSPropertyListSerialization::dataWithPropertyList(PlistValue(*unit->fullState()), format, nullptr);
    const auto read = saved ? NSPropertyListSerialization::propertyListWithData(*saved, nullptr) : std::nullopt;
    if (!read || !read->dictionaryValue()) std::abort();
    unit->setFullState(PlistDictionary{});
    unit->setFullState(*read->dictionaryValue());
    if (drollicant::fuzz::checkedParameterValues(*unit) != restored) std::abort();
  }
  return 0;
}
