// Real windows on a private Xvfb: drawing read back from the server, events sent through it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestImages.h"
#include "XvfbServer.h"
#include "platform/foundation/MainQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/X11Backend.h"

// Last: Xlib defines macros (None, Bool) that clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

using namespace platform;
using namespace testing_ui;

// Under the address sanitizer: full stacks, so that the suppression below can see its caller
// through cairo (built without frame pointers). cairo's xlib backend keeps a small record per
// display from the first upload to a window, which outlives the display connection.
#define SANITIZER_HOOK extern "C" __attribute__((visibility("default"))) const char*
SANITIZER_HOOK __asan_default_options() { return "fast_unwind_on_malloc=0"; }
SANITIZER_HOOK __lsan_default_suppressions() { return "leak:platform::X11WindowPeer::redrawIfNeeded\n"; }

namespace {

class Pad : public NSView {
public:
    static std::shared_ptr<Pad> make(CGRect frame) {
        std::shared_ptr<Pad> pad(new Pad(frame));
        pad->setWantsLayer(true);
        pad->layer()->setBackgroundColor(kGreen.CGColor());
        pad->addGestureRecognizer(NSPanGestureRecognizer::initWithTarget(pad, &Pad::handleDrag));
        return pad;
    }
    bool isFlipped() const override { return true; }
    void handleDrag(NSPanGestureRecognizer* r) {
        states.push_back(r->state());
        last = r->translationInView(this);
    }
    std::vector<int> states;
    CGPoint last;

private:
    using NSView::NSView;
};

void sendButton(Display* d, Window w, int type, int x, int y, unsigned state = 0) {
    XEvent e{};
    e.type = type;
    e.xbutton.display = d;
    e.xbutton.window = w;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.button = Button1;
    e.xbutton.state = state;
    e.xbutton.time = CurrentTime;
    if (type == MotionNotify) {
        e.xmotion.state = Button1Mask;
    }
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
}

struct AppReset {
    AppReset() { NSApplication::sharedApplication()->resetForTesting(); }
    ~AppReset() { NSApplication::sharedApplication()->resetForTesting(); }
};

}  // namespace

TEST(X11, WindowDrawsEmbedsAndTranslatesEvents) {
    if (!xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    XvfbServer server;
    ASSERT_TRUE(server.running());
    AppReset reset;
    auto app = NSApplication::sharedApplication();
    auto backend = X11Backend::open(server.display().c_str(), 2.0);
    ASSERT_TRUE(backend);
    app->setBackend(backend);
    auto menu = NSMenu::make();
    menu->addItem(NSMenuItem::initWithTitle("Quit", kTerminateSelector, "q"));
    app->setMainMenu(menu);

    // A fixed-size top-level window: red content with a blue square at its bottom left.
    auto window = NSWindow::initWithContentRect({0, 0, 120, 80}, 7, NSBackingStoreBuffered, false);
    window->setTitle("Drollicant");
    auto content = NSView::initWithFrame({0, 0, 120, 80});
    content->setWantsLayer(true);
    content->layer()->setBackgroundColor(kRed.CGColor());
    auto square = NSView::initWithFrame({0, 0, 20, 20});
    square->setWantsLayer(true);
    square->layer()->setBackgroundColor(kBlue.CGColor());
    content->addSubview(square);
    window->setContentView(content);
    window->makeKeyAndOrderFront(nullptr);
    const Window xid = backend->windowID(*window);
    ASSERT_NE(xid, 0u);
    for (int i = 0; i < 20; ++i) app->runOnce(0.02);

    auto pixels = backend->capture(*window);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->width(), 240);  // two pixels per point
    EXPECT_EQ(pixels->height(), 160);
    EXPECT_EQ(pixels->pixel(200, 20), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(pixels->pixel(10, 150), (Pixel{0, 0, 255, 255}));

    // A view embedded in a child window of that window; the host drives it with idle().
    auto pad = Pad::make({0, 0, 50, 40});
    auto embedded = X11EmbeddedView::create(xid, pad, 2.0, server.display().c_str());
    ASSERT_TRUE(embedded);
    for (int i = 0; i < 10; ++i) {
        embedded->idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    auto padPixels = embedded->capture();
    EXPECT_EQ(padPixels->width(), 100);
    EXPECT_EQ(padPixels->pixel(50, 40), (Pixel{0, 255, 0, 255}));
    // Work posted to the main queue runs in idle(), and what it changes is drawn.
    std::thread([pad] { MainQueue::main().async([pad] { pad->layer()->setBackgroundColor(kBlue.CGColor()); }); })
        .join();
    embedded->idle();
    EXPECT_EQ(embedded->capture()->pixel(50, 40), (Pixel{0, 0, 255, 255}));

    // Pointer events sent to the child window become a pan in the pad's flipped coordinates.
    Display* host = XOpenDisplay(server.display().c_str());
    ASSERT_NE(host, nullptr);
    // The fixed-size window tells the window manager it cannot be resized; its title is set.
    XSizeHints* hints = XAllocSizeHints();
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(host, xid, hints, &supplied));
    EXPECT_TRUE((hints->flags & PMinSize) && (hints->flags & PMaxSize));
    EXPECT_EQ(hints->min_width, 240);
    EXPECT_EQ(hints->max_width, 240);
    EXPECT_EQ(hints->max_height, 160);
    XFree(hints);
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(host, xid, &name));
    EXPECT_STREQ(name, "Drollicant");
    XFree(name);

    const Window child = embedded->windowID();
    sendButton(host, child, ButtonPress, 20, 20);
    sendButton(host, child, MotionNotify, 40, 60);
    sendButton(host, child, ButtonRelease, 40, 60);
    for (int i = 0; i < 10 && pad->states.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        embedded->idle();
    }
    EXPECT_EQ(pad->states, (std::vector<int>{1, 3}));
    EXPECT_EQ(pad->last, (CGPoint{10, 20}));  // pixels halved into points, y downward

    // Another client grabbing the pointer mid-drag cancels the drag.
    pad->states.clear();
    sendButton(host, child, ButtonPress, 20, 20);
    sendButton(host, child, MotionNotify, 40, 20);
    XEvent leave{};
    leave.type = LeaveNotify;
    leave.xcrossing.window = child;
    leave.xcrossing.mode = NotifyGrab;
    XSendEvent(host, child, False, NoEventMask, &leave);
    XFlush(host);
    for (int i = 0; i < 10 && pad->states.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        embedded->idle();
    }
    EXPECT_EQ(pad->states, (std::vector<int>{1, 4}));

    embedded->resize({60, 30});
    embedded->idle();
    EXPECT_EQ(pad->frame().size, (CGSize{60, 30}));
    // The host resizing the child window (in pixels) resizes the view (in points).
    XResizeWindow(host, child, 80, 60);
    XFlush(host);
    for (int i = 0; i < 20 && pad->frame().size != CGSize{40, 30}; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        embedded->idle();
    }
    EXPECT_EQ(pad->frame().size, (CGSize{40, 30}));
    EXPECT_EQ(embedded->capture()->width(), 80);
    embedded.reset();

    // A host that destroys its window before closing the editor does not bring the process down.
    const Window hostWindow = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 100, 100, 0, 0, 0);
    XMapWindow(host, hostWindow);
    XSync(host, False);
    auto lonely = Pad::make({0, 0, 20, 20});
    auto orphan = X11EmbeddedView::create(hostWindow, lonely, 1.0, server.display().c_str());
    ASSERT_TRUE(orphan);
    orphan->idle();
    XDestroyWindow(host, hostWindow);
    XSync(host, False);
    lonely->layer()->setBackgroundColor(kRed.CGColor());  // something to draw, nowhere to draw it
    orphan->idle();
    orphan.reset();

    // The window manager's close button (WM_DELETE_WINDOW) closes that window only.
    auto second = NSWindow::initWithContentRect({0, 0, 50, 50}, 7, NSBackingStoreBuffered, false);
    second->makeKeyAndOrderFront(nullptr);
    const Window secondId = backend->windowID(*second);
    ASSERT_NE(secondId, 0u);
    XEvent close{};
    close.type = ClientMessage;
    close.xclient.window = secondId;
    close.xclient.message_type = XInternAtom(host, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(host, "WM_DELETE_WINDOW", False));
    XSendEvent(host, secondId, False, NoEventMask, &close);
    XFlush(host);
    for (int i = 0; i < 20 && second->isVisible(); ++i) app->runOnce(0.02);
    EXPECT_FALSE(second->isVisible());
    EXPECT_EQ(backend->windowID(*second), 0u);
    EXPECT_EQ(app->windows().size(), 1u);
    EXPECT_FALSE(app->isTerminated());

    // Ctrl+Q pressed in the top-level window quits through the menu.
    XEvent key{};
    key.type = KeyPress;
    key.xkey.display = host;
    key.xkey.window = xid;
    key.xkey.keycode = XKeysymToKeycode(host, XK_q);
    key.xkey.state = ControlMask;
    XSendEvent(host, xid, False, NoEventMask, &key);
    XFlush(host);
    for (int i = 0; i < 20 && !app->isTerminated(); ++i) app->runOnce(0.02);
    EXPECT_TRUE(app->isTerminated());
    XCloseDisplay(host);
}

TEST(X11, ScaleFactorComesFromTheDisplaysDpiWhenNotGiven) {
    if (!xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    XvfbServer server;
    ASSERT_TRUE(server.running());
    Display* d = XOpenDisplay(server.display().c_str());
    ASSERT_NE(d, nullptr);
    const std::string resources = "Xft.dpi:\t192\n";
    XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), int(resources.size()));
    XSync(d, False);
    auto backend = X11Backend::open(server.display().c_str());
    ASSERT_TRUE(backend);
    EXPECT_DOUBLE_EQ(backend->scaleFactor(), 2.0);
    EXPECT_DOUBLE_EQ(backingScaleFactor(), 2.0);
    EXPECT_DOUBLE_EQ(X11Backend::open(server.display().c_str(), 1.5)->scaleFactor(), 1.5);
    setBackingScaleFactor(1.0);
    XCloseDisplay(d);
}
