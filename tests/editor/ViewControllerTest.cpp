// The editor's controller: layout for any size, the two-way binding with the unit's
// parameters through the main queue, the factory, and pictures of the whole editor.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <thread>
#include <vector>

#include "artwork/BundleToken.h"
#include "editor/DrollicantAUViewControllerMac.h"
#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/MainQueue.h"
#include "platform/ui/OffscreenBackend.h"

using namespace platform;
using drollicant::AURotaryControl;
using drollicant::DrollicantAUViewControllerMac;

namespace {

constexpr AudioComponentDescription kDescription{fourCharCode("aufx"), fourCharCode("drlc"), fourCharCode("Drol"), 0,
                                                 0};

void drainMainQueue() {
  while (MainQueue::main().drain() > 0) {
  }
}

struct Editor {
  std::shared_ptr<DrollicantAUViewControllerMac> controller = DrollicantAUViewControllerMac::initWithNibName();
  std::shared_ptr<drollicant::DrollicantAudioUnit> unit;
  // Every parameter change the tree reports, as (address, value).
  std::vector<std::pair<AUParameterAddress, AUValue>> writes;
  AUParameterObserverToken token = nullptr;

  explicit Editor(bool loadView = true) {
    MainQueue::main().drain();
    unit = controller->createAudioUnit(kDescription, nullptr);
    token = unit->parameterTree()->tokenByAddingParameterObserver(
        [this](AUParameterAddress address, AUValue value) { writes.push_back({address, value}); });
    if (loadView) controller->view();
    drainMainQueue();
  }
  ~Editor() { unit->parameterTree()->removeParameterObserver(token); }
  std::shared_ptr<AUParameter> parameter(AUParameterAddress address) {
    return unit->parameterTree()->parameterWithAddress(address);
  }
};

void expectFrame(const NSView& view, CGRect expected, double tolerance = 1e-9) {
  const CGRect f = view.frame();
  EXPECT_NEAR(f.origin.x, expected.origin.x, tolerance);
  EXPECT_NEAR(f.origin.y, expected.origin.y, tolerance);
  EXPECT_NEAR(f.size.width, expected.size.width, tolerance);
  EXPECT_NEAR(f.size.height, expected.size.height, tolerance);
}

}  // namespace

TEST(EditorLayout, PlacesKnobsAndTogglesForEverySize) {
  Editor e;
  auto& c = *e.controller;
  EXPECT_EQ(c.preferredContentSize(), (CGSize{420, 280}));
  ASSERT_TRUE(c.view()->isFlipped());
  EXPECT_EQ(c.view()->autoresizingMask(), 18u);

  // The initial size, landscape.
  EXPECT_EQ(c.knobSize, 100);
  EXPECT_EQ(c.radioSize, 20);
  expectFrame(*c.charismaKnob, {{30, 15}, {100, 100}});
  expectFrame(*c.naiveteKnob, {{160, 15}, {100, 100}});
  expectFrame(*c.nostalgiaKnob, {{290, 15}, {100, 100}});
  expectFrame(*c.surpriseKnob, {{30, 130}, {100, 100}});
  expectFrame(*c.whimsyKnob, {{160, 130}, {100, 100}});
  expectFrame(*c.sweetnessKnob, {{290, 130}, {100, 100}});
  expectFrame(*c.flightyButton, {{103, 241.25}, {20, 20}});
  expectFrame(*c.flightyLabel, {{127, 239.25}, {60, 24}});
  expectFrame(*c.genteelButton, {{233, 241.25}, {20, 20}});
  expectFrame(*c.genteelLabel, {{257, 239.25}, {60, 24}});
  ASSERT_TRUE(c.flightyLabel->image());
  EXPECT_EQ(c.charismaKnob->overlayLayer->bounds().size, (CGSize{100, 100}));

  // Portrait: three rows of two, whimsy and sweetness last.
  c.view()->setFrameSize({300, 500});
  EXPECT_EQ(c.knobSize, 116);
  EXPECT_NEAR(c.radioSize, 23.2, 1e-12);
  const double h = (300 - 232) / 3.0, g = 25.76;
  expectFrame(*c.charismaKnob, {{h, g}, {116, 116}}, 1e-9);
  expectFrame(*c.naiveteKnob, {{2 * h + 116, g}, {116, 116}}, 1e-9);
  EXPECT_NEAR(c.nostalgiaKnob->frame().origin.y, 167.52, 1e-9);
  EXPECT_NEAR(c.whimsyKnob->frame().origin.y, 309.28, 1e-9);
  EXPECT_NEAR(c.whimsyKnob->frame().origin.x, h, 1e-9);
  EXPECT_NEAR(c.sweetnessKnob->frame().origin.x, 2 * h + 116, 1e-9);
  EXPECT_NEAR(c.flightyButton->frame().origin.y, 444.6, 1e-9);
  EXPECT_NEAR(c.flightyButton->frame().origin.x, 37.747, 1e-3);
  EXPECT_NEAR(c.genteelButton->frame().origin.x, 176.413, 1e-3);
  EXPECT_NEAR(c.genteelLabel->frame().size.width, 69.6, 1e-9);
  EXPECT_NEAR(c.genteelLabel->frame().size.height, 27.84, 1e-9);
  EXPECT_EQ(c.charismaKnob->overlayLayer->bounds().size, (CGSize{116, 116}));

  // Wide: the knobs keep their size and spread out.
  c.view()->setFrameSize({1000, 280});
  EXPECT_EQ(c.knobSize, 100);
  EXPECT_EQ(c.naiveteKnob->frame().origin.x, 175 + 275);
  EXPECT_EQ(c.flightyButton->frame().origin.x, 320.5);
  EXPECT_EQ(c.genteelButton->frame().origin.x, 595.5);

  // Height exactly 1.2 times the width is still landscape.
  c.view()->setFrameSize({300, 360});
  EXPECT_EQ(c.knobSize, 81);
  EXPECT_EQ(c.nostalgiaKnob->frame().origin.y, c.charismaKnob->frame().origin.y);
  EXPECT_GT(c.surpriseKnob->frame().origin.y, c.charismaKnob->frame().origin.y);

  // Tiny views bottom out at 8 points and may spill over the edges.
  c.view()->setFrameSize({30, 30});
  EXPECT_EQ(c.knobSize, 8);
  EXPECT_EQ(c.radioSize, 8);
  EXPECT_NEAR(c.flightyButton->frame().origin.x, -6.55, 1e-9);

  // No area: the frames stay.
  const CGRect before = c.whimsyKnob->frame();
  c.view()->setFrameSize({0, 200});
  EXPECT_EQ(c.whimsyKnob->frame(), before);
}

TEST(EditorBinding, OneWriteBackPerHostChangeAndOneWritePerKnobChange) {
  Editor e;
  auto& c = *e.controller;
  ASSERT_EQ(c.charismaKnob->tag(), 0);
  ASSERT_EQ(c.whimsyKnob->tag(), 5);
  EXPECT_EQ(c.whimsyKnob->label, "WHIMSY");
  EXPECT_EQ(c.whimsyKnob->resetValue, 0.5f);
  e.writes.clear();

  // A host change, here from another thread, turns the knob on the main queue, and the knob
  // writes the same value back exactly once.
  std::thread([&] { e.parameter(2)->setValue(0.3f); }).join();
  EXPECT_EQ(c.nostalgiaKnob->value(), 0.5f);  // not before the main queue runs
  drainMainQueue();
  EXPECT_EQ(c.nostalgiaKnob->value(), 0.3f);
  using Writes = std::vector<std::pair<AUParameterAddress, AUValue>>;
  EXPECT_EQ(e.writes, (Writes{{2, 0.3f}, {2, 0.3f}}));

  // Out of range from the host: the knob clamps and writes the clamped value back once.
  e.writes.clear();
  e.parameter(4)->setValue(1.5f);
  drainMainQueue();
  EXPECT_EQ(c.sweetnessKnob->value(), 1.0f);
  EXPECT_EQ(e.writes, (Writes{{4, 1.5f}, {4, 1.0f}}));

  // A knob turned by the user: one write per effective change, none for an equal value.
  e.writes.clear();
  c.whimsyKnob->setValue(0.8f);
  c.whimsyKnob->setValue(0.8f);
  drainMainQueue();
  EXPECT_EQ(e.writes, (Writes{{5, 0.8f}}));
  EXPECT_EQ(e.parameter(5)->value(), 0.8f);
}

TEST(EditorBinding, TogglesAreIndependentSwitches) {
  Editor e;
  auto& c = *e.controller;
  ASSERT_EQ(c.flightyButton->tag(), 6);
  ASSERT_EQ(c.genteelButton->tag(), 7);
  const AUValue genteel = e.parameter(7)->value();
  c.flightyButton->performClick();
  EXPECT_EQ(e.parameter(6)->value(), c.flightyButton->state() == NSControlStateValueOn ? 1.0f : 0.0f);
  const long after = c.flightyButton->state();
  EXPECT_EQ(e.parameter(7)->value(), genteel);
  c.flightyButton->performClick();
  EXPECT_NE(c.flightyButton->state(), after);
  EXPECT_EQ(e.parameter(6)->value(), after == NSControlStateValueOn ? 0.0f : 1.0f);

  // From the host: 0.5 is on, 0.4999 is off; no write-back from switches.
  e.writes.clear();
  e.parameter(7)->setValue(0.5f);
  drainMainQueue();
  EXPECT_EQ(c.genteelButton->state(), NSControlStateValueOn);
  e.parameter(7)->setValue(0.4999f);
  drainMainQueue();
  EXPECT_EQ(c.genteelButton->state(), NSControlStateValueOff);
  EXPECT_EQ(e.writes.size(), 2u);
  EXPECT_EQ(c.flightyButton->state(), e.parameter(6)->value() >= 0.5f ? NSControlStateValueOn : NSControlStateValueOff);
}

TEST(EditorFactory, ConnectsWhicheverComesFirstViewOrUnit) {
  // The unit first; its values change before the view exists.
  {
    Editor e(false);
    e.parameter(0)->setValue(0.2f);
    e.parameter(6)->setValue(1.0f);
    e.parameter(7)->setValue(0.0f);
    drainMainQueue();  // the posted connection finds no view and does nothing
    EXPECT_FALSE(e.controller->isViewLoaded());
    e.controller->view();
    EXPECT_EQ(e.controller->charismaKnob->value(), 0.2f);
    EXPECT_EQ(e.controller->flightyButton->state(), NSControlStateValueOn);
    EXPECT_EQ(e.controller->genteelButton->state(), NSControlStateValueOff);
    for (AUParameterAddress a = 1; a < 6; ++a)
      EXPECT_EQ(e.controller->knobsInLayoutOrder()[a == 4 ? 5 : a == 5 ? 4 : a]->value(), e.parameter(a)->value());
  }
  // The view first; the unit arrives later and is connected once the main queue runs.
  {
    auto controller = DrollicantAUViewControllerMac::initWithNibName();
    controller->view();
    EXPECT_EQ(controller->charismaKnob->value(), 0.5f);  // no unit yet
    std::shared_ptr<drollicant::DrollicantAudioUnit> unit;
    std::thread([&] { unit = controller->createAudioUnit(kDescription, nullptr); }).join();
    ASSERT_TRUE(unit);
    EXPECT_EQ(controller->audioUnit, unit);
    unit->parameterTree()->parameterWithAddress(3)->setValue(0.9f);
    drainMainQueue();
    EXPECT_EQ(controller->surpriseKnob->value(), 0.9f);
    // A second connection replaces the observer: one notification still gives one write-back.
    int heard = 0;
    auto token = unit->parameterTree()->tokenByAddingParameterObserver([&](AUParameterAddress, AUValue) { ++heard; });
    controller->viewDidLoad();
    drainMainQueue();
    heard = 0;
    unit->parameterTree()->parameterWithAddress(1)->setValue(0.1f);
    EXPECT_EQ(MainQueue::main().drain(), 1u);  // one observer posts, not two
    EXPECT_EQ(MainQueue::main().drain(), 1u);  // the write-back's notification
    EXPECT_EQ(MainQueue::main().drain(), 0u);
    EXPECT_EQ(heard, 2);
    unit->parameterTree()->removeParameterObserver(token);
  }
}

TEST(EditorFactory, LateCallsAfterTheControllerIsGoneDoNothing) {
  auto controller = DrollicantAUViewControllerMac::initWithNibName();
  auto unit = controller->createAudioUnit(kDescription, nullptr);
  controller->view();
  drainMainQueue();
  auto knob = controller->charismaKnob;
  auto tree = unit->parameterTree();
  int heard = 0;
  auto token = tree->tokenByAddingParameterObserver([&](AUParameterAddress, AUValue) { ++heard; });

  // Work already posted, the knob's closure and the observer all outlive the controller.
  tree->parameterWithAddress(0)->setValue(0.7f);
  controller->createAudioUnit(kDescription, nullptr);
  std::weak_ptr<DrollicantAUViewControllerMac> gone = controller;
  controller.reset();
  EXPECT_TRUE(gone.expired());
  EXPECT_GT(MainQueue::main().drain(), 0u);
  EXPECT_EQ(knob->value(), 0.5f);
  heard = 0;
  knob->setValue(0.25f);  // its closure finds no controller: no write
  tree->parameterWithAddress(1)->setValue(0.6f);
  EXPECT_EQ(MainQueue::main().drain(), 0u);  // the controller's observer is removed
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(tree->parameterWithAddress(0)->value(), 0.7f);
  tree->removeParameterObserver(token);
}

namespace {

// Where the knob pointer (the overlay's light stroke) points, in degrees on screen (y
// downward, growing clockwise), for the charisma knob of an editor picture.
double pointerDirection(const OffscreenSurface& pixels, const NSView& knob, double scale) {
  const CGRect f = knob.frame();
  const double cx = (f.origin.x + f.size.width / 2) * scale, cy = (f.origin.y + f.size.height / 2) * scale;
  double sx = 0, sy = 0;
  int count = 0;
  for (int y = int(f.origin.y * scale); y < int((f.origin.y + f.size.height) * scale); ++y)
    for (int x = int(f.origin.x * scale); x < int((f.origin.x + f.size.width) * scale); ++x) {
      const Pixel p = pixels.pixel(x, y);
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      // The pointer lies within a quarter of the knob from its centre; the caption lies outside.
      if (std::hypot(dx, dy) > 0.25 * f.size.width * scale) continue;
      if (p.red > 245 && p.green > 225 && p.green < 250 && p.blue > 190 && p.blue < 225) {
        sx += x + 0.5 - cx;
        sy += y + 0.5 - cy;
        ++count;
      }
    }
  EXPECT_GT(count, 20);
  return std::atan2(sy, sx) * 180 / std::numbers::pi;
}

}  // namespace

TEST(EditorPicture, BackgroundArtworkAndPointersFollowTheValues) {
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), NSBundle::bundleWithURL(DROLLICANT_BUNDLE_DIR));
  Editor e;
  auto& c = *e.controller;
  auto snapshot = [&](float value) {
    e.parameter(0)->setValue(value);
    e.parameter(6)->setValue(value);
    drainMainQueue();
    return OffscreenBackend::renderView(*c.view(), 2.0);
  };
  const auto middle = snapshot(0.5f);
  ASSERT_EQ(middle->width(), 840);
  ASSERT_EQ(middle->height(), 560);
  EXPECT_EQ(middle->pixel(3, 3), (Pixel{189, 76, 0, 255}));  // 0.741, 0.298, 0.0
  const double up = pointerDirection(*middle, *c.charismaKnob, 2.0);
  EXPECT_NEAR(up, -90, 3);  // unturned, the pointer points straight up
  const auto high = snapshot(1.0f);
  EXPECT_NEAR(std::remainder(pointerDirection(*high, *c.charismaKnob, 2.0) - up, 360.0), 160, 4);
  const auto low = snapshot(0.0f);
  EXPECT_NEAR(std::remainder(pointerDirection(*low, *c.charismaKnob, 2.0) - up, 360.0), -160, 4);

  // The switch shows its dot while on: the centre of the flighty radio is white only then.
  const CGRect r = c.flightyButton->frame();
  const int bx = int((r.origin.x + r.size.width / 2) * 2), by = int((r.origin.y + r.size.height / 2) * 2);
  EXPECT_EQ(high->pixel(bx, by), (Pixel{255, 255, 255, 255}));
  EXPECT_NE(low->pixel(bx, by), (Pixel{255, 255, 255, 255}));
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
}
