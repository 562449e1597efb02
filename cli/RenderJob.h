#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "cli/OutputFormat.h"
#include "cli/ProgressBar.h"
#include "cli/UnitRecipe.h"
#include "cli/UnitRenderer.h"

namespace drollicant::cli {

// One file to render: an input file (or the demo clip when there is none) and where
// the result goes. Each job renders through a unit of its own.
struct RenderJob {
  std::optional<std::filesystem::path> input;
  std::filesystem::path output;
  OutputFormat format;
  int64_t frames = 0;  // known after `inspect`, for progress

  // Opens the input to learn its length and to report a bad file before any work.
  bool inspect(std::string& error);
  // Renders into a temporary file that replaces `output` only when complete. `damage`
  // tells what was wrong with an input that could still be rendered.
  bool run(const UnitRecipe& recipe, const RenderSettings& settings, ProgressBar* progress, std::string& error,
           std::string& damage) const;
};

}  // namespace drollicant::cli
