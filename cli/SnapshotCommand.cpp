// drollicant snapshot -o FILE [--size WxH] [--scale S] [--preset …] [--state FILE] [--set …]
#include <cmath>
#include <cstdio>
#include <vector>

#include "artwork/BundleToken.h"
#include "cli/AtomicOutputFile.h"
#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/UnitRecipe.h"
#include "editor/DrollicantAUViewControllerMac.h"
#include "platform/foundation/MainQueue.h"
#include "platform/ui/OffscreenBackend.h"

namespace drollicant::cli {
namespace {

constexpr const char* kCommandName = "snapshot";
constexpr double kMaximumScale = 8;
// A picture is held whole in memory (4 bytes a pixel, more while it is encoded), so
// its size is bounded before anything is drawn: 128 MB of pixels at most.
constexpr double kMaximumPixelsPerSide = 8192;
constexpr double kMaximumPixels = 32e6;
constexpr double kMinimumPoints = 1;

std::vector<Option> allOptions() {
  std::vector<Option> all{
      {"output", 'o', "FILE", "the PNG file to write (required)"},
      {"size", 0, "WxH", "the editor's size in points (default 420x280)"},
      {"scale", 0, "S", "pixels per point (default 1; 2 for a sharp picture on a dense display)"},
  };
  all.insert(all.end(), UnitRecipe::kOptions.begin(), UnitRecipe::kOptions.end());
  all.push_back({"help", 'h', "", "show this help"});
  return all;
}

// "WxH" with two positive numbers.
std::optional<platform::CGSize> parseSize(const std::string& text) {
  const auto cross = text.find_first_of("xX");
  if (cross == std::string::npos) return std::nullopt;
  const auto width = parseNumber(text.substr(0, cross));
  const auto height = parseNumber(text.substr(cross + 1));
  if (!width || !height || !(*width >= kMinimumPoints) || !(*height >= kMinimumPoints)) return std::nullopt;
  return platform::CGSize{*width, *height};
}

void drainMainQueue() {
  while (platform::MainQueue::main().drain() > 0) {
  }
}

}  // namespace

int runSnapshotCommand(std::span<char* const> argv) {
  const auto options = allOptions();
  int status = kExitSuccess;
  const auto args = parseCommandLine(
      kCommandName, options, argv,
      [](const std::string& described) {
        std::printf(
            "Usage: drollicant snapshot -o FILE [OPTION]...\n"
            "Draws the effect's editor, with its knobs and switches showing the settings below,\n"
            "into a PNG file.\n\n"
            "Options:\n%s\nExample:\n  drollicant snapshot -o editor.png --scale 2 --preset 3 --set whimsy=0.2\n",
            described.c_str());
      },
      false, status);
  if (!args) return status;
  const auto output = args->value("output");
  if (!output) return reportUsageError(kCommandName, "say where to write the picture with -o FILE");
  platform::CGSize size{DrollicantAUViewControllerMac::kPreferredWidth,
                        DrollicantAUViewControllerMac::kPreferredHeight};
  if (const auto text = args->value("size")) {
    const auto parsed = parseSize(*text);
    if (!parsed) return reportUsageError(kCommandName, "--size wants WIDTHxHEIGHT in points, such as 420x280");
    size = *parsed;
  }
  double scale = 1;
  if (const auto text = args->value("scale")) {
    const auto parsed = parseNumber(*text);
    if (!parsed || !(*parsed > 0) || *parsed > kMaximumScale)
      return reportUsageError(kCommandName, "--scale wants a number above 0 and at most 8");
    scale = *parsed;
  }
  const double pixelsWide = std::ceil(size.width * scale), pixelsHigh = std::ceil(size.height * scale);
  if (pixelsWide > kMaximumPixelsPerSide || pixelsHigh > kMaximumPixelsPerSide ||
      pixelsWide * pixelsHigh > kMaximumPixels) {
    char limits[160];
    std::snprintf(limits, sizeof limits,
                  "the picture would be %.0f x %.0f pixels; at most %.0f a side and %.0f million in all", pixelsWide,
                  pixelsHigh, kMaximumPixelsPerSide, kMaximumPixels / 1e6);
    return reportUsageError(kCommandName, limits);
  }

  const auto recipe = recipeFromArguments(kCommandName, *args, UnitRecipe::Presets::kRequired, status);
  if (!recipe) return status;
  if (recipe->bundle())
    platform::NSBundle::setBundleForClassOverride(BundleToken::token(),
                                                  platform::NSBundle::bundleWithURL(*recipe->bundle()));
  else
    reportError("warning: no drollicant.lv2 bundle found, so the editor is drawn without its artwork");

  // As a host would: the editor's factory makes the unit, then the view is shown.
  platform::setBackingScaleFactor(scale);
  auto controller = DrollicantAUViewControllerMac::initWithNibName();
  platform::NSError failure;
  const auto unit = controller->createAudioUnit(recipe->componentDescription(), &failure);
  if (!unit) {
    reportError("cannot create the audio unit: " + failure.localizedDescription);
    return kExitFailure;
  }
  recipe->applyTo(*unit);
  const auto view = controller->view();
  view->setFrameSize(size);
  drainMainQueue();

  std::string error;
  auto file = AtomicOutputFile::create(*output, error);
  if (!file) {
    reportError(error);
    return kExitFailure;
  }
  if (!platform::renderViewToPNG(*view, file->temporaryPath(), scale)) {
    reportError(*output + ": cannot write the PNG file");
    return kExitFailure;
  }
  if (!file->commit(error)) {
    reportError(error);
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace drollicant::cli
