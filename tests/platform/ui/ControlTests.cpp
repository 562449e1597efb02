// Buttons, image views, labels and the stack layout of the application's window.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "TestImages.h"
#include "TestSupport.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/OffscreenBackend.h"
#include "platform/ui/StackView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

using namespace platform;
using namespace testing_ui;

namespace {

struct ToggleListener {
  void toggleChanged(NSButton* sender) { seen.push_back(sender->state()); }
  std::vector<long> seen;
};

}  // namespace

TEST(Button, ToggleFlipsThenSendsAndShowsTheImageOfItsState) {
  auto button = NSButton::initWithFrame({0, 0, 20, 20});
  button->setButtonType(NSButtonTypeToggle);
  button->setImage(solidImage({96, 96}, kRed));
  button->setAlternateImage(solidImage({96, 96}, kGreen));
  button->setImageScaling(NSImageScaleProportionallyUpOrDown);
  auto listener = std::make_shared<ToggleListener>();
  button->setTarget(listener);
  button->setAction(&ToggleListener::toggleChanged);
  auto centre = [&button] { return OffscreenBackend::renderView(*button, 1)->pixel(10, 10); };

  EXPECT_EQ(centre(), kOpaqueRed);
  button->setState(NSControlStateValueOn);  // no action
  EXPECT_TRUE(listener->seen.empty());
  EXPECT_EQ(centre(), kOpaqueGreen);

  // A press and release inside, through a window, is a click; released outside, it is not.
  auto window = NSWindow::initWithContentRect({0, 0, 40, 40}, NSWindowStyleMaskTitled, NSBackingStoreBuffered, false);
  window->contentView()->addSubview(button);
  auto pressAndRelease = [&window](CGPoint releasedAt) {
    window->sendEvent(NSEvent::mouse(NSEventType::leftMouseDown, {10, 10}));
    window->sendEvent(NSEvent::mouse(NSEventType::leftMouseUp, releasedAt));
  };
  pressAndRelease({10, 10});
  EXPECT_EQ(listener->seen, (std::vector<long>{NSControlStateValueOff}));  // the state already flipped
  EXPECT_EQ(centre(), kOpaqueRed);
  pressAndRelease({35, 5});
  button->performClick();
  EXPECT_EQ(listener->seen, (std::vector<long>{NSControlStateValueOff, NSControlStateValueOn}));

  // The target is held weakly: once gone, clicks still toggle but send nothing.
  listener.reset();
  button->performClick();
  EXPECT_EQ(button->state(), NSControlStateValueOff);
}

TEST(ImageView, ScalesProportionallyIntoItsFrame) {
  const CGRect box{0, 0, 100, 100};
  const auto upOrDown = NSImageScaleProportionallyUpOrDown;
  EXPECT_EQ(scaledImageRect({200, 100}, box, upOrDown), (CGRect{0, 25, 100, 50}));
  EXPECT_EQ(scaledImageRect({20, 10}, box, upOrDown), (CGRect{0, 25, 100, 50}));
  EXPECT_EQ(scaledImageRect({20, 10}, box, NSImageScaleProportionallyDown), (CGRect{40, 45, 20, 10}));
  EXPECT_EQ(scaledImageRect({0, 10}, box, upOrDown), (CGRect{}));

  auto view = NSImageView::imageViewWithImage(solidImage({200, 100}, kRed));
  EXPECT_EQ(view->frame(), (CGRect{0, 0, 200, 100}));
  view->setFrame({0, 0, 60, 60});
  view->setImageScaling(upOrDown);
  auto s = OffscreenBackend::renderView(*view, 1);
  EXPECT_EQ(s->pixel(30, 30), kOpaqueRed);
  EXPECT_EQ(s->pixel(30, 10), kClear);  // letterboxed
}

TEST(StackView, CentresAVerticalGroupWithTheApplicationsConstraints) {
  auto content = NSView::initWithFrame({0, 0, 400, 300});  // unflipped
  auto stack = NSStackView::initWithFrame({});
  stack->setOrientation(NSUserInterfaceLayoutOrientationVertical);
  stack->setAlignment(NSLayoutAttribute::centerX);
  stack->setSpacing(10);
  stack->setTranslatesAutoresizingMaskIntoConstraints(false);
  content->addSubview(stack);
  NSLayoutConstraint::activateConstraints({
      NSLayoutConstraint::equal(stack, NSLayoutAttribute::centerX, content),
      NSLayoutConstraint::equal(stack, NSLayoutAttribute::centerY, content),
      NSLayoutConstraint::lessThanOrEqual(stack, NSLayoutAttribute::width, content, 0.85),
  });
  auto arrange = [&stack](const std::shared_ptr<NSView>& view, CGSize size = {}) {
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    if (size.width > 0)
      NSLayoutConstraint::activateConstraints(
          {NSLayoutConstraint::equalConstant(view, NSLayoutAttribute::width, size.width),
           NSLayoutConstraint::equalConstant(view, NSLayoutAttribute::height, size.height)});
    stack->addArrangedSubview(view);
    return view;
  };
  auto art = arrange(NSView::initWithFrame({0, 0, 100, 100}), {100, 100});
  auto version = NSTextField::labelWithString("v1.0 (7)");
  version->setTextColor(NSColor::whiteColor());
  arrange(version);
  auto rule = arrange(NSView::initWithFrame({}), {180, 1});
  auto wide = NSTextField::labelWithString(std::string(120, 'W'));  // wider than 0.85 × 400
  arrange(wide);
  auto s = OffscreenBackend::renderView(*content, 1);  // lays out first

  // Top to bottom, 10 apart, each centred across a stack centred in the content.
  const CGSize label = version->intrinsicContentSize();
  EXPECT_GT(label.width, 30);
  EXPECT_GT(label.height, 10);
  const CGRect f = stack->frame();
  EXPECT_DOUBLE_EQ(f.size.width, 340);
  EXPECT_DOUBLE_EQ(f.size.height, 100 + 1 + label.height + wide->frame().size.height + 30);
  EXPECT_DOUBLE_EQ(f.origin.x + f.size.width / 2, 200);
  EXPECT_NEAR(f.origin.y + f.size.height / 2, 150, 0.5);  // on a whole point
  EXPECT_EQ(art->frame(), (CGRect{120, 0, 100, 100}));
  EXPECT_DOUBLE_EQ(version->frame().origin.y, 110);
  EXPECT_DOUBLE_EQ(version->frame().origin.x, std::round((340 - label.width) / 2));
  EXPECT_EQ(rule->frame(), (CGRect{80, 120 + label.height, 180, 1}));
  EXPECT_DOUBLE_EQ(wide->frame().size.width, 340);

  // The version line is drawn in its colour where it was placed.
  const int textTop = int(f.origin.y + 110);
  int whitish = 0;
  for (int y = textTop; y < textTop + int(label.height); ++y)
    for (int x = 150; x < 250; ++x) whitish += s->pixel(x, y).green > 200;
  EXPECT_GT(whitish, 10);
}
