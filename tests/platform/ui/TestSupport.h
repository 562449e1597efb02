#pragma once
// Views, pixels and application state shared by the UI tests.
#include <memory>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/Color.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/OffscreenBackend.h"
#include "platform/ui/View.h"

namespace testing_ui {

inline const platform::Pixel kOpaqueRed{255, 0, 0, 255};
inline const platform::Pixel kOpaqueGreen{0, 255, 0, 255};
inline const platform::Pixel kOpaqueBlue{0, 0, 255, 255};
inline const platform::Pixel kClear{};

// The view, given a layer filled with the colour.
inline std::shared_ptr<platform::NSView> coloured(std::shared_ptr<platform::NSView> view,
                                                  const platform::NSColor& color) {
  view->setWantsLayer(true);
  view->layer()->setBackgroundColor(color.CGColor());
  return view;
}

// A flipped view that records what its pan and double-click recognisers report.
class RecordingKnob : public platform::NSView {
public:
  using NSView::NSView;
  static std::shared_ptr<RecordingKnob> make(platform::CGRect frame) {
    std::shared_ptr<RecordingKnob> knob(new RecordingKnob(frame));
    knob->addGestureRecognizer(platform::NSPanGestureRecognizer::initWithTarget(knob, &RecordingKnob::pan));
    auto click = platform::NSClickGestureRecognizer::initWithTarget(knob, &RecordingKnob::doubleClick);
    click->setNumberOfClicksRequired(2);
    knob->addGestureRecognizer(click);
    return knob;
  }
  bool isFlipped() const override { return true; }
  void pan(platform::NSPanGestureRecognizer* r) {
    states.push_back(r->state());
    translations.push_back(r->translationInView(this));
  }
  void doubleClick(platform::NSClickGestureRecognizer* r) { doubleClickStates.push_back(r->state()); }
  std::vector<int> states;
  std::vector<platform::CGPoint> translations;
  std::vector<int> doubleClickStates;
};

// The shared application starts and ends each test it is used in afresh.
struct AppReset {
  AppReset() { platform::NSApplication::sharedApplication()->resetForTesting(); }
  ~AppReset() { platform::NSApplication::sharedApplication()->resetForTesting(); }
};

}  // namespace testing_ui
