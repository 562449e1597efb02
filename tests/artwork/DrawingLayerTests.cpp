// Deferred-drawing images: the closure runs only when there is somewhere to draw.
#include "artwork/DrawingLayer.h"

#include <gtest/gtest.h>

#include "platform/ui/OffscreenBackend.h"

using namespace platform;
using drollicant::renderPlatformImage;

TEST(DrawingLayer, ClosuresRunOnlyWithACurrentContextAndDrawWithTheHelpersColours) {
  int contextCalls = 0, plainCalls = 0;
  auto withContext = renderPlatformImage({30, 20}, true, [&contextCalls](CGContextRef context) {
    ++contextCalls;
    EXPECT_NE(context, nullptr);
    auto path = drollicant::ovalPath({2, 2, 26, 10});  // in the top half: the image is flipped
    drollicant::setFill(path, NSColor::colorWithRed(0, 0, 1, 1));
    drollicant::setStroke(path, NSColor::whiteColor());
    path.setLineWidth(2);
    path.fill();
    path.stroke();
  });
  auto plain = renderPlatformImage({30, 20}, false, [&plainCalls]() { ++plainCalls; });

  // No current context: reported as not drawn, closures not called.
  EXPECT_FALSE(withContext->drawInRect({0, 0, 30, 20}));
  EXPECT_FALSE(plain->drawInRect({0, 0, 30, 20}));
  EXPECT_EQ(contextCalls + plainCalls, 0);
  // A current context without a drawing target: only the plain closure runs.
  {
    GraphicsContextScope targetless(nullptr);
    EXPECT_FALSE(withContext->drawInRect({0, 0, 30, 20}));
    EXPECT_TRUE(plain->drawInRect({0, 0, 30, 20}));
  }
  EXPECT_EQ(contextCalls, 0);
  EXPECT_EQ(plainCalls, 1);

  // Rendered for real, at two densities: drawn each time, filled blue inside a white outline.
  auto s = OffscreenBackend::renderImage(*withContext, 1);
  EXPECT_EQ(s->pixel(15, 7), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(s->pixel(15, 2), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(s->pixel(15, 16), (Pixel{}));
  OffscreenBackend::renderImage(*withContext, 2);
  EXPECT_EQ(contextCalls, 2);
}
