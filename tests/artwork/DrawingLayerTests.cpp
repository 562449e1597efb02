// Deferred-drawing images: the closure runs only when there is somewhere to draw.
#include "artwork/DrawingLayer.h"

#include <gtest/gtest.h>

#include "platform/ui/OffscreenBackend.h"

using namespace platform;
using drollicant::renderPlatformImage;

TEST(DrawingLayer, ClosuresRunOnlyWithACurrentContext) {
    int contextCalls = 0, plainCalls = 0;
    auto withContext = renderPlatformImage({30, 20}, true, [&contextCalls](CGContextRef context) {
        ++contextCalls;
        NSColor::whiteColor().setFill();
        drollicant::ovalPath({0, 0, 30, 20}).fill();
        EXPECT_NE(context, nullptr);
    });
    auto plain = renderPlatformImage({30, 20}, false, [&plainCalls]() { ++plainCalls; });
    EXPECT_EQ(contextCalls + plainCalls, 0);  // nothing drawn at creation
    EXPECT_EQ(withContext->size(), (CGSize{30, 20}));
    EXPECT_TRUE(withContext->isFlipped());
    EXPECT_FALSE(plain->isFlipped());

    // No current context: reported as not drawn, closures not called.
    EXPECT_FALSE(withContext->drawInRect({0, 0, 30, 20}));
    EXPECT_FALSE(plain->drawInRect({0, 0, 30, 20}));
    EXPECT_EQ(contextCalls + plainCalls, 0);

    // A current context without a drawing target: only the plain closure runs.
    {
        GraphicsContextScope targetless(nullptr);
        ASSERT_NE(NSGraphicsContext::currentContext(), nullptr);
        EXPECT_FALSE(withContext->drawInRect({0, 0, 30, 20}));
        EXPECT_TRUE(plain->drawInRect({0, 0, 30, 20}));  // it only needs a context to exist
    }
    EXPECT_EQ(contextCalls, 0);
    EXPECT_EQ(plainCalls, 1);

    // Rendered for real, at two densities: drawn each time.
    auto s = OffscreenBackend::renderImage(*withContext, 1);
    EXPECT_EQ(s->pixel(15, 10), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(s->pixel(0, 0), (Pixel{}));
    OffscreenBackend::renderImage(*withContext, 2);
    EXPECT_EQ(contextCalls, 2);
}

TEST(DrawingLayer, PathHelpersSetColoursWithoutTouchingThePath) {
    auto image = renderPlatformImage({20, 20}, true, []() {
        auto path = drollicant::ovalPath({2, 2, 16, 16});
        drollicant::setFill(path, NSColor::colorWithRed(0, 0, 1, 1));
        drollicant::setStroke(path, NSColor::whiteColor());
        path.setLineWidth(2);
        path.fill();
        path.stroke();
        EXPECT_FALSE(path.isEmpty());
    });
    auto s = OffscreenBackend::renderImage(*image, 1);
    EXPECT_EQ(s->pixel(10, 10), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(s->pixel(10, 2), (Pixel{255, 255, 255, 255}));
}
