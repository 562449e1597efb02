// The style kit: candidate bundles, fitting, the transparent fallback and the radio drawings,
// on real bundle folders and real cairo surfaces.
#include "artwork/KnobsStyleKit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "artwork/BundleToken.h"
#include "platform/ui/BundleImages.h"
#include "platform/ui/OffscreenBackend.h"

using namespace platform;
using drollicant::KnobsStyleKit;
namespace fs = std::filesystem;

namespace {

const Pixel kWhite{255, 255, 255, 255};
const Pixel kRed{255, 0, 0, 255};
const Pixel kGreen{0, 255, 0, 255};
const Pixel kClear{};

class TempFolder {
public:
    explicit TempFolder(const std::string& name)
        : path(fs::temp_directory_path() / ("drollicant_artwork_" + name + "_" + std::to_string(getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    fs::path path;
};

// A bundle folder with Resources/; returns the folder.
fs::path makeBundle(const fs::path& folder) {
    fs::create_directories(folder / "Resources");
    return folder;
}

void writeSvg(const fs::path& bundle, const std::string& name, int w, int h, const std::string& body) {
    std::ofstream(bundle / "Resources" / (name + ".svg"))
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << w << "\" height=\"" << h << "\" viewBox=\"0 0 "
        << w << " " << h << "\">" << body << "</svg>";
}

std::string rect(int x, int y, int w, int h, const char* fill) {
    return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(w) +
           "\" height=\"" + std::to_string(h) + "\" fill=\"" + fill + "\"/>";
}

KnobsStyleKit::Bundle bundleAt(const fs::path& p) { return NSBundle::bundleWithURL(p); }

std::vector<fs::path> folders(const std::vector<KnobsStyleKit::Bundle>& list) {
    std::vector<fs::path> out;
    for (const auto& b : list) out.push_back(b->bundleURL());
    return out;
}

bool sameFolder(const fs::path& a, const fs::path& b) { return fs::equivalent(a, b); }

}  // namespace

TEST(StyleKitRadio, RingAndDotGeometryAt120By80) {
    const CGRect frame{0, 0, 120, 80};
    auto off = KnobsStyleKit::imageOfRadioOff(frame);
    auto on = KnobsStyleKit::imageOfRadioOn(frame);
    EXPECT_EQ(off->size(), (CGSize{120, 80}));
    EXPECT_TRUE(off->isFlipped());
    // m = 80: ring of radius 36 about (60, 40), 4.4 wide (33.8 to 38.2); dot of radius 20.
    for (const auto& image : {off, on}) {
        auto s = OffscreenBackend::renderImage(*image, 4);
        auto at = [&s](double x, double y) { return s->pixel(int(x * 4), int(y * 4)); };
        EXPECT_EQ(at(60, 4), kWhite);    // top of the ring
        EXPECT_EQ(at(60, 76), kWhite);   // bottom
        EXPECT_EQ(at(24, 40), kWhite);   // left
        EXPECT_EQ(at(96, 40), kWhite);   // right
        EXPECT_EQ(at(60, 1.5), kClear);  // just outside its outer edge at 38.2
        EXPECT_EQ(at(99, 40), kClear);
        EXPECT_EQ(at(60, 8), kClear);    // just inside its inner edge at 33.8
        EXPECT_EQ(at(10, 40), kClear);
    }
    auto s = OffscreenBackend::renderImage(*on, 4);
    EXPECT_EQ(s->pixel(60 * 4, 40 * 4), kWhite);
    EXPECT_EQ(s->pixel(60 * 4, 21 * 4), kWhite);  // radius 19
    EXPECT_EQ(s->pixel(60 * 4, 19 * 4), kClear);  // radius 21
    EXPECT_EQ(s->pixel(41 * 4, 40 * 4), kWhite);
    EXPECT_EQ(OffscreenBackend::renderImage(*off, 4)->pixel(60 * 4, 40 * 4), kClear);

    // The frame's origin changes nothing.
    auto moved = OffscreenBackend::renderImage(*KnobsStyleKit::imageOfRadioOn({10, 10, 120, 80}), 1);
    auto home = OffscreenBackend::renderImage(*on, 1);
    for (int y = 0; y < 80; y += 3)
        for (int x = 0; x < 120; x += 3) ASSERT_EQ(moved->pixel(x, y), home->pixel(x, y)) << x << "," << y;
}

TEST(StyleKitResources, FitsUnderlaysOverlaysAndFallsBackToTransparent) {
    TempFolder temp("fit");
    const fs::path code = makeBundle(temp.path / "Code.lv2");
    // 200 × 200 underlay: green with a 10-unit red band down its left edge.
    writeSvg(code, "CharismaUnderlay", 200, 200, rect(0, 0, 200, 200, "#00ff00") + rect(0, 0, 10, 200, "#ff0000"));
    writeSvg(code, "KnobOverlay", 200, 100, rect(0, 0, 200, 100, "#ff0000"));
    writeSvg(code, "FlightyLabel", 300, 100, rect(0, 0, 300, 100, "#ff0000"));
    writeSvg(code, "WhimsyUnderlay", 0, 0, "");  // no size at all
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), bundleAt(code));

    // Underlay: 100 × 100; artwork drawn at (−2.5, −2.5), 105 × 105: the band is 5.25 wide, so
    // 2.75 of it shows at the left edge; the right edge is cut.
    auto underlay = KnobsStyleKit::imageOfCharismaUnderlay({10, 10, 100, 100});
    EXPECT_EQ(underlay->size(), (CGSize{100, 100}));
    EXPECT_FALSE(underlay->isFlipped());
    auto s = OffscreenBackend::renderImage(*underlay, 4);
    EXPECT_EQ(s->pixel(10, 200), kRed);   // x = 2.5 points
    EXPECT_EQ(s->pixel(12, 200), kGreen);  // x = 3.0 points
    EXPECT_EQ(s->pixel(399, 0), kGreen);   // cut at the image edge, no gap

    // Overlay: the resource's own image resized to the aspect fit, not the frame.
    auto overlay = KnobsStyleKit::imageOfKnobOverlay({0, 0, 100, 100});
    EXPECT_EQ(overlay->size(), (CGSize{100, 50}));
    EXPECT_EQ(OffscreenBackend::renderImage(*overlay, 1)->pixel(99, 49), kRed);
    EXPECT_EQ(KnobsStyleKit::imageOfFlightyLabel({0, 0, 60, 24})->size(), (CGSize{60, 20}));
    // Two calls give two image objects (nothing is cached or shared).
    EXPECT_NE(KnobsStyleKit::imageOfKnobOverlay({0, 0, 10, 10}), KnobsStyleKit::imageOfKnobOverlay({0, 0, 10, 10}));

    // A resource without a size takes the frame's size, without the factor.
    EXPECT_EQ(KnobsStyleKit::imageOfWhimsyUnderlay({0, 0, 64, 48})->size(), (CGSize{64, 48}));

    // Missing everywhere: a transparent image exactly the frame's size, even drawn over colour.
    auto missing = KnobsStyleKit::imageOfGenteelLabel({5, 5, 70, 30});
    EXPECT_EQ(missing->size(), (CGSize{70, 30}));
    auto t = OffscreenBackend::renderImage(*missing, 1);
    EXPECT_EQ(t->width(), 70);
    for (int y = 0; y < 30; y += 5)
        for (int x = 0; x < 70; x += 5) ASSERT_EQ(t->pixel(x, y), kClear);

    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
}

TEST(StyleKitBundles, CandidateListOrderDuplicatesAndSuffixCase) {
    TempFolder temp("bundles");
    const fs::path code = makeBundle(temp.path / "Code");
    const fs::path app = makeBundle(temp.path / "App");
    const fs::path plugins = app / "PlugIns";
    makeBundle(plugins / "First.lv2");
    fs::create_directory_symlink(plugins / "First.lv2", plugins / "Again.lv2");  // same bundle twice
    makeBundle(plugins / "Shouting.LV2");                                         // wrong case
    std::ofstream(plugins / "Plain.lv2") << "not a folder";                       // not a bundle
    makeBundle(plugins / "Other.appex");
    makeBundle(plugins / "Second.lv2");

    auto list = KnobsStyleKit::resourceBundles(bundleAt(code), bundleAt(app));
    ASSERT_EQ(list.size(), 4u) << ::testing::PrintToString(folders(list));
    EXPECT_TRUE(sameFolder(list[0]->bundleURL(), code));
    EXPECT_TRUE(sameFolder(list[1]->bundleURL(), app));
    std::vector<fs::path> carried{list[2]->bundleURL().filename(), list[3]->bundleURL().filename()};
    std::sort(carried.begin(), carried.end());
    EXPECT_EQ(carried, (std::vector<fs::path>{"First.lv2", "Second.lv2"}));

    // Code in the main bundle: listed once.
    EXPECT_EQ(KnobsStyleKit::resourceBundles(bundleAt(app), bundleAt(app)).size(), 3u);
    // No plug-ins folder: just the two.
    EXPECT_EQ(KnobsStyleKit::resourceBundles(bundleAt(app), bundleAt(code)).size(), 2u);
    EXPECT_EQ(KnobsStyleKit::resourceBundles(nullptr, nullptr).size(), 0u);

    // The first bundle that has the image wins; later ones are not asked.
    writeSvg(plugins / "Second.lv2", "SurpriseUnderlay", 10, 10, rect(0, 0, 10, 10, "#00ff00"));
    writeSvg(plugins / "First.lv2", "SurpriseUnderlay", 10, 10, rect(0, 0, 10, 10, "#00ff00"));
    writeSvg(app, "SurpriseUnderlay", 10, 10, rect(0, 0, 10, 10, "#ff0000"));
    auto image = KnobsStyleKit::resourceImage("SurpriseUnderlay", {20, 20}, 1.05, list);
    EXPECT_EQ(OffscreenBackend::renderImage(*image, 1)->pixel(10, 10), kRed);
    fs::remove(app / "Resources" / "SurpriseUnderlay.svg");
    image = KnobsStyleKit::resourceImage("SurpriseUnderlay", {20, 20}, 1.05, list);
    EXPECT_EQ(OffscreenBackend::renderImage(*image, 1)->pixel(10, 10), kGreen);
    // Only the exact extension-bundle suffix is searched.
    writeSvg(plugins / "Shouting.LV2", "NostalgiaUnderlay", 10, 10, rect(0, 0, 10, 10, "#ff0000"));
    image = KnobsStyleKit::resourceImage("NostalgiaUnderlay", {20, 20}, 1.05, list);
    EXPECT_EQ(OffscreenBackend::renderImage(*image, 1)->pixel(10, 10), kClear);
}

TEST(ShippedArtwork, EveryNamedImageIsFoundAndDrawsSomething) {
    const fs::path artwork = DROLLICANT_ARTWORK_SOURCE_DIR;
    if (!fs::exists(artwork / "Resources" / "KnobOverlay.svg")) GTEST_SKIP() << "no artwork in this tree";
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), bundleAt(artwork));
    using Function = KnobsStyleKit::Image (*)(CGRect);
    const std::pair<const char*, Function> images[] = {
        {"KnobOverlay", KnobsStyleKit::imageOfKnobOverlay},
        {"DrollicantUnderlay", KnobsStyleKit::imageOfDrollicantUnderlay},
        {"CharismaUnderlay", KnobsStyleKit::imageOfCharismaUnderlay},
        {"NaiveteUnderlay", KnobsStyleKit::imageOfNaiveteUnderlay},
        {"NostalgiaUnderlay", KnobsStyleKit::imageOfNostalgiaUnderlay},
        {"SurpriseUnderlay", KnobsStyleKit::imageOfSurpriseUnderlay},
        {"SweetnessUnderlay", KnobsStyleKit::imageOfSweetnessUnderlay},
        {"WhimsyUnderlay", KnobsStyleKit::imageOfWhimsyUnderlay},
        {"FlightyLabel", KnobsStyleKit::imageOfFlightyLabel},
        {"GenteelLabel", KnobsStyleKit::imageOfGenteelLabel},
    };
    for (const auto& [name, function] : images) {
        auto resource = imageForResource(*bundleAt(artwork), name);
        ASSERT_TRUE(resource) << name;
        EXPECT_GT(resource->size().width, 0) << name;
        EXPECT_GT(resource->size().height, 0) << name;
        auto image = function({0, 0, 100, 100});
        auto s = OffscreenBackend::renderImage(*image, 1);
        int opaque = 0;
        for (int y = 0; y < s->height(); y += 2)
            for (int x = 0; x < s->width(); x += 2) opaque += s->pixel(x, y).alpha > 128;
        EXPECT_GT(opaque, 10) << name;
    }
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
}
