// Real windows on a private Xvfb: drawing read back from the server, events sent through it.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>

#include "TestImages.h"
#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/foundation/MainQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/X11Backend.h"
#include "support/X11Client.h"  // last: Xlib defines macros (None, Bool) that clash with names above

#include <X11/Xatom.h>
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

// Sends the event to the window as another client would.
void send(Display* d, Window w, XEvent e) {
  e.xany.display = d;
  e.xany.window = w;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
}

// Repeats step, a little apart, until done holds or enough tries have passed.
template <class Step, class Done>
void pumpUntil(Step step, Done done, int tries = 20) {
  for (int i = 0; i < tries && !done(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    step();
  }
}

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
  auto runApp = [&app] { app->runOnce(0.02); };

  // A fixed-size top-level window: red content with a blue square at its bottom left.
  auto window = NSWindow::initWithContentRect({0, 0, 120, 80}, 7, NSBackingStoreBuffered, false);
  window->setTitle("Drollicant");
  window->setContentView(coloured(NSView::initWithFrame({0, 0, 120, 80}), kRed));
  window->contentView()->addSubview(coloured(NSView::initWithFrame({0, 0, 20, 20}), kBlue));
  window->makeKeyAndOrderFront(nullptr);
  const Window xid = backend->windowID(*window);
  ASSERT_NE(xid, 0u);
  for (int i = 0; i < 20; ++i) runApp();
  auto pixels = backend->capture(*window);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->width(), 240);  // two pixels per point
  EXPECT_EQ(pixels->pixel(200, 20), kOpaqueRed);
  EXPECT_EQ(pixels->pixel(10, 150), kOpaqueBlue);

  // The window manager is told it cannot be resized, and its title.
  Display* host = XOpenDisplay(server.display().c_str());
  ASSERT_NE(host, nullptr);
  XSizeHints* hints = XAllocSizeHints();
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(host, xid, hints, &supplied));
  EXPECT_TRUE((hints->flags & PMinSize) && (hints->flags & PMaxSize));
  EXPECT_EQ((std::array{hints->min_width, hints->max_width, hints->max_height}), (std::array{240, 240, 160}));
  XFree(hints);
  char* name = nullptr;
  ASSERT_TRUE(XFetchName(host, xid, &name));
  EXPECT_STREQ(name, "Drollicant");
  XFree(name);

  // A view embedded in a child window of that window; the host drives it with idle().
  auto pad = RecordingKnob::make({0, 0, 50, 40});
  coloured(pad, kGreen);
  auto embedded = X11EmbeddedView::create(xid, pad, 2.0, server.display().c_str());
  ASSERT_TRUE(embedded);
  auto idle = [&embedded] { embedded->idle(); };
  pumpUntil(
      idle, [] { return false; }, 10);
  EXPECT_EQ(embedded->capture()->pixel(50, 40), kOpaqueGreen);
  // Work posted to the main queue runs in idle(), and what it changes is drawn.
  std::thread([pad] { MainQueue::main().async([pad] { pad->layer()->setBackgroundColor(kBlue.CGColor()); }); }).join();
  embedded->idle();
  EXPECT_EQ(embedded->capture()->pixel(50, 40), kOpaqueBlue);

  // Pointer events sent to the child window become a pan in the pad's flipped coordinates;
  // another client grabbing the pointer mid-drag cancels the drag.
  const Window child = embedded->windowID();
  testing_x11::button(host, child, ButtonPress, 20, 20);
  testing_x11::button(host, child, MotionNotify, 40, 60);
  testing_x11::button(host, child, ButtonRelease, 40, 60);
  pumpUntil(idle, [&pad] { return pad->states.size() >= 2; });
  EXPECT_EQ(pad->states, (std::vector<int>{1, 3}));
  EXPECT_EQ(pad->translations.back(), (CGPoint{10, 20}));  // pixels halved into points, y downward
  pad->states.clear();
  testing_x11::button(host, child, ButtonPress, 20, 20);
  testing_x11::button(host, child, MotionNotify, 40, 20);
  XEvent leave{};
  leave.type = LeaveNotify;
  leave.xcrossing.mode = NotifyGrab;
  send(host, child, leave);
  pumpUntil(idle, [&pad] { return pad->states.size() >= 2; });
  EXPECT_EQ(pad->states, (std::vector<int>{1, 4}));

  embedded->resize({60, 30});
  embedded->idle();
  EXPECT_EQ(pad->frame().size, (CGSize{60, 30}));
  // The host resizing the child window (in pixels) resizes the view (in points).
  XResizeWindow(host, child, 80, 60);
  XFlush(host);
  pumpUntil(idle, [&pad] { return pad->frame().size == CGSize{40, 30}; });
  EXPECT_EQ(pad->frame().size, (CGSize{40, 30}));
  EXPECT_EQ(embedded->capture()->width(), 80);
  embedded.reset();

  // A host that destroys its window before closing the editor does not bring the process down.
  const Window hostWindow = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 100, 100, 0, 0, 0);
  XMapWindow(host, hostWindow);
  XSync(host, False);
  auto lonely = coloured(NSView::initWithFrame({0, 0, 20, 20}), kGreen);
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
  close.xclient.message_type = XInternAtom(host, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = long(XInternAtom(host, "WM_DELETE_WINDOW", False));
  send(host, secondId, close);
  pumpUntil(runApp, [&second] { return !second->isVisible(); });
  EXPECT_FALSE(second->isVisible());
  EXPECT_EQ(backend->windowID(*second), 0u);
  EXPECT_EQ(app->windows().size(), 1u);
  EXPECT_FALSE(app->isTerminated());

  // Ctrl+Q pressed in the top-level window quits through the menu.
  XEvent key{};
  key.type = KeyPress;
  key.xkey.keycode = XKeysymToKeycode(host, XK_q);
  key.xkey.state = ControlMask;
  send(host, xid, key);
  pumpUntil(runApp, [&app] { return app->isTerminated(); });
  EXPECT_TRUE(app->isTerminated());

  // Without a scale factor given, it comes from the display's Xft.dpi (192 → 2).
  const std::string resources = "Xft.dpi:\t192\n";
  XChangeProperty(host, DefaultRootWindow(host), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(resources.data()), int(resources.size()));
  XSync(host, False);
  EXPECT_DOUBLE_EQ(X11Backend::open(server.display().c_str())->scaleFactor(), 2.0);
  EXPECT_DOUBLE_EQ(backingScaleFactor(), 2.0);
  EXPECT_DOUBLE_EQ(X11Backend::open(server.display().c_str(), 1.5)->scaleFactor(), 1.5);
  setBackingScaleFactor(1.0);
  XCloseDisplay(host);
}
