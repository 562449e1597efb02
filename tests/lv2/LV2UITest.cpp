// drollicant_ui.so in a small LV2 UI host of our own on a private Xvfb: the host's window,
// features, port events, idle calls and pointer events are real; the UI's writes to the
// host's ports are recorded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "platform/ui/XvfbServer.h"
#include "support/X11Client.h"  // last

using namespace testing_ui;
using testing_x11::kEditorBackground;

namespace {

constexpr uint32_t kCharismaPort = 4;
constexpr uint32_t kSweetnessPort = 8;
constexpr uint32_t kFlightyPort = 10;
constexpr uint32_t kGenteelPort = 11;

struct Write {
  uint32_t port;
  float value;
  bool operator==(const Write&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Write& w) { return out << w.port << "=" << w.value; }
};

// A host holding one editor at a time in a top-level window, with the features an embedding
// host gives.
class Host {
public:
  explicit Host(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    library = dlopen((std::string(DROLLICANT_BUNDLE) + "/drollicant_ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"));
    descriptor = entry ? entry(0) : nullptr;
    x = XOpenDisplay(display.c_str());
    testing_x11::failOnErrors();
  }
  ~Host() {
    if (x) XCloseDisplay(x);
    if (library) dlclose(library);
  }
  bool ready() const { return descriptor && x; }

  // Opens the editor and sends it the values a host sends first: the plug-in's defaults.
  bool open(float pixelScale = 1) {
    scale = pixelScale;
    writes.clear();
    parent = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 900, 600, 0, 0, 0);
    XMapWindow(x, parent);
    XFlush(x);
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_UI__scaleFactor), sizeof(float), map(LV2_ATOM__Float), &scale},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_URID_Map mapFeature{this,
                            [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Host*>(h)->map(uri); }};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature resizeF{LV2_UI__resize, &resizeFeature};
    const LV2_Feature mapF{LV2_URID__map, &mapFeature};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature* features[] = {&parentFeature, &resizeF, &mapF, &optionsFeature, nullptr};
    LV2UI_Widget ui = nullptr;
    handle = descriptor->instantiate(
        descriptor, "urn:drollicant:lv2:drollicant", DROLLICANT_BUNDLE,
        [](LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
          ASSERT_EQ(size, sizeof(float));
          ASSERT_EQ(format, 0u);
          static_cast<Host*>(c)->writes.push_back({port, *static_cast<const float*>(buffer)});
        },
        this, &ui, features);
    widget = reinterpret_cast<uintptr_t>(ui);
    if (!handle) return false;
    const float values[] = {0.62f, 0.78f, 0.3f, 0.2f, 0.55f, 0.1f, 0.0f, 0.0f};
    for (uint32_t i = 0; i < 8; ++i) port(kCharismaPort + i, values[i]);
    idle();
    return true;
  }
  void close() {
    descriptor->cleanup(handle);
    XDestroyWindow(x, parent);
    XFlush(x);
  }

  void port(uint32_t index, float value) { descriptor->port_event(handle, index, sizeof value, 0, &value); }
  // Idles a while, as a host does 30 times a second.
  void idle(int times = 5) {
    auto* idleInterface = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    for (int i = 0; i < times; ++i) {
      idleInterface->idle(handle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  void button(int type, int px, int py) const { testing_x11::button(x, widget, type, px, py); }
  void click(int px, int py) {
    testing_x11::click(x, widget, px, py);
    idle();
  }
  unsigned long pixel(int px, int py) const { return testing_x11::pixel(x, widget, px, py); }
  std::pair<int, int> windowSize() const { return testing_x11::size(x, widget); }
  LV2_URID map(const std::string& uri) { return urids.emplace(uri, uint32_t(urids.size() + 1)).first->second; }

  void* library = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  Display* x = nullptr;
  std::map<std::string, LV2_URID> urids;
  float scale = 1;
  Window parent = 0, widget = 0;
  LV2UI_Handle handle = nullptr;
  std::vector<Write> writes;
  std::pair<int, int> reportedSize{0, 0};
  LV2UI_Resize resizeFeature{this, [](LV2UI_Feature_Handle h, int w, int hh) {
                               static_cast<Host*>(h)->reportedSize = {w, hh};
                               return 0;
                             }};
};

// Each test has a private X server and a host that loads the UI library; the host, and
// with it the library, goes first when the test ends.
class LV2UI : public ::testing::Test {
protected:
  void SetUp() override {
    if (!xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
    server.emplace();
    ASSERT_TRUE(server->running());
    host.emplace(server->display());
    ASSERT_TRUE(host->ready()) << dlerror();
  }

  std::optional<XvfbServer> server;
  std::optional<Host> host;
};

}  // namespace

TEST_F(LV2UI, EmbedsFollowsThePortsAndWritesUserChanges) {
  Host& ui = *host;
  ASSERT_TRUE(ui.open());
  EXPECT_EQ(ui.reportedSize, (std::pair{420, 280}));
  EXPECT_EQ(ui.windowSize(), (std::pair{420, 280}));
  EXPECT_EQ(ui.pixel(3, 3), kEditorBackground);
  // A host change turns the knob without an echo.
  ui.port(kSweetnessPort, 1.0f);
  ui.port(kCharismaPort, 0.5f);
  ui.idle();
  EXPECT_TRUE(ui.writes.empty()) << "the host's own values are not echoed";

  // A drag up and to the right on the charisma knob (centre 80, 65) turns it up from 0.5.
  // (The window takes only the latest of the pointer movements waiting, so idle between.)
  ui.button(ButtonPress, 80, 65);
  ui.button(MotionNotify, 80, 68);
  ui.idle();
  ui.button(MotionNotify, 110, 35);
  ui.idle();
  ui.button(ButtonRelease, 110, 35);
  ui.idle();
  ASSERT_FALSE(ui.writes.empty());
  EXPECT_EQ(ui.writes.back().port, kCharismaPort);
  EXPECT_NEAR(ui.writes.back().value, 0.5f + 97.2406f / 320, 1e-4);  // 60 / √2 / 25 radians

  // A double-click puts it back to the middle; a click flips a switch.
  ui.writes.clear();
  ui.click(80, 65);
  ui.click(80, 65);
  ui.click(113, 251);  // flighty
  EXPECT_EQ(ui.writes, (std::vector<Write>{{kCharismaPort, 0.5f}, {kFlightyPort, 1.0f}}));

  // The host resizes the editor through the UI's resize interface.
  auto* resize = static_cast<const LV2UI_Resize*>(ui.descriptor->extension_data(LV2_UI__resize));
  ASSERT_TRUE(resize);
  EXPECT_EQ(resize->ui_resize(ui.handle, 300, 500), 0);
  ui.idle();
  EXPECT_EQ(ui.windowSize(), (std::pair{300, 500}));
  EXPECT_EQ(ui.pixel(295, 5), kEditorBackground);  // (the screen is 640 x 480)

  // Closed and opened again, now at twice the pixel density.
  ui.close();
  ASSERT_TRUE(ui.open(2.0f));
  EXPECT_EQ(ui.windowSize(), (std::pair{840, 560}));
  EXPECT_EQ(ui.pixel(3, 3), kEditorBackground);
  ui.click(486, 502);  // genteel, at 2 pixels per point
  EXPECT_EQ(ui.writes, (std::vector<Write>{{kGenteelPort, 1.0f}}));
  ui.close();
}

// Port events a host should not send (ports the UI does not show, values outside 0–1
// or not numbers at all, other formats) change nothing in the host and break nothing:
// the editor shows in-range values and still writes what the user does.
TEST_F(LV2UI, IgnoresOrBoundsStrangePortEvents) {
  Host& ui = *host;
  ASSERT_TRUE(ui.open());

  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const std::pair<uint32_t, float> events[] = {
      {0, 0.7f},          {3, 0.7f},           {12, 0.7f},           {13, 0.7f},           {~0u, 0.7f},
      {kCharismaPort, 2}, {kCharismaPort, -1}, {kCharismaPort, nan}, {kCharismaPort, inf}, {kSweetnessPort, -inf},
      {kFlightyPort, 5},  {kFlightyPort, nan}, {kGenteelPort, inf},
  };
  for (const auto& [port, value] : events) {
    ui.port(port, value);
    ui.idle(1);
  }
  const double wide = 0.5;
  ui.descriptor->port_event(ui.handle, kCharismaPort, sizeof wide, 0, &wide);    // not a float
  ui.descriptor->port_event(ui.handle, kCharismaPort, sizeof(float), 1, &wide);  // another protocol
  ui.descriptor->port_event(ui.handle, kCharismaPort, sizeof(float), 0, nullptr);
  ui.idle();
  EXPECT_TRUE(ui.writes.empty()) << "the host's values, however odd, are not written back";

  // Charisma shows 1 after +∞ and goes back to the middle on a double-click; flighty
  // shows off after not-a-number and a click turns it on.
  ui.click(80, 65);
  ui.click(80, 65);
  ui.click(113, 251);
  EXPECT_EQ(ui.writes, (std::vector<Write>{{kCharismaPort, 0.5f}, {kFlightyPort, 1.0f}}));
  ui.close();
}

// The editor posts work to the main queue for later; closing it before that work runs,
// then opening another editor that runs it, or unloading the library with it still
// queued, is harmless.
TEST_F(LV2UI, ClosesWithWorkStillQueued) {
  Host& ui = *host;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(ui.open());
    for (uint32_t port = kCharismaPort; port <= kGenteelPort; ++port) ui.port(port, 0.9f);
    ui.close();  // without an idle: the knobs' updates are still queued
  }
  ASSERT_TRUE(ui.open());
  ui.idle();
  EXPECT_EQ(ui.pixel(3, 3), kEditorBackground);
  EXPECT_TRUE(ui.writes.empty());
  ui.click(113, 251);
  EXPECT_EQ(ui.writes, (std::vector<Write>{{kFlightyPort, 1.0f}}));
  for (uint32_t port = kCharismaPort; port <= kGenteelPort; ++port) ui.port(port, 0.1f);
  ui.close();  // and the library is unloaded with that work queued
}
