#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/NSError.h"
#include "platform/foundation/PlistValue.h"

namespace platform {

enum class NSPropertyListFormat { XML_v1_0 = 100, Binary_v1_0 = 200 };

// Encodes and decodes property lists (libplist underneath). Decoding is made safe for
// input from users and other machines: empty, truncated or garbage bytes, inputs above
// `kMaxInputBytes`, structures nested deeper than `kMaxNestingDepth`, binary lists with
// reference cycles or that would expand to more than `kMaxExpandedObjects` values all
// fail with an NSPropertyListReadCorruptError instead of exhausting stack or memory.
class NSPropertyListSerialization {
public:
  static constexpr size_t kMaxInputBytes = 16u << 20;
  static constexpr int kMaxNestingDepth = 256;
  static constexpr size_t kMaxExpandedObjects = 1u << 20;

  // Any thread. Decodes XML or binary (detected from the bytes); none on failure.
  static std::optional<PlistValue> propertyListWithData(std::string_view data, NSError* outError);

  // Any thread. Encodes `value`. Strings that are not valid UTF-8 are written with
  // U+FFFD in place of each invalid sequence, so the XML produced can always be read back.
  static std::optional<std::string> dataWithPropertyList(const PlistValue& value, NSPropertyListFormat format,
                                                         NSError* outError);
};

}  // namespace platform
