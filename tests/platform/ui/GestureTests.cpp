// Pan and click recognisers driven by synthesised events through a window.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "platform/ui/Window.h"

using namespace platform;
using namespace testing_ui;

namespace {

// A knob at (100, 50, 100, 100) in a 300 × 200 window.
struct Fixture {
  std::shared_ptr<NSWindow> window =
      NSWindow::initWithContentRect({0, 0, 300, 200}, NSWindowStyleMaskTitled, NSBackingStoreBuffered, false);
  std::shared_ptr<RecordingKnob> knob = RecordingKnob::make({100, 50, 100, 100});
  Fixture() { window->contentView()->addSubview(knob); }
  void send(NSEventType type, CGPoint p, int clicks = 1) { window->sendEvent(NSEvent::mouse(type, p, clicks)); }
};

}  // namespace

// The knob's own tests drive pans through these recognisers (threshold, flipped and
// cumulative translation, Escape); here is what they do not reach.
TEST(Gestures, PanStatesStayInsideTheViewAndDoubleClickFiresOncePerSeries) {
  Fixture f;
  f.send(NSEventType::leftMouseDown, {150, 100});
  f.send(NSEventType::leftMouseDragged, {151, 100});  // below the threshold: nothing yet
  EXPECT_TRUE(f.knob->states.empty());
  f.send(NSEventType::leftMouseDragged, {155, 100});
  f.send(NSEventType::leftMouseDragged, {160, 110});
  f.send(NSEventType::leftMouseUp, {160, 110});
  EXPECT_EQ(f.knob->states, (std::vector<int>{1, 2, 3}));

  // A press outside the knob does not reach its recognisers.
  f.knob->states.clear();
  f.send(NSEventType::leftMouseDown, {20, 20});
  f.send(NSEventType::leftMouseDragged, {60, 60});
  f.send(NSEventType::leftMouseUp, {60, 60});
  EXPECT_TRUE(f.knob->states.empty());

  // Double-clicks: once per series, and not when the second press became a drag.
  auto click = [&f](int count, CGPoint to = {150, 100}) {
    f.send(NSEventType::leftMouseDown, {150, 100}, count);
    if (to != CGPoint{150, 100}) f.send(NSEventType::leftMouseDragged, to, count);
    f.send(NSEventType::leftMouseUp, to, count);
    return f.knob->doubleClickStates.size();
  };
  EXPECT_EQ(click(1), 0u);
  EXPECT_EQ(click(2), 1u);
  EXPECT_EQ(click(3), 1u);  // a third click in the series is not another double-click
  click(1);
  EXPECT_EQ(click(2, {180, 100}), 1u);
  EXPECT_EQ(f.knob->states, (std::vector<int>{1, 3}));
  EXPECT_EQ(f.knob->doubleClickStates, (std::vector<int>{NSGestureRecognizerStateRecognized}));
}
