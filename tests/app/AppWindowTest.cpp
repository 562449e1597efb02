// The application's window built in this process: structure and layout, drawn offscreen to
// app-window.png for a look (AppProcessTest checks the pixels on a real display). This test
// program's folder holds an Info.plist (version 1.0, build 7), so it is the main bundle the
// version line is read from; the artwork code is pointed at the built application folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// The view's bounds in window coordinates (origin bottom left).
CGRect windowRect(const NSView& view) {
  const CGPoint a = view.convertPointToView({0, 0}, nullptr);
  const CGPoint b = view.convertPointToView({view.bounds().size.width, view.bounds().size.height}, nullptr);
  return CGRectMake(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
}

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

TEST(AppWindow, LaunchBuildsTheFixedWindowWithQuitMenuAndCentredStack) {
  LaunchedApp launched;
  auto app = NSApplication::sharedApplication();
  auto window = launched.delegate->window;
  ASSERT_TRUE(window);
  EXPECT_EQ(window->title(), "Drollicant");
  EXPECT_FALSE(window->isResizable());
  EXPECT_EQ(window->contentRect(), CGRectMake(760, 390, 400, 300));  // centred on the default screen
  auto appMenu = app->mainMenu()->itemArray().at(0)->submenu();
  ASSERT_TRUE(appMenu);
  EXPECT_EQ(appMenu->itemArray().at(0)->title(), "Quit Drollicant");

  auto content = window->contentView();
  ASSERT_EQ(content->subviews().size(), 1u);
  auto stack = std::dynamic_pointer_cast<NSStackView>(content->subviews()[0]);
  ASSERT_TRUE(stack);
  EXPECT_NEAR(CGRectGetMidX(stack->frame()), 200, 0.5);
  EXPECT_NEAR(CGRectGetMidY(stack->frame()), 150, 0.5);
  const auto& arranged = stack->arrangedSubviews();
  ASSERT_EQ(arranged.size(), 4u);
  const auto version = std::dynamic_pointer_cast<NSTextField>(arranged[1]);
  const auto caption = std::dynamic_pointer_cast<NSTextField>(arranged[3]);
  ASSERT_TRUE(version && caption);
  EXPECT_EQ(arranged[0]->frame().size, CGSizeMake(100, 100));
  EXPECT_EQ(arranged[2]->frame().size, CGSizeMake(180, 1));
  EXPECT_EQ(version->stringValue(), "v1.0 (7)");
  EXPECT_EQ(caption->stringValue(), "Audio Unit Effect (AUv3)");
  // Top to bottom, 10 points apart, each centred on the window's middle.
  for (size_t i = 0; i < arranged.size(); ++i) {
    const CGRect r = windowRect(*arranged[i]);
    EXPECT_NEAR(CGRectGetMidX(r), 200, 0.5) << i;
    if (i > 0) {
      EXPECT_DOUBLE_EQ(CGRectGetMinY(windowRect(*arranged[i - 1])) - CGRectGetMaxY(r), 10) << i;
    }
  }
  EXPECT_EQ(arranged[0]->subviews().size(), 2u);  // the underlay below the knob overlay
  EXPECT_TRUE(renderViewToPNG(*content, std::filesystem::path(DROLLICANT_TEST_OUTPUT_DIR) / "app-window.png", 2.0));
}
