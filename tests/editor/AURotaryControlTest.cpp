// The knob: clamped value store, angle mapping, layer layout and drag arithmetic, driven by
// synthesised pointer events through a window.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "editor/AURotaryControl.h"
#include "platform/ui/Window.h"

using namespace platform;
using drollicant::AURotaryControl;

namespace {

// A 100-point knob at 0.5 in the middle of a window's content, recording its notifications.
struct KnobInWindow {
  std::shared_ptr<NSWindow> window =
      NSWindow::initWithContentRect({0, 0, 200, 200}, NSWindowStyleMaskTitled, NSBackingStoreBuffered, false);
  std::shared_ptr<AURotaryControl> knob = AURotaryControl::initWithFrame({50, 50, 100, 100});
  std::vector<std::string> calls;
  static constexpr CGPoint kCentre{100, 100};  // window coordinates, y upward

  KnobInWindow() {
    window->setContentView(NSView::initWithFrame({0, 0, 200, 200}));
    window->contentView()->addSubview(knob);
    knob->resetValue = knob->_value = 0.5f;
    knob->onValueChanged = [this] { calls.push_back("changed " + std::to_string(knob->value())); };
    knob->onDragBegan = [this] { calls.push_back("began"); };
    knob->onDragEnded = [this] { calls.push_back("ended"); };
  }
  void send(NSEventType type, double dx, double dy, int clicks = 1) {
    window->sendEvent(NSEvent::mouse(type, {kCentre.x + dx, kCentre.y + dy}, clicks));
  }
  // Press at the centre, pass the recogniser's threshold, then move to centre + (dx, dy).
  void dragTo(double dx, double dy) {
    send(NSEventType::leftMouseDown, 0, 0);
    send(NSEventType::leftMouseDragged, 0, -3);
    send(NSEventType::leftMouseDragged, dx, dy);
  }
};

CATransform3D rotationByDegrees(double degrees) {
  return CATransform3DMakeRotation(degrees * std::numbers::pi / 180.0, 0, 0, 1);
}

}  // namespace

TEST(AURotaryControl, SetterClampsAndNotifiesOnlyEffectiveChanges) {
  auto knob = AURotaryControl::initWithFrame({0, 0, 100, 100});
  knob->_value = 0.5f;
  int changes = 0;
  // The value is stored and the overlay turned before the closure runs.
  knob->onValueChanged = [&] {
    EXPECT_EQ(knob->overlayLayer->transform(), rotationByDegrees(knob->value() * 320 - 160));
    ++changes;
  };
  const struct {
    float set, stored;
    int changes;
  } steps[] = {{1.5f, 1, 1},          {1.5f, 1, 1}, {1, 1, 1},  // clamped once, then equal: no call
               {std::nanf(""), 0, 2}, {-3, 0, 2},   {0.5f, 0.5f, 3}};
  for (const auto& s : steps) {
    knob->setValue(s.set);
    EXPECT_EQ(knob->value(), s.stored) << s.set;
    EXPECT_EQ(changes, s.changes) << s.set;
  }
}

TEST(AURotaryControl, LayoutAsksForFreshPicturesOnlyWithArea) {
  auto knob = AURotaryControl::initWithFrame({10, 20, 80, 60});
  std::vector<CGSize> asked;
  knob->overlayImageProvider = [&](CGSize size) {
    asked.push_back(size);
    return NSImage::initWithSize(size);
  };
  knob->setFrameSize({50, 50});
  knob->setValue(1);  // a value change asks for no picture
  EXPECT_EQ(asked, (std::vector<CGSize>{{50, 50}}));
  EXPECT_EQ(knob->overlayLayer->bounds(), (CGRect{{0, 0}, {50, 50}}));

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

TEST(AURotaryControl, DragTurnsByTheUpRightDiagonalOnly) {
  KnobInWindow f;
  // 25 points up and to the right: one radian, from 0 degrees to about 57.2958.
  const double leg = 25 / std::sqrt(2.0);
  f.dragTo(leg, leg);
  f.send(NSEventType::leftMouseUp, leg, leg);
  EXPECT_NEAR(f.knob->value(), (57.2958f + 160) / 320, 1e-6);
  EXPECT_EQ(f.calls, (std::vector<std::string>{"began", "changed " + std::to_string(f.knob->value()), "ended"}));

  // To the last rounding: the divisor is the single-precision 3.1415925 (0x40490FDA), one unit
  // below π in single precision. 8.25 points to the right tells the two apart (π gives 0x3f0ab21d).
  KnobInWindow exact;
  exact.dragTo(8.25, 0);
  EXPECT_EQ(std::bit_cast<uint32_t>(exact.knob->value()), 0x3f0ab21eu) << exact.knob->value();

  // Along the other diagonal nothing moves, and an unchanged value notifies nobody.
  f.calls.clear();
  const float before = f.knob->value();
  f.dragTo(30, -30);
  f.send(NSEventType::leftMouseUp, 30, -30);
  EXPECT_EQ(f.knob->value(), before);
  EXPECT_EQ(f.calls, (std::vector<std::string>{"began", "ended"}));
}

TEST(AURotaryControl, DragHoldsAtTheArcEndsAndCancelRestores) {
  KnobInWindow f;
  f.dragTo(300, 0);  // far beyond the high end
  EXPECT_EQ(f.knob->value(), 1.0f);
  // Coming back part of the way stays at the end until the pointer re-enters the arc.
  const auto calls = f.calls;
  f.send(NSEventType::leftMouseDragged, 250, 0);
  EXPECT_EQ(f.knob->value(), 1.0f);
  EXPECT_EQ(f.calls, calls);
  f.send(NSEventType::leftMouseDragged, -300, 0);
  EXPECT_EQ(f.knob->value(), 0.0f);
  // Escape cancels: back to where the drag began, then the drag ends.
  f.calls.clear();
  f.window->sendEvent(NSEvent::key(NSEscapeCharacters));
  EXPECT_EQ(f.calls, (std::vector<std::string>{"changed 0.500000", "ended"}));
}

TEST(AURotaryControl, DoubleClickResets) {
  KnobInWindow f;
  f.knob->_value = 0.9f;
  for (int clicks : {1, 2}) {
    f.send(NSEventType::leftMouseDown, 0, 0, clicks);
    f.send(NSEventType::leftMouseUp, 0, 0, clicks);
  }
  EXPECT_EQ(f.calls, (std::vector<std::string>{"changed 0.500000"}));
}
