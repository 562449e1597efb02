// drollicant_ui.so in a small LV2 UI host of our own on a private Xvfb: the host's window,
// features, port events, idle calls and pointer events are real; the UI's writes to the
// host's ports are recorded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "platform/ui/XvfbServer.h"

// Last: Xlib's macros clash with names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace testing_ui;

namespace {

constexpr uint32_t kCharismaPort = 4;
constexpr uint32_t kSweetnessPort = 8;
constexpr uint32_t kFlightyPort = 10;
constexpr uint32_t kGenteelPort = 11;
constexpr unsigned long kBackground = 0xBD4C00;  // 0.741, 0.298, 0.0

struct Write {
  uint32_t port;
  float value;
  bool operator==(const Write&) const = default;
};

// A host: one top-level window per UI instance, with the features an embedding host gives.
class Host {
public:
  explicit Host(const std::string& display) {
    setenv("DISPLAY", display.c_str(), 1);
    library = dlopen((std::string(DROLLICANT_BUNDLE) + "/drollicant_ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"));
    descriptor = entry ? entry(0) : nullptr;
    x = XOpenDisplay(display.c_str());
    // A failed request fails the test instead of ending the process.
    XSetErrorHandler([](Display*, XErrorEvent* error) {
      ADD_FAILURE() << "X error " << int(error->error_code) << " on request " << int(error->request_code);
      return 0;
    });
  }
  ~Host() {
    if (x) XCloseDisplay(x);
    if (library) dlclose(library);
  }
  bool ready() const { return descriptor && x; }

  struct Instance {
    Host* host = nullptr;
    Window parent = 0;
    LV2UI_Handle handle = nullptr;
    Window widget = 0;
    std::vector<Write> writes;
    std::pair<int, int> reportedSize{0, 0};
    LV2UI_Resize resizeFeature{this, [](LV2UI_Feature_Handle h, int w, int hh) {
                                 static_cast<Instance*>(h)->reportedSize = {w, hh};
                                 return 0;
                               }};
    float scale = 1;

    void port(uint32_t index, float value) {
      host->descriptor->port_event(handle, index, sizeof value, 0, &value);
    }
    // Idles a while, as a host does 30 times a second.
    void idle(int times = 5) {
      auto* idleInterface =
          static_cast<const LV2UI_Idle_Interface*>(host->descriptor->extension_data(LV2_UI__idleInterface));
      for (int i = 0; i < times; ++i) {
        idleInterface->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    void button(int type, int px, int py) const {
      XEvent e{};
      e.type = type;
      e.xbutton.display = host->x;
      e.xbutton.window = widget;
      e.xbutton.x = px;
      e.xbutton.y = py;
      e.xbutton.button = Button1;
      e.xbutton.time = CurrentTime;
      if (type == MotionNotify) e.xmotion.state = Button1Mask;
      XSendEvent(host->x, widget, False, NoEventMask, &e);
      XFlush(host->x);
    }
    void click(int px, int py) {
      button(ButtonPress, px, py);
      button(ButtonRelease, px, py);
      idle();
    }
    unsigned long pixel(int px, int py) const {
      XImage* image = XGetImage(host->x, widget, px, py, 1, 1, AllPlanes, ZPixmap);
      if (!image) return 0;
      const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
      XDestroyImage(image);
      return p;
    }
    std::pair<int, int> windowSize() const {
      XWindowAttributes a{};
      XGetWindowAttributes(host->x, widget, &a);
      return {a.width, a.height};
    }
  };

  std::unique_ptr<Instance> open(float scale = 1) {
    auto instance = std::make_unique<Instance>();
    instance->host = this;
    instance->scale = scale;
    instance->parent = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 900, 600, 0, 0, 0);
    XMapWindow(x, instance->parent);
    XFlush(x);
    const LV2_URID floatType = map(LV2_ATOM__Float);
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_UI__scaleFactor), sizeof(float), floatType, &instance->scale},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_URID_Map mapFeature{this, [](LV2_URID_Map_Handle h, const char* uri) {
                              return static_cast<Host*>(h)->map(uri);
                            }};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(instance->parent)};
    const LV2_Feature resizeFeature{LV2_UI__resize, &instance->resizeFeature};
    const LV2_Feature mapF{LV2_URID__map, &mapFeature};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &mapF, &optionsFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    instance->handle = descriptor->instantiate(
        descriptor, "urn:drollicant:lv2:drollicant", DROLLICANT_BUNDLE,
        [](LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
          ASSERT_EQ(size, sizeof(float));
          ASSERT_EQ(format, 0u);
          static_cast<Instance*>(c)->writes.push_back({port, *static_cast<const float*>(buffer)});
        },
        instance.get(), &widget, features);
    instance->widget = reinterpret_cast<uintptr_t>(widget);
    return instance;
  }
  void close(std::unique_ptr<Instance>& instance) {
    descriptor->cleanup(instance->handle);
    XDestroyWindow(x, instance->parent);
    XFlush(x);
    instance.reset();
  }

  LV2_URID map(const std::string& uri) { return urids.emplace(uri, uint32_t(urids.size() + 1)).first->second; }

  void* library = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  Display* x = nullptr;
  std::map<std::string, LV2_URID> urids;
};

// The values a host sends when the UI opens: those of the plug-in's defaults.
void sendInitialValues(Host::Instance& ui) {
  const float values[] = {0.62f, 0.78f, 0.3f, 0.2f, 0.55f, 0.1f, 0.0f, 0.0f};
  for (uint32_t i = 0; i < 8; ++i) ui.port(kCharismaPort + i, values[i]);
}

}  // namespace

TEST(LV2UI, EmbedsFollowsThePortsAndWritesUserChanges) {
  if (!xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.running());
  Host host(server.display());
  ASSERT_TRUE(host.ready()) << dlerror();
  EXPECT_EQ(host.descriptor->extension_data("urn:nothing"), nullptr);

  auto ui = host.open();
  ASSERT_TRUE(ui->handle);
  ASSERT_NE(ui->widget, 0u);
  EXPECT_EQ(ui->reportedSize, (std::pair{420, 280}));
  sendInitialValues(*ui);
  ui->idle();
  EXPECT_EQ(ui->windowSize(), (std::pair{420, 280}));
  EXPECT_EQ(ui->pixel(3, 3), kBackground);
  EXPECT_TRUE(ui->writes.empty()) << "the host's own values are not echoed";

  // A host change turns the knob without an echo; an out-of-range one comes back clamped.
  ui->port(kSweetnessPort, 1.0f);
  ui->idle();
  EXPECT_TRUE(ui->writes.empty());
  ui->port(kCharismaPort, 1.5f);
  ui->idle();
  EXPECT_EQ(ui->writes, (std::vector<Write>{{kCharismaPort, 1.0f}}));

  // A drag up and to the right on the charisma knob (centre 80, 65) turns it up from 0.5.
  ui->port(kCharismaPort, 0.5f);
  ui->idle();
  ui->writes.clear();
  // (The window takes only the latest of the pointer movements waiting, so idle between.)
  ui->button(ButtonPress, 80, 65);
  ui->button(MotionNotify, 80, 68);
  ui->idle();
  ui->button(MotionNotify, 110, 35);
  ui->idle();
  ui->button(ButtonRelease, 110, 35);
  ui->idle();
  ASSERT_FALSE(ui->writes.empty());
  EXPECT_EQ(ui->writes.back().port, kCharismaPort);
  EXPECT_NEAR(ui->writes.back().value, 0.5f + 97.2406f / 320, 1e-4);  // 60 / √2 / 25 radians

  // A double-click puts it back to the middle.
  ui->writes.clear();
  ui->click(80, 65);
  ui->click(80, 65);
  EXPECT_EQ(ui->writes, (std::vector<Write>{{kCharismaPort, 0.5f}}));

  // Each switch drives its own port only.
  ui->writes.clear();
  ui->click(113, 251);  // flighty
  EXPECT_EQ(ui->writes, (std::vector<Write>{{kFlightyPort, 1.0f}}));
  ui->click(243, 251);  // genteel
  ui->click(113, 251);
  EXPECT_EQ(ui->writes, (std::vector<Write>{{kFlightyPort, 1.0f}, {kGenteelPort, 1.0f}, {kFlightyPort, 0.0f}}));

  // The host resizes the editor through the UI's resize interface.
  auto* resize = static_cast<const LV2UI_Resize*>(host.descriptor->extension_data(LV2_UI__resize));
  ASSERT_TRUE(resize);
  EXPECT_EQ(resize->ui_resize(ui->handle, 300, 500), 0);
  ui->idle();
  EXPECT_EQ(ui->windowSize(), (std::pair{300, 500}));
  EXPECT_EQ(ui->pixel(295, 5), kBackground);  // (the screen is 640 x 480)
  // ... or by resizing the window itself.
  XResizeWindow(host.x, ui->widget, 1000, 280);
  XFlush(host.x);
  ui->idle(10);
  ui->writes.clear();
  ui->click(321, 251);  // the flighty switch sits at x = 320.5 at this size
  EXPECT_EQ(ui->writes, (std::vector<Write>{{kFlightyPort, 1.0f}}));

  // A second editor beside the first, at twice the pixel density; closing one leaves the other.
  auto second = host.open(2.0f);
  ASSERT_TRUE(second->handle);
  EXPECT_EQ(second->reportedSize, (std::pair{840, 560}));
  sendInitialValues(*second);
  second->idle();
  EXPECT_EQ(second->windowSize(), (std::pair{840, 560}));
  EXPECT_TRUE(second->writes.empty());
  host.close(ui);
  second->click(226, 502);  // flighty, at 2 pixels per point
  EXPECT_EQ(second->writes, (std::vector<Write>{{kFlightyPort, 1.0f}}));

  // Closed and opened again.
  host.close(second);
  auto again = host.open();
  ASSERT_TRUE(again->handle);
  sendInitialValues(*again);
  again->idle();
  EXPECT_EQ(again->pixel(3, 3), kBackground);
  again->click(243, 251);
  EXPECT_EQ(again->writes, (std::vector<Write>{{kGenteelPort, 1.0f}}));
  host.close(again);
}
