// The application's window built in this process, drawn offscreen to app-window.png for a
// look. This test program's folder holds an Info.plist (version 1.0, build 7), so it is the
// main bundle the version line is read from; the artwork code is pointed at the built
// application folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppDelegate.h"
#include "artwork/BundleToken.h"
#include "platform/foundation/NSBundle.h"
#include "platform/ui/OffscreenBackend.h"
#include "platform/ui/StackView.h"
#include "platform/ui/TextField.h"

using namespace platform;
using drollicant::AppDelegate;

namespace {

struct LaunchedApp {
  LaunchedApp() {
    NSApplication::sharedApplication()->resetForTesting();
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), NSBundle::bundleWithURL(DROLLICANT_APP_DIR));
    NSApplication::sharedApplication()->setDelegate(delegate);
    NSApplication::sharedApplication()->finishLaunching();
  }
  ~LaunchedApp() {
    NSApplication::sharedApplication()->resetForTesting();
    NSBundle::setBundleForClassOverride(drollicant::BundleToken::token(), nullptr);
  }
  std::shared_ptr<AppDelegate> delegate = std::make_shared<AppDelegate>();
};

}  // namespace

// Title, position, the quit key and every pixel are AppProcessTest's, on a real display.
TEST(AppWindow, LaunchBuildsAFixedWindowShowingTheMainBundlesVersion) {
  LaunchedApp launched;
  auto window = launched.delegate->window;
  ASSERT_TRUE(window);
  EXPECT_FALSE(window->isResizable());
  auto content = window->contentView();
  auto stack = std::dynamic_pointer_cast<NSStackView>(content->subviews().at(0));
  ASSERT_TRUE(stack);
  EXPECT_NEAR(CGRectGetMidX(stack->frame()), 200, 0.5);
  EXPECT_NEAR(CGRectGetMidY(stack->frame()), 150, 0.5);
  const auto& arranged = stack->arrangedSubviews();
  ASSERT_EQ(arranged.size(), 4u);
  const auto version = std::dynamic_pointer_cast<NSTextField>(arranged[1]);
  ASSERT_TRUE(version);
  EXPECT_EQ(version->stringValue(), "v1.0 (7)");
  EXPECT_EQ(arranged[0]->subviews().size(), 2u);  // the underlay below the knob overlay
  EXPECT_TRUE(renderViewToPNG(*content, std::filesystem::path(DROLLICANT_TEST_OUTPUT_DIR) / "app-window.png", 2.0));
}
