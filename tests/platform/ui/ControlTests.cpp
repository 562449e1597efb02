// Buttons, image views, labels and the stack layout of the application's window.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "TestImages.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/OffscreenBackend.h"
#include "platform/ui/StackView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

using namespace platform;
using namespace testing_ui;

namespace {

const Pixel kOpaqueRed{255, 0, 0, 255};
const Pixel kOpaqueGreen{0, 255, 0, 255};
const Pixel kClear{};

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
    button->setImagePosition(NSImageOnly);
    button->setImageScaling(NSImageScaleProportionallyUpOrDown);
    button->setBordered(false);
    button->setTag(6);
    auto listener = std::make_shared<ToggleListener>();
    button->setTarget(listener);
    button->setAction(&ToggleListener::toggleChanged);

    EXPECT_EQ(OffscreenBackend::renderView(*button, 1)->pixel(10, 10), kOpaqueRed);
    button->setState(NSControlStateValueOn);  // no action
    EXPECT_TRUE(listener->seen.empty());
    EXPECT_EQ(OffscreenBackend::renderView(*button, 1)->pixel(10, 10), kOpaqueGreen);

    // A press and release inside, through a window, is a click.
    auto window = NSWindow::initWithContentRect({0, 0, 40, 40}, NSWindowStyleMaskTitled, NSBackingStoreBuffered, false);
    window->contentView()->addSubview(button);
    window->sendEvent(NSEvent::mouse(NSEventType::leftMouseDown, {10, 10}));
    window->sendEvent(NSEvent::mouse(NSEventType::leftMouseUp, {10, 10}));
    EXPECT_EQ(listener->seen, (std::vector<long>{NSControlStateValueOff}));
    EXPECT_EQ(OffscreenBackend::renderView(*button, 1)->pixel(10, 10), kOpaqueRed);

    // Released outside: no click.
    window->sendEvent(NSEvent::mouse(NSEventType::leftMouseDown, {10, 10}));
    window->sendEvent(NSEvent::mouse(NSEventType::leftMouseUp, {35, 5}));
    EXPECT_EQ(listener->seen.size(), 1u);

    button->performClick();
    EXPECT_EQ(listener->seen, (std::vector<long>{NSControlStateValueOff, NSControlStateValueOn}));
    EXPECT_EQ(button->tag(), 6);

    // The target is held weakly: once gone, clicks still toggle but send nothing.
    listener.reset();
    button->performClick();
    EXPECT_EQ(button->state(), NSControlStateValueOff);
}

TEST(ImageView, ScalesProportionallyIntoItsFrame) {
    EXPECT_EQ(scaledImageRect({200, 100}, {0, 0, 100, 100}, NSImageScaleProportionallyUpOrDown),
              (CGRect{0, 25, 100, 50}));
    EXPECT_EQ(scaledImageRect({20, 10}, {0, 0, 100, 100}, NSImageScaleProportionallyUpOrDown),
              (CGRect{0, 25, 100, 50}));
    EXPECT_EQ(scaledImageRect({20, 10}, {0, 0, 100, 100}, NSImageScaleProportionallyDown), (CGRect{40, 45, 20, 10}));
    EXPECT_EQ(scaledImageRect({0, 10}, {0, 0, 100, 100}, NSImageScaleProportionallyUpOrDown), (CGRect{}));

    auto view = NSImageView::imageViewWithImage(solidImage({200, 100}, kRed));
    EXPECT_EQ(view->frame(), (CGRect{0, 0, 200, 100}));
    view->setFrame({0, 0, 60, 60});
    view->setImageScaling(NSImageScaleProportionallyUpOrDown);
    auto s = OffscreenBackend::renderView(*view, 1);
    EXPECT_EQ(s->pixel(30, 30), kOpaqueRed);
    EXPECT_EQ(s->pixel(30, 10), kClear);
    EXPECT_EQ(s->pixel(30, 50), kClear);
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

    auto art = NSView::initWithFrame({0, 0, 100, 100});
    art->setTranslatesAutoresizingMaskIntoConstraints(false);
    NSLayoutConstraint::activateConstraints({NSLayoutConstraint::equalConstant(art, NSLayoutAttribute::width, 100),
                                             NSLayoutConstraint::equalConstant(art, NSLayoutAttribute::height, 100)});
    stack->addArrangedSubview(art);
    auto version = NSTextField::labelWithString("v1.0 (7)");
    version->setFont(NSFont::systemFontOfSize(12));
    version->setTextColor(NSColor::whiteColor());
    version->setTranslatesAutoresizingMaskIntoConstraints(false);
    stack->addArrangedSubview(version);
    auto rule = NSView::initWithFrame({});
    rule->setWantsLayer(true);
    rule->layer()->setBackgroundColor(NSColor::whiteColor().colorWithAlphaComponent(0.3).CGColor());
    rule->setTranslatesAutoresizingMaskIntoConstraints(false);
    NSLayoutConstraint::activateConstraints({NSLayoutConstraint::equalConstant(rule, NSLayoutAttribute::height, 1),
                                             NSLayoutConstraint::equalConstant(rule, NSLayoutAttribute::width, 180)});
    stack->addArrangedSubview(rule);
    auto wide = NSTextField::labelWithString(std::string(120, 'W'));  // wider than 0.85 × 400
    wide->setTranslatesAutoresizingMaskIntoConstraints(false);
    stack->addArrangedSubview(wide);

    content->setWantsLayer(true);
    content->layer()->setBackgroundColor(NSColor::colorWithRed(0.741, 0.298, 0.0, 1.0).CGColor());
    auto s = OffscreenBackend::renderView(*content, 1);  // lays out first

    const CGSize label = version->intrinsicContentSize();
    EXPECT_GT(label.width, 30);
    EXPECT_GT(label.height, 10);
    const CGRect f = stack->frame();
    EXPECT_DOUBLE_EQ(f.size.width, 340);
    EXPECT_DOUBLE_EQ(f.size.height, 100 + 1 + label.height + wide->frame().size.height + 30);
    EXPECT_DOUBLE_EQ(f.origin.x + f.size.width / 2, 200);
    EXPECT_NEAR(f.origin.y + f.size.height / 2, 150, 0.5);  // on a whole point
    // Top to bottom, 10 apart, each centred across the stack.
    EXPECT_EQ(art->frame(), (CGRect{120, 0, 100, 100}));
    EXPECT_DOUBLE_EQ(version->frame().origin.y, 110);
    EXPECT_DOUBLE_EQ(version->frame().origin.x, std::round((340 - label.width) / 2));
    EXPECT_EQ(rule->frame(), (CGRect{80, 120 + label.height, 180, 1}));
    EXPECT_DOUBLE_EQ(wide->frame().size.width, 340);

    // The rule: white at 30 % over the orange-brown background, one point high in all (it may
    // straddle two pixel rows).
    const double background = 0.741 * 255;
    const int ruleRow = int(300 - (f.origin.y + f.size.height) + rule->frame().origin.y);
    double excess = 0;
    for (int y = ruleRow - 2; y <= ruleRow + 2; ++y) excess += s->pixel(200, y).red - background;
    EXPECT_NEAR(excess, 0.3 * (255 - background), 2);
    EXPECT_NEAR(s->pixel(200, ruleRow - 5).red, background, 1);
    // Some white text pixels in the version line.
    const int textTop = int(300 - (f.origin.y + f.size.height) + 110);
    int whitish = 0;
    for (int y = textTop; y < textTop + int(label.height); ++y)
        for (int x = 150; x < 250; ++x)
            if (s->pixel(x, y).green > 200) ++whitish;
    EXPECT_GT(whitish, 10);
}
