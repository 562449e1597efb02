// The knob: clamped value store, angle mapping, layer layout and drag arithmetic, driven by
// synthesised pointer events through a window.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "editor/AURotaryControl.h"
#include "platform/ui/Window.h"

using namespace platform;
using drollicant::AURotaryControl;

namespace {

// A 100-point knob in the middle of a window's content, recording its notifications.
struct KnobInWindow {
  std::shared_ptr<NSWindow> window =
      NSWindow::initWithContentRect({0, 0, 200, 200}, NSWindowStyleMaskTitled, NSBackingStoreBuffered, false);
  std::shared_ptr<AURotaryControl> knob = AURotaryControl::initWithFrame({50, 50, 100, 100});
  std::vector<std::string> calls;
  static constexpr CGPoint kCentre{100, 100};  // window coordinates, y upward

  KnobInWindow() {
    window->setContentView(NSView::initWithFrame({0, 0, 200, 200}));
    window->contentView()->addSubview(knob);
    knob->lowerBound = 0;
    knob->upperBound = 1;
    knob->resetValue = 0.5f;
    knob->_value = 0.5f;
    knob->onValueChanged = [this] { calls.push_back("changed " + std::to_string(knob->value())); };
    knob->onDragBegan = [this] { calls.push_back("began"); };
    knob->onDragEnded = [this] { calls.push_back("ended"); };
  }
  void send(NSEventType type, CGPoint p, int clicks = 1) { window->sendEvent(NSEvent::mouse(type, p, clicks)); }
  // Press at the centre, pass the recogniser's threshold, then move to centre + (dx, dy)
  // in window coordinates.
  void dragTo(double dx, double dy) {
    send(NSEventType::leftMouseDown, kCentre);
    send(NSEventType::leftMouseDragged, {kCentre.x, kCentre.y - 3});
    send(NSEventType::leftMouseDragged, {kCentre.x + dx, kCentre.y + dy});
  }
};

CATransform3D rotationByDegrees(double degrees) {
  return CATransform3DMakeRotation(degrees * std::numbers::pi / 180.0, 0, 0, 1);
}

}  // namespace

TEST(AURotaryControl, SetterClampsAndNotifiesOnlyEffectiveChanges) {
  auto knob = AURotaryControl::initWithFrame({0, 0, 100, 100});
  EXPECT_EQ(knob->tag(), -1);
  EXPECT_EQ(knob->value(), 0.0f);
  EXPECT_EQ(knob->resetValue, 0.0f);
  int changes = 0;
  knob->onValueChanged = [&] { ++changes; };
  knob->_value = 0.5f;

  knob->setValue(1.5f);  // clamped to the upper bound, one call
  EXPECT_EQ(knob->value(), 1.0f);
  EXPECT_EQ(changes, 1);
  knob->setValue(1.5f);  // clamps to the current value: nothing
  knob->setValue(1.0f);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(knob->overlayLayer->transform(), rotationByDegrees(160));

  knob->setValue(std::nanf(""));
  EXPECT_EQ(knob->value(), 0.0f);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(knob->overlayLayer->transform(), CATransform3DMakeRotation(-2.792526803190927, 0, 0, 1));
  knob->setValue(-3);
  EXPECT_EQ(changes, 2);

  // The value is stored and the overlay turned before the closure runs.
  knob->onValueChanged = [&] {
    EXPECT_EQ(knob->value(), 0.5f);
    EXPECT_EQ(knob->overlayLayer->transform(), rotationByDegrees(0));
    ++changes;
  };
  knob->setValue(0.5f);
  EXPECT_EQ(changes, 3);

  knob->setTag(4);
  EXPECT_EQ(knob->tag(), 4);
}

TEST(AURotaryControl, LayersCoverTheKnobWithFreshPicturesOnEveryLayout) {
  auto knob = AURotaryControl::initWithFrame({10, 20, 80, 60});
  ASSERT_TRUE(knob->layer());
  ASSERT_EQ(knob->layer()->sublayers().size(), 2u);
  EXPECT_EQ(knob->layer()->sublayers()[0], knob->underlayLayer);
  EXPECT_EQ(knob->layer()->sublayers()[1], knob->overlayLayer);
  EXPECT_EQ(knob->underlayLayer->bounds(), (CGRect{{0, 0}, {80, 60}}));
  EXPECT_EQ(knob->overlayLayer->position(), (CGPoint{40, 30}));
  EXPECT_TRUE(knob->underlayLayer->contents());  // the default pictures
  EXPECT_TRUE(knob->overlayLayer->contents());

  std::vector<CGSize> asked;
  knob->overlayImageProvider = [&](CGSize size) {
    asked.push_back(size);
    return NSImage::initWithSize(size);
  };
  knob->setFrameSize({50, 50});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], (CGSize{50, 50}));
  EXPECT_EQ(knob->overlayLayer->bounds(), (CGRect{{0, 0}, {50, 50}}));
  knob->setValue(1);  // a value change asks for no picture
  EXPECT_EQ(asked.size(), 1u);

  // Without area the layout does nothing: pictures, bounds and rotation stay.
  const auto contents = knob->overlayLayer->contents();
  knob->setFrameSize({0, 50});
  knob->_value = 0;
  knob->layoutLayers();
  EXPECT_EQ(asked.size(), 1u);
  EXPECT_EQ(knob->overlayLayer->contents(), contents);
  EXPECT_EQ(knob->overlayLayer->bounds(), (CGRect{{0, 0}, {50, 50}}));
  EXPECT_EQ(knob->overlayLayer->transform(), rotationByDegrees(160));
}

TEST(AURotaryControl, DragTurnsByTheDiagonalFromWhereItBegan) {
  KnobInWindow f;
  // 25 points up and to the right: one radian, from 0 degrees to about 57.2958.
  const double leg = 25 / std::sqrt(2.0);
  f.dragTo(leg, leg);
  EXPECT_NEAR(f.knob->value(), 0.67905, 1e-5);
  EXPECT_NEAR(f.knob->value(), (57.2958f + 160) / 320, 1e-6);
  // The same translation computed as the knob does, to the last bit.
  const double turn = (leg + leg) * 0.7071067811865476 / (100 * 0.25);
  const float angle = 0.0f + float(turn) * 180.0f / 3.1415925f;
  EXPECT_EQ(f.knob->value(), 0.0f + (angle + 160.0f) * 1.0f / 320.0f);
  f.send(NSEventType::leftMouseUp, {KnobInWindow::kCentre.x + leg, KnobInWindow::kCentre.y + leg});
  // The step past the threshold only begins the drag.
  ASSERT_EQ(f.calls.size(), 3u);
  EXPECT_EQ(f.calls[0], "began");
  EXPECT_EQ(f.calls[2], "ended");

  // Along the other diagonal nothing moves, and an unchanged value notifies nobody.
  f.calls.clear();
  const float before = f.knob->value();
  f.send(NSEventType::leftMouseDown, KnobInWindow::kCentre);
  f.send(NSEventType::leftMouseDragged, {KnobInWindow::kCentre.x + 10, KnobInWindow::kCentre.y - 10});
  f.send(NSEventType::leftMouseDragged, {KnobInWindow::kCentre.x + 30, KnobInWindow::kCentre.y - 30});
  f.send(NSEventType::leftMouseUp, {KnobInWindow::kCentre.x + 30, KnobInWindow::kCentre.y - 30});
  EXPECT_EQ(f.knob->value(), before);
  EXPECT_EQ(f.calls, (std::vector<std::string>{"began", "ended"}));
}

TEST(AURotaryControl, DragHoldsAtTheArcEndsAndCancelRestores) {
  KnobInWindow f;
  f.dragTo(300, 0);  // far beyond the high end
  EXPECT_EQ(f.knob->value(), 1.0f);
  // Coming back part of the way stays at the end until the pointer re-enters the arc.
  const int before = int(f.calls.size());
  f.send(NSEventType::leftMouseDragged, {KnobInWindow::kCentre.x + 250, KnobInWindow::kCentre.y});
  EXPECT_EQ(f.knob->value(), 1.0f);
  EXPECT_EQ(int(f.calls.size()), before);
  f.send(NSEventType::leftMouseDragged, {KnobInWindow::kCentre.x - 300, KnobInWindow::kCentre.y});
  EXPECT_EQ(f.knob->value(), 0.0f);
  // Escape cancels: back to where the drag began, then the drag ends.
  f.calls.clear();
  f.window->sendEvent(NSEvent::key(NSEscapeCharacters));
  EXPECT_EQ(f.knob->value(), 0.5f);
  EXPECT_EQ(f.calls, (std::vector<std::string>{"changed 0.500000", "ended"}));
}

TEST(AURotaryControl, DoubleClickResets) {
  KnobInWindow f;
  auto doubleClick = [&] {
    f.send(NSEventType::leftMouseDown, KnobInWindow::kCentre, 1);
    f.send(NSEventType::leftMouseUp, KnobInWindow::kCentre, 1);
    f.send(NSEventType::leftMouseDown, KnobInWindow::kCentre, 2);
    f.send(NSEventType::leftMouseUp, KnobInWindow::kCentre, 2);
  };
  doubleClick();  // already at the reset value
  EXPECT_TRUE(f.calls.empty());
  f.knob->setValue(0.9f);
  f.calls.clear();
  doubleClick();
  EXPECT_EQ(f.knob->value(), 0.5f);
  EXPECT_EQ(f.calls, (std::vector<std::string>{"changed 0.500000"}));
}
