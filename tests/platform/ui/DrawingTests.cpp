// Images, paths, colours and the current context, checked on real cairo surfaces.
#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestImages.h"
#include "platform/ui/OffscreenBackend.h"

using namespace platform;
using namespace testing_ui;

namespace {

const Pixel kOpaqueRed{255, 0, 0, 255};
const Pixel kOpaqueGreen{0, 255, 0, 255};
const Pixel kOpaqueBlue{0, 0, 255, 255};
const Pixel kClear{};

std::filesystem::path tempDir(const char* name) {
    auto dir = std::filesystem::temp_directory_path() / ("drollicant_ui_" + std::string(name) + "_" +
                                                         std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

TEST(Image, DeferredHandlerRunsOnlyWithAContextAndReportsIt) {
    int calls = 0;
    auto image = NSImage::imageWithSize({20, 10}, false, [&calls](CGRect) {
        if (!NSGraphicsContext::currentContext()) return false;
        ++calls;
        fillRect({0, 0, 20, 10}, kRed);
        return true;
    });
    EXPECT_EQ(image->size(), (CGSize{20, 10}));
    EXPECT_FALSE(image->isFlipped());
    EXPECT_FALSE(image->drawInRect({0, 0, 20, 10}));  // no current context
    EXPECT_EQ(calls, 0);

    auto surface = OffscreenBackend::renderImage(*image, 2);  // runs it with a context
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(surface->width(), 40);
    EXPECT_EQ(surface->height(), 20);
    EXPECT_EQ(surface->pixel(20, 10), kOpaqueRed);

    auto bitmap = image->CGImageForProposedRect(nullptr, nullptr, nullptr);  // runs it again
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(bitmap->pixelWidth(), 20);
    // Asking for a denser bitmap draws the image anew rather than enlarging pixels.
    cairo_surface_t* dense = bitmap->bitmapForScale(3);
    EXPECT_EQ(cairo_image_surface_get_width(dense), 60);
    EXPECT_EQ(calls, 3);
}

TEST(Image, FlippedFlagDecidesWhereTheHandlerOriginIs) {
    for (bool flipped : {true, false}) {
        auto image = NSImage::imageWithSize({10, 10}, flipped, [](CGRect) {
            fillRect({0, 0, 10, 3}, kBlue);  // the three rows at y = 0..3
            return true;
        });
        auto surface = OffscreenBackend::renderImage(*image, 1);
        const int markRow = flipped ? 1 : 8;
        const int emptyRow = flipped ? 8 : 1;
        EXPECT_EQ(surface->pixel(5, markRow), kOpaqueBlue) << "flipped " << flipped;
        EXPECT_EQ(surface->pixel(5, emptyRow), kClear) << "flipped " << flipped;
    }
}

TEST(Image, LockFocusDrawsInUnflippedImageCoordinatesAndScales) {
    auto image = NSImage::initWithSize({10, 10});
    image->lockFocus();
    ASSERT_NE(NSGraphicsContext::currentContext(), nullptr);
    fillRect({0, 0, 10, 3}, kGreen);  // bottom rows in image coordinates
    image->unlockFocus();
    EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr);

    image->setSize({20, 20});
    auto surface = OffscreenBackend::renderImage(*image, 1);
    EXPECT_EQ(surface->width(), 20);
    EXPECT_EQ(surface->pixel(10, 17), kOpaqueGreen);
    EXPECT_EQ(surface->pixel(10, 3), kClear);
}

TEST(Image, DrawInRectStaysUprightInBothOrientationsAndClearsOnlyItsOwnPixels) {
    auto image = NSImage::imageWithSize({10, 10}, true, [](CGRect) {
        fillRect({0, 0, 10, 5}, kRed);  // top half red
        auto* context = NSGraphicsContext::currentContext();
        CGContextClearRect(context->CGContext(), {0, 5, 10, 5});  // bottom half cleared
        return true;
    });
    OffscreenSurface target(20, 20);
    cairo_t* cr = cairo_create(target.cairoSurface());
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_paint(cr);
    {
        GraphicsContextScope scope(cr);
        EXPECT_TRUE(image->drawInRect({0, 0, 10, 10}));  // y downward
        cairo_translate(cr, 10, 20);
        cairo_scale(cr, 1, -1);  // y upward for the right half
        EXPECT_TRUE(image->drawInRect({0, 0, 10, 10}));
    }
    cairo_destroy(cr);
    EXPECT_EQ(target.pixel(5, 2), kOpaqueRed);
    EXPECT_EQ(target.pixel(5, 8), kOpaqueBlue);  // clearing did not punch through
    EXPECT_EQ(target.pixel(15, 12), kOpaqueRed);  // upright in the y-up half too
    EXPECT_EQ(target.pixel(15, 18), kOpaqueBlue);
}

TEST(Image, LoadsSvgAtAnyResolutionAndPng) {
    auto dir = tempDir("load");
    {
        std::ofstream svg(dir / "Art.svg");
        svg << R"(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100" viewBox="0 0 200 100">)"
            << R"(<rect x="0" y="0" width="100" height="100" fill="#ff0000"/></svg>)";
        std::ofstream broken(dir / "Broken.svg");
        broken << "<svg";
    }
    auto svg = NSImage::imageWithContentsOfFile(dir / "Art.svg");
    ASSERT_TRUE(svg);
    EXPECT_EQ(svg->size(), (CGSize{200, 100}));
    svg->setSize({20, 10});
    auto sharp = OffscreenBackend::renderImage(*svg, 4);  // 80 × 40 pixels, edge stays crisp
    EXPECT_EQ(sharp->width(), 80);
    EXPECT_EQ(sharp->pixel(39, 20), kOpaqueRed);
    EXPECT_EQ(sharp->pixel(40, 20), kClear);

    cairo_surface_t* png = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 6, 4);
    cairo_t* cr = cairo_create(png);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(png, (dir / "Dot.png").c_str());
    cairo_surface_destroy(png);
    auto bitmap = NSImage::imageWithContentsOfFile(dir / "Dot.png");
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->size(), (CGSize{6, 4}));
    EXPECT_EQ(OffscreenBackend::renderImage(*bitmap, 1)->pixel(3, 2), kOpaqueGreen);

    EXPECT_FALSE(NSImage::imageWithContentsOfFile(dir / "Broken.svg"));
    EXPECT_FALSE(NSImage::imageWithContentsOfFile(dir / "Missing.png"));
    EXPECT_FALSE(NSImage::imageWithContentsOfFile(dir / "Art.txt"));
    std::filesystem::remove_all(dir);
}

TEST(BezierPath, OvalsStrokeAndFillWithTheCurrentColours) {
    auto image = NSImage::imageWithSize({40, 40}, true, [](CGRect) {
        auto ring = NSBezierPath::bezierPathWithOvalInRect({4, 4, 32, 32});
        ring.setLineWidth(4);
        NSColor::whiteColor().setStroke();
        ring.stroke();
        kRed.setFill();
        NSBezierPath::bezierPathWithOvalInRect({15, 15, 10, 10}).fill();
        NSBezierPath::bezierPathWithOvalInRect({0, 0, 0, 10}).fill();  // no area: nothing, no failure
        return true;
    });
    auto s = OffscreenBackend::renderImage(*image, 1);
    EXPECT_EQ(s->pixel(20, 4), (Pixel{255, 255, 255, 255}));  // on the ring, top
    EXPECT_EQ(s->pixel(36, 20), (Pixel{255, 255, 255, 255}));  // right
    EXPECT_EQ(s->pixel(20, 10), kClear);  // between ring and dot
    EXPECT_EQ(s->pixel(20, 20), kOpaqueRed);
    EXPECT_EQ(s->pixel(1, 1), kClear);

    // Colours set without a context go nowhere and do not fail.
    NSColor::whiteColor().setFill();
    NSBezierPath::bezierPathWithOvalInRect({0, 0, 4, 4}).fill();
    EXPECT_EQ(NSColor::darkGrayColor().colorWithAlphaComponent(0.3).alphaComponent(), 0.3);
    EXPECT_EQ(NSColor::colorWithRed(2, -1, 0.5, 1).CGColor(), (CGColor{1, 0, 0.5, 1}));
}
