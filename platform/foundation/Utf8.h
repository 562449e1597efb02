#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Decodes UTF-8 into code points; each invalid or truncated sequence becomes U+FFFD.
std::vector<char32_t> utf8CodePoints(std::string_view text);

// The text with every invalid UTF-8 sequence replaced by U+FFFD; valid text unchanged.
std::string sanitizedUtf8(std::string_view text);

}  // namespace platform
