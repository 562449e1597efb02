// Pan and click recognisers driven by synthesised events through a window.
#include <gtest/gtest.h>

#include <vector>

#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Window.h"

using namespace platform;

namespace {

class Knob : public NSView {
public:
    using NSView::NSView;
    static std::shared_ptr<Knob> make(CGRect frame) {
        std::shared_ptr<Knob> knob(new Knob(frame));
        knob->addGestureRecognizer(NSPanGestureRecognizer::initWithTarget(knob, &Knob::handleDrag));
        auto click = NSClickGestureRecognizer::initWithTarget(knob, &Knob::handleDoubleClick);
        click->setNumberOfClicksRequired(2);
        knob->addGestureRecognizer(click);
        return knob;
    }
    bool isFlipped() const override { return true; }
    void handleDrag(NSPanGestureRecognizer* r) {
        states.push_back(r->state());
        translations.push_back(r->translationInView(this));
    }
    void handleDoubleClick(NSClickGestureRecognizer* r) {
        EXPECT_EQ(r->state(), NSGestureRecognizerStateRecognized);
        ++doubleClicks;
    }
    std::vector<int> states;
    std::vector<CGPoint> translations;
    int doubleClicks = 0;
};

// A knob at (100, 50, 100, 100) in a 300 × 200 window.
struct Fixture {
    std::shared_ptr<NSWindow> window =
        NSWindow::initWithContentRect({0, 0, 300, 200}, NSWindowStyleMaskTitled, NSBackingStoreBuffered, false);
    std::shared_ptr<Knob> knob = Knob::make({100, 50, 100, 100});
    Fixture() { window->contentView()->addSubview(knob); }
    void send(NSEventType type, CGPoint p, int clicks = 1) { window->sendEvent(NSEvent::mouse(type, p, clicks)); }
};

}  // namespace

TEST(Gestures, PanReportsCumulativeFlippedTranslationAndDoubleClickFiresOncePerSeries) {
    Fixture f;
    f.send(NSEventType::leftMouseDown, {150, 100});
    f.send(NSEventType::leftMouseDragged, {151, 100});  // below the threshold: nothing yet
    EXPECT_TRUE(f.knob->states.empty());
    f.send(NSEventType::leftMouseDragged, {155, 100});
    f.send(NSEventType::leftMouseDragged, {160, 110});  // up in the window
    f.send(NSEventType::leftMouseDragged, {170, 80});   // down in the window
    f.send(NSEventType::leftMouseUp, {170, 80});
    EXPECT_EQ(f.knob->states, (std::vector<int>{1, 2, 2, 3}));
    // y grows downward in the knob; each translation counts from the press.
    EXPECT_EQ(f.knob->translations, (std::vector<CGPoint>{{5, 0}, {10, -10}, {20, 20}, {20, 20}}));

    // Escape cancels a drag in progress; releasing afterwards sends nothing more.
    f.knob->states.clear();
    f.send(NSEventType::leftMouseDown, {150, 100});
    f.send(NSEventType::leftMouseDragged, {160, 100});
    f.window->sendEvent(NSEvent::key(NSEscapeCharacters));
    f.send(NSEventType::leftMouseUp, {160, 100});
    EXPECT_EQ(f.knob->states, (std::vector<int>{1, 4}));

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
        return f.knob->doubleClicks;
    };
    EXPECT_EQ(click(1), 0);
    EXPECT_EQ(click(2), 1);
    EXPECT_EQ(click(3), 1);  // a third click in the series is not another double-click
    click(1);
    EXPECT_EQ(click(2, {180, 100}), 1);
    EXPECT_EQ(f.knob->states, (std::vector<int>{1, 3}));
}
