// The built application run as its own process on a private Xvfb: its window as the X server
// sees it (400 × 300, centred, pixels), quitting by closing the window and by Ctrl+Q,
// and the artwork taken from the carried extension when the application's own resources lack it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "Subprocess.h"
#include "TemporaryDirectory.h"
#include "XvfbServer.h"

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace fs = std::filesystem;
using testing_support::ChildProcess;
using testing_support::TemporaryDirectory;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(20);  // sanitizer builds are slow
constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr int kWidth = 400, kHeight = 300;
constexpr unsigned long kBackground = 0xbd4c00, kSeparator = 0xd0824d;
const std::string kApp = std::string(DROLLICANT_APP_DIR) + "/Drollicant";

bool near(unsigned long a, unsigned long b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > tolerance) return false;
  return true;
}

struct Shot {
  int width = 0, height = 0;
  std::vector<unsigned long> rgb;
  unsigned long at(int x, int y) const { return rgb[size_t(y * width + x)]; }
  int countWhere(int top, int bottom, bool (*test)(unsigned long)) const {
    int n = 0;
    for (int y = std::max(0, top); y < std::min(bottom, height); ++y)
      for (int x = 0; x < width; ++x) n += test(at(x, y));
    return n;
  }
};

// A client connection of the test's own, opened before any application and kept to the end:
// an X server resets when its last client leaves.
class Observer {
public:
  explicit Observer(const std::string& display) : d(XOpenDisplay(display.c_str())) {
    // Windows of an application that has just ended may still be listed; BadWindow is no failure.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  }
  ~Observer() {
    if (d) XCloseDisplay(d);
  }

  // The mapped top-level window called Drollicant, once its content is drawn; 0 if none appears.
  Window waitForWindow(ChildProcess& app) {
    for (auto deadline = Clock::now() + kPatience; Clock::now() < deadline && app.running();) {
      Window root, parent, *children = nullptr, found = 0;
      unsigned count = 0;
      XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
      for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        XWindowAttributes a;
        if (XFetchName(d, children[i], &title) && title) {
          if (std::string(title) == "Drollicant" && XGetWindowAttributes(d, children[i], &a) &&
              a.map_state == IsViewable)
            found = children[i];
          XFree(title);
        }
      }
      if (children) XFree(children);
      if (found && near(capture(found).at(1, 1), kBackground, 2)) {
        std::this_thread::sleep_for(kPoll * 5);  // so a half-finished redraw is not taken for the picture
        return found;
      }
      std::this_thread::sleep_for(kPoll);
    }
    return 0;
  }

  Shot capture(Window window) {
    Shot shot;
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a)) return shot;
    XImage* image = XGetImage(d, window, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
    if (!image) return shot;
    shot = {a.width, a.height, {}};
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) shot.rgb.push_back(XGetPixel(image, x, y) & 0xffffff);
    XDestroyImage(image);
    return shot;
  }

  void send(Window window, long mask, XEvent e) {
    e.xany.window = window;
    XSendEvent(d, window, True, mask, &e);
    XFlush(d);
  }
  void sendDeleteWindow(Window window) {
    XEvent e{};
    e.xclient = {ClientMessage, 0, 0, d, window, XInternAtom(d, "WM_PROTOCOLS", False), 32, {}};
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    send(window, NoEventMask, e);
  }
  void sendControlQ(Window window) {
    XEvent e{};
    e.xkey.type = KeyPress;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.keycode = XKeysymToKeycode(d, XK_q);
    e.xkey.state = ControlMask;
    e.xkey.same_screen = True;
    send(window, KeyPressMask, e);
    e.xkey.type = KeyRelease;
    send(window, KeyReleaseMask, e);
  }

  Display* d;
};

bool isDrawn(unsigned long p) { return !near(p, kBackground, 8); }
bool isWhite(unsigned long p) { return near(p, 0xffffff, 12); }

}  // namespace

TEST(AppProcess, ShowsTheFixedWindowTakesCarriedArtworkAndQuitsByCloseAndControlQ) {
  if (!testing_ui::xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  testing_ui::XvfbServer server;
  ASSERT_TRUE(server.running());
  Observer observer(server.display());
  ASSERT_TRUE(observer.d);

  // Runs a copy of the application until its window is drawn, takes the picture and quits.
  XWindowAttributes attributes{};
  auto picture = [&](const std::string& executable, bool byKey) {
    ChildProcess app({executable}, {"DISPLAY=" + server.display()});
    const Window window = observer.waitForWindow(app);
    EXPECT_NE(window, 0u) << executable;
    if (!window) return Shot{};
    EXPECT_TRUE(XGetWindowAttributes(observer.d, window, &attributes));
    Shot shot = observer.capture(window);
    byKey ? observer.sendControlQ(window) : observer.sendDeleteWindow(window);
    EXPECT_EQ(app.waitForExit(), 0) << (byKey ? "Ctrl+Q" : "WM_DELETE_WINDOW");
    return shot;
  };

  const Shot full = picture(kApp, false);
  ASSERT_EQ(full.width, kWidth);
  ASSERT_EQ(full.height, kHeight);
  EXPECT_EQ(attributes.x, (640 - kWidth) / 2);  // centred on the 640 × 480 screen

  for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, kHeight - 1}}) EXPECT_TRUE(near(full.at(x, y), kBackground, 2));
  // The 180-point rule: separator colour across the middle, background just beside it.
  int rule = -1;
  for (int y = 0; y < kHeight && rule < 0; ++y)
    if (near(full.at(112, y), kSeparator, 3) && near(full.at(287, y), kSeparator, 3) &&
        near(full.at(108, y), kBackground, 2) && near(full.at(291, y), kBackground, 2))
      rule = y;
  ASSERT_GT(rule, 0) << "no 180 × 1 separator";
  EXPECT_GT(full.countWhere(0, rule, isWhite), 10) << "no version line";
  EXPECT_GT(full.countWhere(rule + 2, kHeight, isWhite), 10) << "no caption";
  EXPECT_GT(full.countWhere(0, rule, isDrawn), 100 * 100 / 2) << "no artwork";

  TemporaryDirectory temp;
  const fs::path carried = temp / "Carried", bare = temp / "Bare";
  fs::copy(DROLLICANT_APP_DIR, carried, fs::copy_options::recursive);
  fs::remove_all(carried / "Resources");
  fs::copy(carried, bare, fs::copy_options::recursive);
  fs::remove_all(bare / "PlugIns");
  EXPECT_EQ(picture((carried / "Drollicant").string(), true).rgb, full.rgb);
  // Without any artwork only the labels and the rule are drawn.
  EXPECT_LT(picture((bare / "Drollicant").string(), false).countWhere(0, kHeight, isDrawn),
            full.countWhere(0, kHeight, isDrawn) / 3);
}

TEST(AppProcess, InstallsADesktopEntryPointingAtTheInstalledCopy) {
  TemporaryDirectory prefix;
  const auto installed = testing_support::runProcess({DROLLICANT_CMAKE_COMMAND, "--install", DROLLICANT_BUILD_DIR,
                                                      "--prefix", prefix.get().string(), "--component", "app"});
  ASSERT_EQ(installed.status, 0) << installed.err;
  std::ifstream entry(prefix / "share/applications/drollicant.desktop");
  std::string line, exec, icon;
  std::getline(entry, line);
  EXPECT_EQ(line, "[Desktop Entry]");
  while (std::getline(entry, line)) {
    if (line.rfind("Exec=\"", 0) == 0) exec = line.substr(6, line.size() - 7);
    if (line.rfind("Icon=", 0) == 0) icon = line.substr(5);
  }
  EXPECT_EQ(exec.rfind(prefix.get().string(), 0), 0u) << exec;
  EXPECT_TRUE(fs::is_regular_file(exec)) << exec;
  EXPECT_TRUE(fs::exists(prefix / ("share/icons/hicolor/scalable/apps/" + icon + ".svg"))) << icon;
  EXPECT_TRUE(fs::exists(fs::path(exec).parent_path() / "PlugIns/drollicant.lv2/manifest.ttl"));
}

TEST(AppProcess, WithoutADisplayReportsItAndFails) {
  const auto run = testing_support::runProcess({kApp}, {"DISPLAY="});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("X display"), std::string::npos) << run.err;
}
