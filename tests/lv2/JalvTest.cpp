// The editor in a real LV2 host: jalv.gtk3 embeds drollicant_ui.so on a private Xvfb, with a
// JACK server on its dummy backend; the pointer is driven with xdotool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "lv2/LV2Bundle.h"
#include "platform/ui/XvfbServer.h"
#include "support/ChildProcess.h"
#include "support/X11Client.h"  // last

using namespace testing_support;
using namespace testing_ui;
using testing_x11::kEditorBackground;

namespace {

bool installed(const char* program) {
  return system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// The screen's pixels in a rectangle, as 0xRRGGBB.
std::vector<unsigned long> grab(Display* d, int x, int y, int w = 1, int h = 1) {
  std::vector<unsigned long> pixels;
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, w, h, AllPlanes, ZPixmap);
  if (!image) return pixels;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) pixels.push_back(XGetPixel(image, i, j) & 0xFFFFFF);
  XDestroyImage(image);
  return pixels;
}

template <class Condition>
bool waitFor(Condition condition, int milliseconds = 10000) {
  for (int waited = 0; waited < milliseconds; waited += 50) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

}  // namespace

TEST(Jalv, EmbedsTheEditorAndFollowsThePointer) {
  for (const char* program : {"Xvfb", "jackd", "jalv.gtk3", "xdotool"})
    if (!installed(program)) GTEST_SKIP() << program << " is not installed";
  XvfbServer server;
  ASSERT_TRUE(server.running());
  LV2SearchPath path;
  const std::string jackName = "drollicant-test-" + std::to_string(getpid());
  std::vector<std::string> environment{"DISPLAY=" + server.display(), "JACK_DEFAULT_SERVER=" + jackName,
                                       "JACK_NO_AUDIO_RESERVATION=1"};
  for (const auto& entry : path.environment()) environment.push_back(entry);
  ChildProcess jack({"jackd", "-n", jackName, "-d", "dummy", "-r", "48000", "-p", "512"}, environment, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // (This jalv's "-n" swallows the next word; the long form does not.)
  ChildProcess jalv({"jalv.gtk3", "--no-menu", kPluginURI}, environment, true);

  Display* d = XOpenDisplay(server.display().c_str());
  ASSERT_NE(d, nullptr);
  testing_x11::failOnErrors();
  const std::vector<unsigned long> background{kEditorBackground};
  auto xdotool = [&](const std::string& commands) {
    return system(("DISPLAY=" + server.display() + " xdotool " + commands + " >/dev/null").c_str());
  };
  // The editor fills the host's window at the top left: its background shows at both corners.
  ASSERT_TRUE(waitFor([&] { return grab(d, 2, 2) == background && grab(d, 417, 277) == background; }))
      << "no editor on the screen";

  // A drag up and to the right on the naivete knob (160, 15, 100, 100) turns it.
  auto knob = [&] { return grab(d, 160, 15, 100, 100); };
  const auto before = knob();
  ASSERT_EQ(xdotool("mousemove 210 65 mousedown 1 mousemove 213 62 sleep 0.1 mousemove 200 75 sleep 0.1 mouseup 1"), 0);
  EXPECT_TRUE(waitFor([&] { return knob() != before; }, 3000)) << "the knob did not turn";

  // The host's window made larger: the editor follows and fills it.
  ASSERT_EQ(xdotool("search --name Drollicant windowsize 600 420"), 0);
  EXPECT_TRUE(waitFor([&] { return grab(d, 595, 415) == background; }, 3000));

  EXPECT_TRUE(jalv.running()) << "the host ended early";
  XCloseDisplay(d);
  jalv.stop();
  jack.stop();
}
