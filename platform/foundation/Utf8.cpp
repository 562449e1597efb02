#include "platform/foundation/Utf8.h"

#include <unicode/utf8.h>

namespace platform {

namespace {
constexpr char32_t kReplacementCharacter = 0xFFFD;
}

std::vector<char32_t> utf8CodePoints(std::string_view text) {
  std::vector<char32_t> points;
  points.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    points.push_back(c < 0 ? kReplacementCharacter : static_cast<char32_t>(c));
  }
  return points;
}

std::string sanitizedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) {
      out += "\xEF\xBF\xBD";
    } else {
      out.append(text.substr(size_t(start), size_t(i - start)));
    }
  }
  return out;
}

}  // namespace platform
