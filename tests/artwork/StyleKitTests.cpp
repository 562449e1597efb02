// The style kit: candidate bundles, fitting, the transparent fallback and the radio drawings,
// on real bundle folders and real cairo surfaces.
#include "artwork/KnobsStyleKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "artwork/BundleToken.h"
#include "platform/ui/OffscreenBackend.h"
#include "support/TemporaryDirectory.h"

using namespace platform;
using drollicant::KnobsStyleKit;
using testing_support::TemporaryDirectory;
namespace fs = std::filesystem;

namespace {

const Pixel kWhite{255, 255, 255, 255};
const Pixel kRed{255, 0, 0, 255};
const Pixel kGreen{0, 255, 0, 255};
const Pixel kClear{};

// A bundle folder with Resources/; returns the folder.
fs::path makeBundle(const fs::path& folder) {
  fs::create_directories(folder / "Resources");
  return folder;
}

// An SVG resource w × h in one colour, with red bands `band` wide along its left and top edges.
void writeArt(const fs::path& bundle, const std::string& name, int w, int h, const char* fill, int band = 0) {
  std::ofstream(bundle / "Resources" / (name + ".svg"))
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << w << "\" height=\"" << h << "\" viewBox=\"0 0 " << w
      << " " << h << "\"><rect width=\"" << w << "\" height=\"" << h << "\" fill=\"" << fill << "\"/><rect width=\""
      << band << "\" height=\"" << h << "\" fill=\"#ff0000\"/><rect width=\"" << w << "\" height=\"" << band
      << "\" fill=\"#ff0000\"/></svg>";
}

KnobsStyleKit::Bundle bundleAt(const fs::path& p) { return NSBundle::bundleWithURL(p); }

std::unique_ptr<OffscreenSurface> render(const KnobsStyleKit::Image& image, double scale = 1) {
  return OffscreenBackend::renderImage(*image, scale);
}

}  // namespace

TEST(StyleKitRadio, RingAndDotGeometryAt120By80) {
  auto off = KnobsStyleKit::imageOfRadioOff({0, 0, 120, 80});
  auto on = KnobsStyleKit::imageOfRadioOn({0, 0, 120, 80});
  EXPECT_EQ(off->size(), (CGSize{120, 80}));
  // m = 80: ring of radius 36 about (60, 40), 4.4 wide (33.8 to 38.2); dot of radius 20.
  const struct {
    double x, y;
    Pixel off, on;
  } probes[] = {
      {60, 4, kWhite, kWhite},   {60, 76, kWhite, kWhite}, {24, 40, kWhite, kWhite}, {96, 40, kWhite, kWhite},
      {60, 1.5, kClear, kClear}, {99, 40, kClear, kClear}, {10, 40, kClear, kClear},  // beyond the ring
      {60, 8, kClear, kClear},   {60, 19, kClear, kClear},                            // between ring and dot
      {60, 40, kClear, kWhite},  {60, 21, kClear, kWhite}, {41, 40, kClear, kWhite},  // the dot
  };
  auto offPixels = render(off, 4), onPixels = render(on, 4);
  for (const auto& p : probes) {
    EXPECT_EQ(offPixels->pixel(int(p.x * 4), int(p.y * 4)), p.off) << p.x << "," << p.y;
    EXPECT_EQ(onPixels->pixel(int(p.x * 4), int(p.y * 4)), p.on) << p.x << "," << p.y;
  }

  // The frame's origin changes nothing.
  auto moved = render(KnobsStyleKit::imageOfRadioOn({10, 10, 120, 80}));
  auto home = render(on);
  for (int y = 0; y < 80; y += 3)
    for (int x = 0; x < 120; x += 3) ASSERT_EQ(moved->pixel(x, y), home->pixel(x, y)) << x << "," << y;
}

TEST(StyleKitResources, FitsUnderlaysOverlaysAndFallsBackToTransparent) {
  TemporaryDirectory temp;
  const fs::path code = makeBundle(temp / "Code.lv2");
  // 200 × 200 underlay: green with 10-unit red bands along its left and top edges.
  writeArt(code, "CharismaUnderlay", 200, 200, "#00ff00", 10);
  writeArt(code, "KnobOverlay", 200, 100, "#ff0000");
  writeArt(code, "FlightyLabel", 300, 100, "#ff0000");
  writeArt(code, "WhimsyUnderlay", 0, 0, "none");  // no size at all
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), bundleAt(code));

  // Underlay: 100 × 100; artwork drawn at (−2.5, −2.5), 105 × 105: each band is 5.25 wide, so
  // 2.75 of it shows at the left and top edges (upright); the right and bottom edges are cut.
  auto underlay = KnobsStyleKit::imageOfCharismaUnderlay({10, 10, 100, 100});
  EXPECT_EQ(underlay->size(), (CGSize{100, 100}));
  auto s = render(underlay, 4);
  EXPECT_EQ(s->pixel(10, 200), kRed);    // x = 2.5 points
  EXPECT_EQ(s->pixel(12, 200), kGreen);  // x = 3.0 points
  EXPECT_EQ(s->pixel(200, 10), kRed);    // y = 2.5 points from the top
  EXPECT_EQ(s->pixel(200, 12), kGreen);
  EXPECT_EQ(s->pixel(399, 399), kGreen);  // cut at the image edges, no gap

  // Overlay: the resource's own image resized to the aspect fit, not the frame.
  auto overlay = KnobsStyleKit::imageOfKnobOverlay({0, 0, 100, 100});
  EXPECT_EQ(overlay->size(), (CGSize{100, 50}));
  EXPECT_EQ(render(overlay)->pixel(99, 49), kRed);
  EXPECT_EQ(KnobsStyleKit::imageOfFlightyLabel({0, 0, 60, 24})->size(), (CGSize{60, 20}));
  // Resizing one image must not resize another caller's: nothing is shared.
  EXPECT_NE(KnobsStyleKit::imageOfKnobOverlay({0, 0, 10, 10}), KnobsStyleKit::imageOfKnobOverlay({0, 0, 10, 10}));
  // A resource without a size takes the frame's size, without the factor.
  EXPECT_EQ(KnobsStyleKit::imageOfWhimsyUnderlay({0, 0, 64, 48})->size(), (CGSize{64, 48}));

  // Missing everywhere: a transparent image exactly the frame's size.
  auto missing = KnobsStyleKit::imageOfGenteelLabel({5, 5, 70, 30});
  EXPECT_EQ(missing->size(), (CGSize{70, 30}));
  auto t = render(missing);
  for (int y = 0; y < 30; y += 5)
    for (int x = 0; x < 70; x += 5) ASSERT_EQ(t->pixel(x, y), kClear);
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
}

TEST(StyleKitBundles, CandidateListOrderDuplicatesAndSuffixCase) {
  TemporaryDirectory temp;
  const fs::path code = makeBundle(temp / "Code");
  const fs::path app = makeBundle(temp / "App");
  const fs::path plugins = app / "PlugIns";
  makeBundle(plugins / "First.lv2");
  fs::create_directory_symlink(plugins / "First.lv2", plugins / "Again.lv2");  // same bundle twice
  makeBundle(plugins / "Shouting.LV2");                                        // wrong case
  std::ofstream(plugins / "Plain.lv2") << "not a folder";                      // not a bundle
  makeBundle(plugins / "Other.appex");
  makeBundle(plugins / "Second.lv2");

  auto list = KnobsStyleKit::resourceBundles(bundleAt(code), bundleAt(app));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_TRUE(fs::equivalent(list[0]->bundleURL(), code));
  EXPECT_TRUE(fs::equivalent(list[1]->bundleURL(), app));
  EXPECT_EQ((std::set<fs::path>{list[2]->bundleURL().filename(), list[3]->bundleURL().filename()}),
            (std::set<fs::path>{"First.lv2", "Second.lv2"}));
  EXPECT_EQ(KnobsStyleKit::resourceBundles(bundleAt(app), bundleAt(app)).size(), 3u);   // code in main: once
  EXPECT_EQ(KnobsStyleKit::resourceBundles(bundleAt(app), bundleAt(code)).size(), 2u);  // no plug-ins folder
  EXPECT_EQ(KnobsStyleKit::resourceBundles(nullptr, nullptr).size(), 0u);

  // The first bundle that has the image wins; later ones are not asked.
  auto centre = [&list](const char* name) {
    return render(KnobsStyleKit::resourceImage(name, {20, 20}, 1.05, list))->pixel(10, 10);
  };
  for (const fs::path& bundle : {plugins / "Second.lv2", plugins / "First.lv2", app})
    writeArt(bundle, "SurpriseUnderlay", 10, 10, bundle == app ? "#ff0000" : "#00ff00");
  EXPECT_EQ(centre("SurpriseUnderlay"), kRed);
  fs::remove(app / "Resources" / "SurpriseUnderlay.svg");
  EXPECT_EQ(centre("SurpriseUnderlay"), kGreen);
  // Only the exact extension-bundle suffix is searched.
  writeArt(plugins / "Shouting.LV2", "NostalgiaUnderlay", 10, 10, "#ff0000");
  EXPECT_EQ(centre("NostalgiaUnderlay"), kClear);
}

TEST(ShippedArtwork, EveryNamedImageIsFoundAndDrawsSomething) {
  const fs::path artwork = DROLLICANT_ARTWORK_SOURCE_DIR;
  if (!fs::exists(artwork / "Resources" / "KnobOverlay.svg")) GTEST_SKIP() << "no artwork in this tree";
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), bundleAt(artwork));
  // A missing resource would give the transparent fallback, so drawing something proves it was found.
  using Function = KnobsStyleKit::Image (*)(CGRect);
  int index = 0;
  for (Function function : {KnobsStyleKit::imageOfKnobOverlay, KnobsStyleKit::imageOfDrollicantUnderlay,
                            KnobsStyleKit::imageOfCharismaUnderlay, KnobsStyleKit::imageOfNaiveteUnderlay,
                            KnobsStyleKit::imageOfNostalgiaUnderlay, KnobsStyleKit::imageOfSurpriseUnderlay,
                            KnobsStyleKit::imageOfSweetnessUnderlay, KnobsStyleKit::imageOfWhimsyUnderlay,
                            KnobsStyleKit::imageOfFlightyLabel, KnobsStyleKit::imageOfGenteelLabel}) {
    auto s = render(function({0, 0, 100, 100}));
    int opaque = 0;
    for (int y = 0; y < s->height(); y += 2)
      for (int x = 0; x < s->width(); x += 2) opaque += s->pixel(x, y).alpha > 128;
    EXPECT_GT(opaque, 10) << "image " << index;
    ++index;
  }
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
}
