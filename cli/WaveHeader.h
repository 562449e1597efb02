#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>

namespace drollicant::cli {

// The number of frames the header of a RIFF WAV file announces in its data chunk, or
// nothing when the file is no RIFF WAV or gives no usable length (a length left open by
// a program that wrote to a pipe). libsndfile quietly shortens the data chunk to what
// the file holds, so this is how a cut-off file shows.
std::optional<int64_t> declaredWaveFrames(const std::filesystem::path& path);

}  // namespace drollicant::cli
