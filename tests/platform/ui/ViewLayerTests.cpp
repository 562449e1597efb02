// View geometry, layout passes, layers and how the renderer places them.
#include <gtest/gtest.h>

#include <cmath>

#include "TestImages.h"
#include "TestSupport.h"
#include "platform/ui/OffscreenBackend.h"
#include "platform/ui/View.h"

using namespace platform;
using namespace testing_ui;

namespace {

class CountingController : public NSViewController {
public:
  void loadView() override { setView(NSView::initWithFrame({0, 0, 420, 280})); }
  void viewDidLoad() override { ++loads; }
  void viewDidLayout() override { ++layouts; }
  int loads = 0;
  int layouts = 0;
};

// An image with a red bar from its centre straight up to its top edge (as seen on screen).
std::shared_ptr<NSImage> pointerImage(CGSize size) {
  return NSImage::imageWithSize(size, true, [size](CGRect) {
    fillRect({size.width / 2 - 2, 0, 4, size.height / 2}, kRed);
    return true;
  });
}

// A layer `side` points square covering its superlayer's top left corner.
std::shared_ptr<CALayer> squareLayer(CGFloat side, const NSColor& background) {
  auto layer = CALayer::layer();
  layer->setBounds({0, 0, side, side});
  layer->setPosition({side / 2, side / 2});
  layer->setBackgroundColor(background.CGColor());
  return layer;
}

std::shared_ptr<CALayer> pointerLayer(CGFloat side) {
  auto layer = squareLayer(side, NSColor::clearColor());
  layer->setContents(pointerImage({side, side})->CGImageForProposedRect(nullptr, nullptr, nullptr));
  return layer;
}

}  // namespace

TEST(View, LayoutFollowsEverySizeChangeAndAutoresizesSubviews) {
  auto controller = std::make_shared<CountingController>();
  EXPECT_FALSE(controller->isViewLoaded());
  auto root = controller->view();
  controller->view();
  EXPECT_EQ(controller->loads, 1);

  auto stretchy = NSView::initWithFrame({10, 10, 400, 260});
  stretchy->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
  auto pinned = NSView::initWithFrame({20, 20, 50, 50});  // no mask: stays put
  auto rightHanging = NSView::initWithFrame({300, 0, 100, 20});
  rightHanging->setAutoresizingMask(NSViewMinXMargin);
  for (const auto& view : {stretchy, pinned, rightHanging}) root->addSubview(view);

  root->setFrame({0, 0, 520, 380});
  EXPECT_EQ(controller->layouts, 1);
  EXPECT_EQ(stretchy->frame(), (CGRect{10, 10, 500, 360}));
  EXPECT_EQ(pinned->frame(), (CGRect{20, 20, 50, 50}));
  EXPECT_EQ(rightHanging->frame(), (CGRect{400, 0, 100, 20}));

  root->setFrame({5, 5, 520, 380});  // moved, same size: no layout
  EXPECT_EQ(controller->layouts, 1);
  root->setFrameSize({520, 381});
  EXPECT_EQ(controller->layouts, 2);
}

TEST(View, ConvertsPointsAndHitTestsInFlippedAndUnflippedViews) {
  auto window = NSView::initWithFrame({0, 0, 200, 100});  // unflipped, like a content view
  auto flipped = RecordingKnob::make({20, 10, 100, 50});  // any flipped view
  auto child = NSView::initWithFrame({10, 10, 20, 20});
  window->addSubview(flipped);
  flipped->addSubview(child);
  // Window point (30, 50): 10 right of the flipped view's left edge and 10 below its top (60).
  EXPECT_EQ(flipped->convertPointFromView({30, 50}, nullptr), (CGPoint{10, 10}));
  EXPECT_EQ(flipped->convertPointToView({10, 10}, nullptr), (CGPoint{30, 50}));
  // The unflipped child spans flipped y 10..30; its own y grows upward from its bottom.
  EXPECT_EQ(child->convertPointFromView({15, 25}, flipped.get()), (CGPoint{5, 5}));
  EXPECT_EQ(window->hitTest({35, 40}), child);
  EXPECT_EQ(window->hitTest({25, 55}), flipped);
  EXPECT_EQ(window->hitTest({150, 90}), window);
  EXPECT_EQ(window->hitTest({250, 90}), nullptr);
  child->setHidden(true);
  EXPECT_EQ(window->hitTest({35, 40}), flipped);
}

TEST(Renderer, PlacesSubviewsAndLayerContentsUprightInEitherOrientation) {
  auto root = coloured(NSView::initWithFrame({0, 0, 40, 40}), kBlue);         // y upward
  root->addSubview(coloured(NSView::initWithFrame({0, 0, 10, 10}), kGreen));  // bottom left
  root->addSubview(coloured(NSView::initWithFrame({10, 0, 10, 10}), kGreen.colorWithAlphaComponent(0.5)));
  auto art = coloured(NSView::initWithFrame({20, 20, 20, 20}), NSColor::clearColor());  // top right, unflipped
  art->layer()->addSublayer(pointerLayer(20));
  root->addSubview(art);

  // Geometry that is not finite is left out without spoiling the rest of the drawing.
  root->addSubview(coloured(NSView::initWithFrame({NAN, 0, 10, 10}), kRed));
  auto lost = squareLayer(5, kRed);
  lost->setBounds({0, 0, INFINITY, 5});
  root->layer()->addSublayer(lost);

  for (double scale : {1.0, 2.0}) {
    auto s = OffscreenBackend::renderView(*root, scale);
    auto at = [&](double x, double y) { return s->pixel(int(x * scale), int(y * scale)); };
    EXPECT_EQ(s->width(), int(40 * scale));
    EXPECT_EQ(at(5, 35), kOpaqueGreen) << scale;     // bottom left on screen
    EXPECT_NEAR(at(15, 35).green, 128, 2) << scale;  // half green over the blue
    EXPECT_EQ(at(5, 5), kOpaqueBlue) << scale;
    EXPECT_EQ(at(30, 3), kOpaqueRed) << scale;    // bar above the centre of the art: upright
    EXPECT_EQ(at(30, 17), kOpaqueBlue) << scale;  // below it: the background
  }
}

TEST(Layer, RotatesAboutItsCentreAndDrawsSublayersInOrder) {
  auto knob = RecordingKnob::make({0, 0, 100, 100});
  knob->setWantsLayer(true);
  auto under = squareLayer(100, kGreen);
  auto over = pointerLayer(100);
  knob->layer()->addSublayer(under);
  knob->layer()->addSublayer(over);
  over->setTransform(CATransform3DMakeRotation(M_PI / 2, 0, 0, 1));

  // In the flipped knob a positive quarter turn is clockwise: the bar now points right.
  auto s = OffscreenBackend::renderView(*knob, 1);
  EXPECT_EQ(s->pixel(80, 50), kOpaqueRed);
  EXPECT_EQ(s->pixel(50, 20), kOpaqueGreen);
  EXPECT_EQ(s->pixel(20, 50), kOpaqueGreen);

  over->setTransform(CATransform3DIdentity);
  under->removeFromSuperlayer();
  knob->layer()->addSublayer(under);  // now on top and opaque: hides the pointer
  EXPECT_EQ(OffscreenBackend::renderView(*knob, 1)->pixel(50, 20), kOpaqueGreen);
  EXPECT_EQ(under->frame(), (CGRect{0, 0, 100, 100}));
}
