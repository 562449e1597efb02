// Images, paths, colours and the current context, checked on real cairo surfaces.
#include <cairo.h>
#include <gtest/gtest.h>

#include <fstream>

#include "TestImages.h"
#include "TestSupport.h"
#include "platform/ui/OffscreenBackend.h"
#include "support/TemporaryDirectory.h"

using namespace platform;
using namespace testing_ui;

// That a handler runs only with a context, and at every rendering, is the drawing layer's test.
TEST(Image, BitmapsAreDrawnAnewAtEachDensity) {
  int calls = 0;
  auto image = NSImage::imageWithSize({20, 10}, false, [&calls](CGRect) {
    ++calls;
    fillRect({0, 0, 20, 10}, kRed);
    return true;
  });
  auto surface = OffscreenBackend::renderImage(*image, 2);
  EXPECT_EQ(surface->width(), 40);
  EXPECT_EQ(surface->pixel(20, 10), kOpaqueRed);
  auto bitmap = image->CGImageForProposedRect(nullptr, nullptr, nullptr);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->pixelWidth(), 20);
  // A denser bitmap is the image drawn again, not its pixels enlarged.
  EXPECT_EQ(cairo_image_surface_get_width(bitmap->bitmapForScale(3)), 60);
  EXPECT_EQ(calls, 3);
}

TEST(Image, HandlerOriginFollowsTheFlippedFlagAndLockFocusDrawsUnflipped) {
  for (bool flipped : {true, false}) {
    auto image = NSImage::imageWithSize({10, 10}, flipped, [](CGRect) {
      fillRect({0, 0, 10, 3}, kBlue);  // the three rows at y = 0..3
      return true;
    });
    auto s = OffscreenBackend::renderImage(*image, 1);
    EXPECT_EQ(s->pixel(5, flipped ? 1 : 8), kOpaqueBlue) << "flipped " << flipped;
    EXPECT_EQ(s->pixel(5, flipped ? 8 : 1), kClear) << "flipped " << flipped;
  }
  // lockFocus: bottom rows in image coordinates; a later size change scales what was drawn.
  auto image = NSImage::initWithSize({10, 10});
  image->lockFocus();
  ASSERT_NE(NSGraphicsContext::currentContext(), nullptr);
  fillRect({0, 0, 10, 3}, kGreen);
  image->unlockFocus();
  EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr);
  image->setSize({20, 20});
  auto s = OffscreenBackend::renderImage(*image, 1);
  EXPECT_EQ(s->pixel(10, 17), kOpaqueGreen);
  EXPECT_EQ(s->pixel(10, 3), kClear);
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
  EXPECT_EQ(target.pixel(5, 8), kOpaqueBlue);   // clearing did not punch through
  EXPECT_EQ(target.pixel(15, 12), kOpaqueRed);  // upright in the y-up half too
  EXPECT_EQ(target.pixel(15, 18), kOpaqueBlue);
}

// Vector artwork at its own size and any resolution is checked through the style kit's resources.
TEST(Image, LoadsPngAndRefusesWhatItCannotRead) {
  const testing_support::TemporaryDirectory dir;
  std::ofstream(dir / "Broken.svg") << "<svg";
  std::ofstream(dir / "Notes.txt") << "not an image";
  ASSERT_TRUE(OffscreenBackend::renderImage(*solidImage({6, 4}, kGreen), 1)->writePNG(dir / "Dot.png"));
  auto bitmap = NSImage::imageWithContentsOfFile(dir / "Dot.png");
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->size(), (CGSize{6, 4}));
  EXPECT_EQ(OffscreenBackend::renderImage(*bitmap, 1)->pixel(3, 2), kOpaqueGreen);
  for (const char* name : {"Broken.svg", "Missing.png", "Notes.txt"})
    EXPECT_FALSE(NSImage::imageWithContentsOfFile(dir / name)) << name;
}

TEST(BezierPath, OvalWithoutAreaOrColourWithoutContextSpoilsNothing) {
  auto image = NSImage::imageWithSize({10, 10}, true, [](CGRect) {
    kRed.setFill();
    NSBezierPath::bezierPathWithOvalInRect({0, 0, 0, 10}).fill();  // no area: nothing drawn
    NSBezierPath::bezierPathWithOvalInRect({2, 2, 6, 6}).fill();   // and the context still works
    return true;
  });
  auto s = OffscreenBackend::renderImage(*image, 1);
  EXPECT_EQ(s->pixel(0, 5), kClear);
  EXPECT_EQ(s->pixel(5, 5), kOpaqueRed);

  NSColor::whiteColor().setFill();  // without a context: goes nowhere, does not fail
  NSBezierPath::bezierPathWithOvalInRect({0, 0, 4, 4}).fill();
  EXPECT_EQ(NSColor::colorWithRed(2, -1, 0.5, 1).CGColor(), (CGColor{1, 0, 0.5, 1}));
}
