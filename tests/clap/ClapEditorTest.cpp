// The CLAP editor embedded in a window of the test host on a private Xvfb.
#include <gtest/gtest.h>

#include <clap/ext/gui.h>

#include <cstdlib>
#include <optional>

#include "clap/ClapTestHost.h"
#include "platform/ui/XvfbServer.h"
#include "support/TemporaryDirectory.h"
#include "support/X11Client.h"  // last

namespace {
using testing_support::ClapTestHost;
using namespace testing_x11;

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

  void click(Window w, int px, int py) {
    testing_x11::click(x, w, px, py);
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
  const Window editor = firstChild(x, parent);
  ASSERT_NE(editor, 0u);
  EXPECT_EQ(size(x, editor), (std::pair{840, 560}));
  EXPECT_EQ(pixel(x, editor, 3, 3), kEditorBackground);

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
  EXPECT_EQ(size(x, editor), (std::pair{600, 400}));
  EXPECT_EQ(pixel(x, editor, 595, 5), kEditorBackground);

  gui->destroy(host->plugin());
  XSync(x, False);
  EXPECT_EQ(firstChild(x, parent), 0u) << "the editor's window outlived it";
  EXPECT_EQ(host->timerCount(), 0u);
}

}  // namespace
