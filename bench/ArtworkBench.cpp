// What a layout and a redraw of the editor cost: artwork looked up and rasterised for a knob,
// and a view tree of six turning knobs drawn into a surface.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "artwork/BundleToken.h"
#include "artwork/KnobsStyleKit.h"
#include "platform/ui/OffscreenBackend.h"

using namespace platform;
using drollicant::KnobsStyleKit;

namespace {

// A bundle with a plausible underlay: gradient disc, tick marks, a caption.
class ArtworkBundle {
public:
  ArtworkBundle() : path(std::filesystem::temp_directory_path() / ("drollicant_bench_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path / "Resources");
    std::ofstream svg(path / "Resources" / "CharismaUnderlay.svg");
    svg << R"(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="200" viewBox="0 0 200 200">)"
        << R"(<defs><radialGradient id="g"><stop offset="0" stop-color="#fc6"/><stop offset="1" stop-color="#a40"/>)"
        << R"svg(</radialGradient></defs><circle cx="100" cy="100" r="90" fill="url(#g)"/>)svg";
    for (int i = 0; i <= 16; ++i) {
      const double a = (-160 + 20 * i) * M_PI / 180;
      svg << "<line x1=\"" << 100 + 80 * std::sin(a) << "\" y1=\"" << 100 - 80 * std::cos(a) << "\" x2=\""
          << 100 + 95 * std::sin(a) << "\" y2=\"" << 100 - 95 * std::cos(a) << R"(" stroke="white" stroke-width="3"/>)";
    }
    svg << R"(<text x="100" y="180" font-size="18" text-anchor="middle" fill="white">CHARISMA</text></svg>)";
    svg.close();
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), NSBundle::bundleWithURL(path));
  }
  ~ArtworkBundle() {
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
    std::filesystem::remove_all(path);
  }
  std::filesystem::path path;
};

void UnderlayLookupAndBitmap(benchmark::State& state) {
  ArtworkBundle bundle;
  const double scale = double(state.range(0));
  setBackingScaleFactor(scale);
  for (auto _ : state) {
    auto image = KnobsStyleKit::imageOfCharismaUnderlay({0, 0, 100, 100});
    benchmark::DoNotOptimize(image->CGImageForProposedRect(nullptr, nullptr, nullptr));
  }
  setBackingScaleFactor(1);
}
BENCHMARK(UnderlayLookupAndBitmap)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void RadioBitmap(benchmark::State& state) {
  for (auto _ : state) {
    auto image = KnobsStyleKit::imageOfRadioOn({0, 0, 96, 96});
    benchmark::DoNotOptimize(image->CGImageForProposedRect(nullptr, nullptr, nullptr));
  }
}
BENCHMARK(RadioBitmap)->Unit(benchmark::kMicrosecond);

// A redraw after a value change: six knobs of two layers each, one of them turned.
void EditorRedraw(benchmark::State& state) {
  ArtworkBundle bundle;
  auto root = NSView::initWithFrame({0, 0, 420, 280});
  root->setWantsLayer(true);
  root->layer()->setBackgroundColor(NSColor::colorWithRed(0.741, 0.298, 0, 1).CGColor());
  std::vector<std::shared_ptr<CALayer>> pointers;
  for (int i = 0; i < 6; ++i) {
    auto knob = NSView::initWithFrame({30.0 + 130 * (i % 3), 15.0 + 115 * (i / 3), 100, 100});
    knob->setWantsLayer(true);
    for (bool overlay : {false, true}) {
      auto layer = CALayer::layer();
      layer->setBounds({0, 0, 100, 100});
      layer->setPosition({50, 50});
      auto image = overlay ? KnobsStyleKit::imageOfRadioOff({0, 0, 100, 100})
                           : KnobsStyleKit::imageOfCharismaUnderlay({0, 0, 100, 100});
      layer->setContents(image->CGImageForProposedRect(nullptr, nullptr, nullptr));
      knob->layer()->addSublayer(layer);
      if (overlay) pointers.push_back(layer);
    }
    root->addSubview(knob);
  }
  const double scale = double(state.range(0));
  double angle = 0;
  for (auto _ : state) {
    angle += 0.01;
    pointers[0]->setTransform(CATransform3DMakeRotation(angle, 0, 0, 1));
    benchmark::DoNotOptimize(OffscreenBackend::renderView(*root, scale));
  }
}
BENCHMARK(EditorRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
