// The built application run as its own process on a private Xvfb: its window as the X server
// sees it (title, fixed 400 × 300 size, pixels), quitting by closing the window and by Ctrl+Q,
// and the artwork taken from the carried extension when the application's own resources lack it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <cairo.h>

#include "Subprocess.h"
#include "TemporaryDirectory.h"
#include "XvfbServer.h"
#include "platform/ui/OffscreenBackend.h"

// Last: Xlib's macros (None, Bool, Status) clash with names in the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

extern char** environ;

namespace fs = std::filesystem;
using platform::OffscreenSurface;
using platform::Pixel;
using testing_support::TemporaryDirectory;
using testing_ui::XvfbServer;

namespace {

using Clock = std::chrono::steady_clock;
// How long to wait for the application to show its window or to end (sanitizer builds are slow).
constexpr auto kPatience = std::chrono::seconds(20);
constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr int kWidth = 400, kHeight = 300;
const Pixel kBackground{189, 76, 0, 255};
const Pixel kSeparator{208, 130, 77, 255};

bool near(const Pixel& a, const Pixel& b, int tolerance) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

fs::path executableIn(const fs::path& appDir) { return appDir / "Drollicant"; }

// The application running with DISPLAY set; killed if still running at the end.
class AppProcess {
public:
    AppProcess(const fs::path& executablePath, const std::string& display) {
        const std::string executable = executablePath.string();
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.emplace_back(*e);
        env.push_back("DISPLAY=" + display);
        _pid = fork();
        if (_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test program that crashed
            std::vector<char*> envp;
            for (auto& e : env) envp.push_back(e.data());
            envp.push_back(nullptr);
            char* argv[] = {const_cast<char*>(executable.c_str()), nullptr};
            execve(executable.c_str(), argv, envp.data());
            _exit(127);
        }
    }
    ~AppProcess() {
        if (_pid > 0 && !_status) {
            kill(_pid, SIGKILL);
            waitpid(_pid, nullptr, 0);
        }
    }
    bool running() {
        poll();
        return _pid > 0 && !_status;
    }
    // The exit status (-1 when killed by a signal), or none when it did not end in time.
    std::optional<int> waitForExit() {
        for (const auto deadline = Clock::now() + kPatience; !_status && Clock::now() < deadline;) {
            if (!poll()) std::this_thread::sleep_for(kPollInterval);
        }
        return _status;
    }

private:
    bool poll() {
        int status = 0;
        if (_pid <= 0 || _status || waitpid(_pid, &status, WNOHANG) != _pid) return bool(_status);
        _status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
    pid_t _pid = -1;
    std::optional<int> _status;
};

// Windows of an application that has just ended may still be listed while the server cleans
// up after it; asking about them fails with BadWindow, which must not end the test program
// (Xlib's default handler exits).
int ignoreXError(Display*, XErrorEvent*) { return 0; }

// A client connection of the test's own, to look at and talk to the application's window.
class Observer {
public:
    explicit Observer(const std::string& display) : _display(XOpenDisplay(display.c_str())) {
        XSetErrorHandler(ignoreXError);
    }
    ~Observer() {
        if (_display) XCloseDisplay(_display);
    }
    Display* display() const { return _display; }

    // The mapped top-level window named `name`, waiting for it to appear; 0 if it does not.
    Window waitForWindow(const std::string& name, AppProcess& app) {
        for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline && app.running();) {
            if (Window w = findMapped(name)) return w;
            std::this_thread::sleep_for(kPollInterval);
        }
        return 0;
    }

    // The window's pixels once its content has been drawn (the top left corner shows the background).
    std::unique_ptr<OffscreenSurface> waitForContent(Window window) {
        std::unique_ptr<OffscreenSurface> shot;
        for (const auto deadline = Clock::now() + kPatience; Clock::now() < deadline;) {
            shot = capture(window);
            if (shot && near(shot->pixel(1, 1), kBackground, 2)) {
                // A second look, so a half-finished redraw is not taken for the picture.
                std::this_thread::sleep_for(kPollInterval * 5);
                return capture(window);
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        return shot;
    }

    std::unique_ptr<OffscreenSurface> capture(Window window) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(_display, window, &attributes)) return nullptr;
        XImage* image = XGetImage(_display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height),
                                  AllPlanes, ZPixmap);
        if (!image) return nullptr;
        auto surface = std::make_unique<OffscreenSurface>(attributes.width, attributes.height);
        cairo_surface_t* target = surface->cairoSurface();
        cairo_surface_flush(target);
        unsigned char* data = cairo_image_surface_get_data(target);
        const int stride = cairo_image_surface_get_stride(target);
        for (int y = 0; y < attributes.height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
            for (int x = 0; x < attributes.width; ++x) {
                // Xvfb's 24-bit TrueColor visual: 8 bits each of red, green, blue.
                row[x] = 0xff000000u | std::uint32_t(XGetPixel(image, x, y) & 0xffffffu);
            }
        }
        cairo_surface_mark_dirty(target);
        XDestroyImage(image);
        return surface;
    }

    void sendDeleteWindow(Window window) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = XInternAtom(_display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(XInternAtom(_display, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(_display, window, False, NoEventMask, &e);
        XFlush(_display);
    }

    void sendKey(Window window, KeySym key, unsigned state) {
        XEvent e{};
        e.xkey.type = KeyPress;
        e.xkey.display = _display;
        e.xkey.window = window;
        e.xkey.root = DefaultRootWindow(_display);
        e.xkey.keycode = XKeysymToKeycode(_display, key);
        e.xkey.state = state;
        e.xkey.same_screen = True;
        e.xkey.time = CurrentTime;
        XSendEvent(_display, window, True, KeyPressMask, &e);
        e.xkey.type = KeyRelease;
        XSendEvent(_display, window, True, KeyReleaseMask, &e);
        XFlush(_display);
    }

private:
    Window findMapped(const std::string& name) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        if (!XQueryTree(_display, DefaultRootWindow(_display), &root, &parent, &children, &count)) return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* title = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(_display, children[i], &title) && title) {
                if (name == title && XGetWindowAttributes(_display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                    found = children[i];
                XFree(title);
            }
        }
        if (children) XFree(children);
        return found;
    }

    Display* _display;
};

void saveScreenshot(const OffscreenSurface& shot, const std::string& name) {
    shot.writePNG(fs::path(DROLLICANT_TEST_OUTPUT_DIR) / name);
}

struct Box {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;  // inclusive
    int count = 0;
};

// Where the window shows anything but the background.
Box drawnBox(const OffscreenSurface& shot) {
    Box box;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (!near(shot.pixel(x, y), kBackground, 8)) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
                ++box.count;
            }
    return box;
}

// The row of the 180-point rule: separator colour across its middle, background just beside it.
int separatorRow(const OffscreenSurface& shot) {
    for (int y = 0; y < shot.height(); ++y) {
        if (near(shot.pixel(112, y), kSeparator, 3) && near(shot.pixel(200, y), kSeparator, 3) &&
            near(shot.pixel(287, y), kSeparator, 3) && near(shot.pixel(108, y), kBackground, 2) &&
            near(shot.pixel(291, y), kBackground, 2))
            return y;
    }
    return -1;
}

int whitePixels(const OffscreenSurface& shot, int fromRow, int toRow) {
    int white = 0;
    for (int y = std::max(0, fromRow); y < std::min(toRow, shot.height()); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (near(shot.pixel(x, y), Pixel{255, 255, 255, 255}, 12)) ++white;
    return white;
}

bool samePixels(const OffscreenSurface& a, const OffscreenSurface& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(a.pixel(x, y) == b.pixel(x, y))) return false;
    return true;
}

// Runs the application until its window is drawn, returns the picture, then closes the
// window and expects a clean exit.
std::unique_ptr<OffscreenSurface> windowPicture(const XvfbServer& server, Observer& observer,
                                                const fs::path& executable) {
    AppProcess app(executable, server.display());
    const Window window = observer.waitForWindow("Drollicant", app);
    EXPECT_NE(window, 0u);
    if (!window) return nullptr;
    auto shot = observer.waitForContent(window);
    observer.sendDeleteWindow(window);
    EXPECT_EQ(app.waitForExit(), 0);
    return shot;
}

class AppProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing_ui::xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(server.running());
        // Opened before any application and kept to the end: an X server resets when its last
        // client leaves, and refuses connections meanwhile.
        observer = std::make_unique<Observer>(server.display());
        ASSERT_TRUE(observer->display());
    }
    XvfbServer server;
    std::unique_ptr<Observer> observer;
};

}  // namespace

TEST_F(AppProcessTest, ShowsTheFixedWindowAndEndsWhenItIsClosed) {
    AppProcess app(executableIn(DROLLICANT_APP_DIR), server.display());
    const Window window = observer->waitForWindow("Drollicant", app);
    ASSERT_NE(window, 0u) << "no window named Drollicant appeared";

    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(observer->display(), window, &attributes));
    EXPECT_EQ(attributes.width, kWidth);
    EXPECT_EQ(attributes.height, kHeight);
    // Centred on the 640 × 480 screen.
    EXPECT_EQ(attributes.x, (640 - kWidth) / 2);
    EXPECT_EQ(attributes.y, (480 - kHeight) / 2);

    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(observer->display(), window, &hints, &supplied));
    EXPECT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
    EXPECT_EQ(hints.min_width, kWidth);
    EXPECT_EQ(hints.max_width, kWidth);
    EXPECT_EQ(hints.min_height, kHeight);
    EXPECT_EQ(hints.max_height, kHeight);

    auto shot = observer->waitForContent(window);
    ASSERT_TRUE(shot);
    saveScreenshot(*shot, "app-screenshot.png");
    for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}})
        EXPECT_TRUE(near(shot->pixel(x, y), kBackground, 2)) << x << "," << y;

    // Everything drawn is one group centred in the window, no wider than 85 % of it.
    const Box box = drawnBox(*shot);
    EXPECT_NEAR((box.left + box.right) / 2.0, (kWidth - 1) / 2.0, 1.5);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, (kHeight - 1) / 2.0, 3.0);
    EXPECT_LE(box.right - box.left + 1, int(kWidth * 0.85));

    // The 100 × 100 artwork at the top of the group, the rule below the version line, then the caption.
    const int rule = separatorRow(*shot);
    ASSERT_GT(rule, 0) << "no 180 × 1 separator";
    EXPECT_FALSE(near(shot->pixel(200, rule - 1), kSeparator, 3));
    EXPECT_FALSE(near(shot->pixel(200, rule + 1), kSeparator, 3));
    EXPECT_GT(box.top, 0);
    EXPECT_GT(drawnBox(*shot).count, 100 * 100 / 4);
    EXPECT_GT(whitePixels(*shot, box.top + 100, rule), 10) << "no version line";
    EXPECT_GT(whitePixels(*shot, rule + 2, box.bottom + 1), 10) << "no caption";
    int artworkPixels = 0;
    for (int y = box.top; y < box.top + 100; ++y)
        for (int x = 150; x < 250; ++x)
            if (!near(shot->pixel(x, y), kBackground, 8)) ++artworkPixels;
    EXPECT_GT(artworkPixels, 100 * 100 / 2) << "no artwork";

    observer->sendDeleteWindow(window);
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST_F(AppProcessTest, ControlQQuits) {
    AppProcess app(executableIn(DROLLICANT_APP_DIR), server.display());
    const Window window = observer->waitForWindow("Drollicant", app);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(observer->waitForContent(window));
    observer->sendKey(window, XK_q, ControlMask);
    EXPECT_EQ(app.waitForExit(), 0);
}

TEST_F(AppProcessTest, ArtworkComesFromTheCarriedExtensionWhenTheAppLacksIt) {
    TemporaryDirectory temp;
    const fs::path withoutArtwork = temp / "WithoutArtwork";
    const fs::path bare = temp / "Bare";
    fs::copy(DROLLICANT_APP_DIR, withoutArtwork, fs::copy_options::recursive);
    fs::remove_all(withoutArtwork / "Resources");
    fs::copy(withoutArtwork, bare, fs::copy_options::recursive);
    fs::remove_all(bare / "PlugIns");
    ASSERT_TRUE(fs::exists(withoutArtwork / "PlugIns/drollicant.lv2/Resources/DrollicantUnderlay.svg"));

    auto full = windowPicture(server, *observer, executableIn(DROLLICANT_APP_DIR));
    auto carried = windowPicture(server, *observer, executableIn(withoutArtwork));
    auto none = windowPicture(server, *observer, executableIn(bare));
    ASSERT_TRUE(full && carried && none);
    saveScreenshot(*carried, "app-screenshot-carried-artwork.png");
    saveScreenshot(*none, "app-screenshot-no-artwork.png");

    EXPECT_TRUE(samePixels(*full, *carried));
    // Without any artwork only the labels and the rule are drawn.
    EXPECT_LT(drawnBox(*none).count, drawnBox(*full).count / 3);
}

TEST_F(AppProcessTest, InstalledApplicationStartsFromItsDesktopEntry) {
    TemporaryDirectory prefix;
    const auto installed = testing_support::runProcess({DROLLICANT_CMAKE_COMMAND, "--install", DROLLICANT_BUILD_DIR,
                                                        "--prefix", prefix.get().string(), "--component", "app"});
    ASSERT_EQ(installed.status, 0) << installed.err;

    std::ifstream entry(prefix / "share/applications/drollicant.desktop");
    ASSERT_TRUE(entry) << "no desktop entry";
    std::string line, exec, icon;
    bool header = false;
    while (std::getline(entry, line)) {
        if (line == "[Desktop Entry]") header = true;
        if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
        if (line.rfind("Icon=", 0) == 0) icon = line.substr(5);
    }
    EXPECT_TRUE(header);
    ASSERT_GE(exec.size(), 2u);
    ASSERT_EQ(exec.front(), '"');
    ASSERT_EQ(exec.back(), '"');
    const fs::path executable = exec.substr(1, exec.size() - 2);
    EXPECT_EQ(executable.string().rfind(prefix.get().string(), 0), 0u) << executable;
    EXPECT_TRUE(fs::exists(prefix / ("share/icons/hicolor/scalable/apps/" + icon + ".svg"))) << icon;
    EXPECT_TRUE(fs::exists(executable.parent_path() / "PlugIns/drollicant.lv2/manifest.ttl"));

    // The installed folder shows the same window as the one in the build tree.
    auto built = windowPicture(server, *observer, executableIn(DROLLICANT_APP_DIR));
    auto fromInstall = windowPicture(server, *observer, executable);
    ASSERT_TRUE(built && fromInstall);
    EXPECT_TRUE(samePixels(*built, *fromInstall));
}

TEST(AppProcess, WithoutADisplayReportsItAndFails) {
    const auto run = testing_support::runProcess({executableIn(DROLLICANT_APP_DIR).string()}, {"DISPLAY="});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("X display"), std::string::npos) << run.err;
}
