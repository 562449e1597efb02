#pragma once
#include <cstddef>
#include <string_view>

namespace platform::detail {

// Cheap structural checks made before libplist sees the bytes: libplist recurses once
// per nesting level and copies a binary object once per reference, so a small hostile
// file could otherwise overflow the stack or expand without bound.

// XML: true when <array> and <dict> elements nest at most `maxDepth` deep.
bool xmlNestingWithin(std::string_view xml, int maxDepth);

// Binary ("bplist00"): true when the trailer and offset table are sound, every
// reference points at an object, there is no reference cycle, containers nest at most
// `maxDepth` deep, the fully expanded tree has at most `maxObjects` values and no
// dictionary key holds a NUL character (libplist aborts the process on one).
bool binaryStructureWithin(std::string_view bytes, int maxDepth, size_t maxObjects);

}  // namespace platform::detail
