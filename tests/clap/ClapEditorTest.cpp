// The CLAP editor embedded in a window of the test host on a private Xvfb.
#include <gtest/gtest.h>

#include <clap/ext/gui.h>

#include <cstdlib>
#include <optional>

#include "clap/ClapTestHost.h"
#include "platform/ui/XvfbServer.h"
#include "support/TemporaryDirectory.h"

// Last: Xlib's macros clash with names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
using testing_support::ClapTestHost;

constexpr unsigned long kBackground = 0xBD4C00;  // the editor's background, 0.741, 0.298, 0.0
constexpr clap_id kFlighty = 6;

class ClapEditor : public ::testing::Test {
protected:
  void SetUp() override {
    if (!testing_ui::xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    setenv("XDG_CACHE_HOME", cache.get().c_str(), 1);
    server.emplace();
    ASSERT_TRUE(server->running());
    setenv("DISPLAY", server->display().c_str(), 1);
    x = XOpenDisplay(server->display().c_str());
    ASSERT_NE(x, nullptr);
    parent = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 900, 600, 0, 0, 0);
    XMapWindow(x, parent);
    XSync(x, False);
    host.emplace(DROLLICANT_CLAP);
    ASSERT_TRUE(host->create());
    gui = host->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_NE(gui, nullptr);
  }
  void TearDown() override {
    host.reset();
    if (x) XCloseDisplay(x);
  }

  // The editor's window: the child the plug-in put into ours.
  Window editorWindow() const {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x, parent, &root, &up, &children, &count);
    const Window child = count ? children[0] : 0;
    if (children) XFree(children);
    return child;
  }
  std::pair<int, int> size(Window w) const {
    XWindowAttributes a{};
    XGetWindowAttributes(x, w, &a);
    return {a.width, a.height};
  }
  unsigned long pixel(Window w, int px, int py) const {
    XImage* image = XGetImage(x, w, px, py, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }
  void click(Window w, int px, int py) {
    for (int type : {ButtonPress, ButtonRelease}) {
      XEvent e{};
      e.type = type;
      e.xbutton.display = x;
      e.xbutton.window = w;
      e.xbutton.x = px;
      e.xbutton.y = py;
      e.xbutton.button = Button1;
      XSendEvent(x, w, False, NoEventMask, &e);
      XFlush(x);
    }
    host->tick(5);
  }
  bool open(double scale) {
    const clap_window_t window{CLAP_WINDOW_API_X11, {.x11 = parent}};
    return gui->is_api_supported(host->plugin(), CLAP_WINDOW_API_X11, false) &&
           !gui->is_api_supported(host->plugin(), CLAP_WINDOW_API_X11, true) &&
           gui->create(host->plugin(), CLAP_WINDOW_API_X11, false) && gui->set_scale(host->plugin(), scale) &&
           gui->set_parent(host->plugin(), &window) && gui->show(host->plugin());
  }

  testing_support::TemporaryDirectory cache;
  std::optional<testing_ui::XvfbServer> server;
  Display* x = nullptr;
  Window parent = 0;
  std::optional<ClapTestHost> host;
  const clap_plugin_gui_t* gui = nullptr;
};

TEST_F(ClapEditor, EmbedsAtTheHostsScaleResizesAndSendsEditsToTheHost) {
  ASSERT_TRUE(open(2.0));
  ASSERT_EQ(host->timerCount(), 1u) << "the editor runs from the host's timer";
  host->tick(5);
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(gui->get_size(host->plugin(), &width, &height));
  EXPECT_EQ(width, 840u);  // 420 x 280 points at 2 pixels a point
  EXPECT_EQ(height, 560u);
  const Window editor = editorWindow();
  ASSERT_NE(editor, 0u);
  EXPECT_EQ(size(editor), (std::pair{840, 560}));
  EXPECT_EQ(pixel(editor, 3, 3), kBackground);

  // A click on flighty (113, 251 in points) reaches the host as a parameter value.
  host->clearOutputEvents();
  click(editor, 226, 502);
  EXPECT_GT(host->flushRequests, 0);
  host->flush({});
  ASSERT_FALSE(host->outputEvents().empty());
  EXPECT_EQ(host->outputEvents().back().param_id, kFlighty);
  EXPECT_EQ(host->outputEvents().back().value, 1.0);
  double value = 0;
  ASSERT_TRUE(host->parameterValue(kFlighty, &value));
  EXPECT_EQ(value, 1.0);

  // A value from the host shows without coming back.
  host->clearOutputEvents();
  host->flush({{0, kFlighty, 0.0}});
  host->tick(5);
  host->flush({});
  EXPECT_TRUE(host->outputEvents().empty()) << "the host's own value came back";

  uint32_t w = 300, h = 100;
  ASSERT_TRUE(gui->adjust_size(host->plugin(), &w, &h));
  EXPECT_GE(h, 280u);  // no smaller than the knobs need, at 2 pixels a point
  ASSERT_TRUE(gui->set_size(host->plugin(), 600, 400));
  host->tick(3);
  EXPECT_EQ(size(editor), (std::pair{600, 400}));
  EXPECT_EQ(pixel(editor, 595, 5), kBackground);

  gui->destroy(host->plugin());
  XSync(x, False);
  EXPECT_EQ(editorWindow(), 0u) << "the editor's window outlived it";
  EXPECT_EQ(host->timerCount(), 0u);
}

}  // namespace
