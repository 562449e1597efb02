// The editor's controller: layout for any size, the two-way binding with the unit's
// parameters through the main queue, the factory, and pictures of the whole editor.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>
#include <tuple>
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
    token = unit->parameterTree()->tokenByAddingParameterObserver([this](AUParameterAddress address, AUValue value) {
      writes.push_back({address, value});
    });
    if (loadView) controller->view();
    drainMainQueue();
  }
  ~Editor() { unit->parameterTree()->removeParameterObserver(token); }
  std::shared_ptr<AUParameter> parameter(AUParameterAddress address) {
    return unit->parameterTree()->parameterWithAddress(address);
  }
};

}  // namespace

TEST(EditorLayout, PlacesKnobsAndTogglesForEverySize) {
  Editor e;
  auto& c = *e.controller;
  // Knobs in a grid (columns of `knob` points with equal gaps `mx`, rows likewise with `my`);
  // portrait is three rows of two, whimsy and sweetness last.
  const struct {
    CGSize view;
    double knob;
    int columns;
    double mx, my, flightyX, flightyY, genteelX;
  } sizes[] = {{{420, 280}, 100, 3, 30, 15, 103, 241.25, 233},
               {{300, 500}, 116, 2, 68 / 3.0, 25.76, 37.747, 444.6, 176.413},
               {{1000, 280}, 100, 3, 175, 15, 320.5, 241.25, 595.5}};
  for (const auto& s : sizes) {
    c.view()->setFrameSize(s.view);
    const auto knobs = c.knobsInLayoutOrder();
    for (size_t i = 0; i < knobs.size(); ++i) {
      const CGRect f = knobs[i]->frame();
      EXPECT_NEAR(f.origin.x, s.mx + (s.mx + s.knob) * double(i % s.columns), 1e-9) << s.view.width << " " << i;
      EXPECT_NEAR(f.origin.y, s.my + (s.my + s.knob) * double(i / s.columns), 1e-9) << s.view.width << " " << i;
      EXPECT_EQ(f.size, (CGSize{s.knob, s.knob}));
    }
    EXPECT_NEAR(c.flightyButton->frame().origin.x, s.flightyX, 1e-3) << s.view.width;
    EXPECT_NEAR(c.flightyButton->frame().origin.y, s.flightyY, 1e-9) << s.view.width;
    EXPECT_NEAR(c.genteelButton->frame().origin.x, s.genteelX, 1e-3) << s.view.width;
    EXPECT_NEAR(c.genteelLabel->frame().size.width, s.knob * 0.6, 1e-9) << s.view.width;
    EXPECT_EQ(c.charismaKnob->overlayLayer->bounds().size, (CGSize{s.knob, s.knob}));
  }
  c.view()->setFrameSize({420, 280});
  EXPECT_EQ(c.flightyLabel->frame(), (CGRect{{127, 239.25}, {60, 24}}));

  // Height exactly 1.2 times the width is still landscape.
  c.view()->setFrameSize({300, 360});
  EXPECT_EQ(c.knobSize, 81);
  EXPECT_EQ(c.nostalgiaKnob->frame().origin.y, c.charismaKnob->frame().origin.y);
  EXPECT_GT(c.surpriseKnob->frame().origin.y, c.charismaKnob->frame().origin.y);

  // Tiny views bottom out at 8 points and may spill over the edges.
  c.view()->setFrameSize({30, 30});
  EXPECT_EQ(c.charismaKnob->frame().size.width, 8);
  EXPECT_NEAR(c.flightyButton->frame().origin.x, -6.55, 1e-9);

  // No area: the frames stay.
  const CGRect before = c.whimsyKnob->frame();
  c.view()->setFrameSize({0, 200});
  EXPECT_EQ(c.whimsyKnob->frame(), before);
}

TEST(EditorBinding, OneWriteBackPerHostChangeOneWritePerKnobChangeAndIndependentSwitches) {
  Editor e;
  auto& c = *e.controller;
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

  // The switches are independent.
  const AUValue genteel = e.parameter(7)->value();
  for (AUValue expected : {1.0f, 0.0f}) {
    c.flightyButton->performClick();
    EXPECT_EQ(e.parameter(6)->value(), expected);
  }
  EXPECT_EQ(e.parameter(7)->value(), genteel);

  // From the host: 0.5 is on, 0.4999 is off; no write-back from switches.
  e.writes.clear();
  for (auto [value, state] : {std::pair{0.5f, NSControlStateValueOn}, std::pair{0.4999f, NSControlStateValueOff}}) {
    e.parameter(7)->setValue(value);
    drainMainQueue();
    EXPECT_EQ(c.genteelButton->state(), state) << value;
  }
  EXPECT_EQ(e.writes.size(), 2u);
  EXPECT_EQ(c.flightyButton->state(), NSControlStateValueOff);
}

TEST(EditorFactory, UnitFirstShowsItsValuesOnceTheViewLoads) {
  Editor e(false);
  e.parameter(0)->setValue(0.2f);
  e.parameter(6)->setValue(1.0f);
  e.parameter(7)->setValue(0.0f);
  drainMainQueue();  // the posted connection finds no view and does nothing
  e.controller->view();
  EXPECT_EQ(e.controller->charismaKnob->value(), 0.2f);
  EXPECT_EQ(e.controller->flightyButton->state(), NSControlStateValueOn);
  EXPECT_EQ(e.controller->genteelButton->state(), NSControlStateValueOff);
  for (AUParameterAddress a = 1; a < 6; ++a)
    EXPECT_EQ(e.controller->knobsInLayoutOrder()[a == 4 ? 5 : a == 5 ? 4 : a]->value(), e.parameter(a)->value());
}

// A host that loads the view again gets one set of controls, all showing the values
// the unit has now, and later changes reach every control on screen.
TEST(EditorFactory, ARepeatedLoadShowsOneSetOfControlsWithTheCurrentValues) {
  Editor e;
  e.parameter(6)->setValue(1.0f);
  drainMainQueue();
  e.controller->viewDidLoad();
  e.parameter(7)->setValue(1.0f);
  e.parameter(2)->setValue(0.8f);
  drainMainQueue();
  e.parameter(6)->setValue(0.0f);
  drainMainQueue();

  const auto root = e.controller->view();
  int buttons = 0, knobs = 0, captions = 0;
  for (const auto& view : root->subviews()) {
    if (const auto button = std::dynamic_pointer_cast<NSButton>(view)) {
      ++buttons;
      EXPECT_EQ(button->state(), button->tag() == 7 ? NSControlStateValueOn : NSControlStateValueOff)
          << "switch " << button->tag();
    } else if (const auto knob = std::dynamic_pointer_cast<AURotaryControl>(view)) {
      ++knobs;
      EXPECT_FLOAT_EQ(knob->value(), e.parameter(AUParameterAddress(knob->_tag))->value()) << "knob " << knob->_tag;
    } else if (std::dynamic_pointer_cast<NSImageView>(view)) {
      ++captions;
    }
  }
  EXPECT_EQ(std::tuple(knobs, buttons, captions), std::tuple(6, 2, 2));
}

TEST(EditorFactory, ViewFirstConnectsOnTheMainQueueAndLateCallsAfterTheControllerDoNothing) {
  auto controller = DrollicantAUViewControllerMac::initWithNibName();
  controller->view();
  std::shared_ptr<drollicant::DrollicantAudioUnit> unit;
  std::thread([&] { unit = controller->createAudioUnit(kDescription, nullptr); }).join();
  ASSERT_TRUE(unit);
  auto tree = unit->parameterTree();
  tree->parameterWithAddress(3)->setValue(0.9f);
  drainMainQueue();
  EXPECT_EQ(controller->surpriseKnob->value(), 0.9f);
  // A second connection replaces the observer: one notification still gives one write-back.
  controller->viewDidLoad();
  drainMainQueue();
  tree->parameterWithAddress(1)->setValue(0.1f);
  EXPECT_EQ(MainQueue::main().drain(), 1u);  // one observer posts, not two
  EXPECT_EQ(MainQueue::main().drain(), 1u);  // the write-back's notification
  EXPECT_EQ(MainQueue::main().drain(), 0u);

  // Work already posted, the knob's closure and the observer all outlive the controller.
  auto knob = controller->charismaKnob;
  int heard = 0;
  auto token = tree->tokenByAddingParameterObserver([&](AUParameterAddress, AUValue) { ++heard; });
  tree->parameterWithAddress(0)->setValue(0.7f);
  controller->createAudioUnit(kDescription, nullptr);
  controller.reset();
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
    drainMainQueue();
    return OffscreenBackend::renderView(*c.view(), 2.0);
  };
  const auto middle = snapshot(0.5f);
  ASSERT_EQ(middle->width(), 840);
  EXPECT_EQ(middle->pixel(3, 3), (Pixel{189, 76, 0, 255}));  // 0.741, 0.298, 0.0
  const double up = pointerDirection(*middle, *c.charismaKnob, 2.0);
  EXPECT_NEAR(up, -90, 3);  // unturned, the pointer points straight up
  for (auto [value, turn] : {std::pair{1.0f, 160.0}, std::pair{0.0f, -160.0}})
    EXPECT_NEAR(std::remainder(pointerDirection(*snapshot(value), *c.charismaKnob, 2.0) - up, 360.0), turn, 4);
  NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
}
