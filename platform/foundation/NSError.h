#pragma once
#include <cstdint>
#include <string>

namespace platform {

// An error report handed back through an out-parameter: the caller passes a pointer
// (or nullptr when it does not care) and the failing call fills it in.
struct NSError {
  std::string domain;
  int64_t code = 0;
  std::string localizedDescription;

  // Fills `*out` when the caller asked for the error; always returns false so a
  // failing call can `return fail(...)`.
  static bool fail(NSError* out, std::string domain, int64_t code, std::string message) {
    if (out) *out = NSError{std::move(domain), code, std::move(message)};
    return false;
  }
};

// Status codes of the audio system travel in this domain.
inline constexpr const char* NSOSStatusErrorDomain = "NSOSStatusErrorDomain";
// File and property-list failures travel in this domain.
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";

// Codes of NSCocoaErrorDomain used here.
inline constexpr int64_t NSFileNoSuchFileError = 4;
inline constexpr int64_t NSFileReadUnknownError = 256;
inline constexpr int64_t NSFileReadTooLargeError = 263;
inline constexpr int64_t NSFileWriteUnknownError = 512;
inline constexpr int64_t NSPropertyListReadCorruptError = 3840;
inline constexpr int64_t NSPropertyListWriteInvalidError = 3852;

}  // namespace platform
