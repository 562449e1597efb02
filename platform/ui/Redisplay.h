#pragma once
// Anything that changes what a view tree looks like bumps one counter; windows compare it
// with the value they last drew to know whether to draw again.
#include <cstdint>

namespace platform {

void markNeedsDisplay();
std::uint64_t displayGeneration();

}  // namespace platform
