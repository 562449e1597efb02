// Windows, the main menu's key equivalents and termination, without a display.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/foundation/MainQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"

using namespace platform;
using namespace testing_ui;

namespace {

class Delegate : public NSApplicationDelegate {
public:
  explicit Delegate(bool quitWithLastWindow) : quit(quitWithLastWindow) {}
  void applicationDidFinishLaunching(NSApplication&) override { ++launches; }
  bool applicationShouldTerminateAfterLastWindowClosed(NSApplication&) override { return quit; }
  bool quit;
  int launches = 0;
};

std::shared_ptr<NSWindow> openWindow(unsigned styleMask) {
  auto window = NSWindow::initWithContentRect({0, 0, 400, 300}, styleMask, NSBackingStoreBuffered, false);
  window->makeKeyAndOrderFront(nullptr);
  return window;
}

}  // namespace

TEST(Application, LaunchesOnceDrainsTheMainQueueAndQuitsOnCommandQ) {
  AppReset reset;
  auto app = NSApplication::sharedApplication();
  auto delegate = std::make_shared<Delegate>(false);
  app->setDelegate(delegate);
  // Quit sits in the application menu, a submenu of the main menu.
  auto mainMenu = NSMenu::make(), appMenu = NSMenu::make();
  auto appItem = NSMenuItem::make();
  mainMenu->addItem(appItem);
  appMenu->addItem(NSMenuItem::initWithTitle("Quit Drollicant", kTerminateSelector, "q"));
  appItem->setSubmenu(appMenu);
  app->setMainMenu(mainMenu);
  app->finishLaunching();
  app->finishLaunching();
  EXPECT_EQ(delegate->launches, 1);
  // A run-loop pass drains the main queue (order and other threads are the queue's own tests).
  int ran = 0;
  MainQueue::main().async([&ran] { ++ran; });
  app->runOnce(0);
  EXPECT_EQ(ran, 1);

  auto window = openWindow(7);
  window->center();
  EXPECT_EQ(window->contentRect(), (CGRect{760, 390, 400, 300}));
  EXPECT_EQ(app->windows().size(), 1u);
  app->sendEvent(*window, NSEvent::key("q"));                              // without the command key
  app->sendEvent(*window, NSEvent::key("w", NSEventModifierFlagCommand));  // no such item
  EXPECT_FALSE(app->isTerminated());
  app->sendEvent(*window, NSEvent::key("q", NSEventModifierFlagCommand));
  EXPECT_TRUE(app->isTerminated());
  EXPECT_TRUE(app->windows().empty());
  EXPECT_FALSE(window->isVisible());
}

TEST(Application, ClosingTheLastWindowTerminatesOnlyWhenTheDelegateSaysSo) {
  AppReset reset;
  auto app = NSApplication::sharedApplication();
  for (bool quit : {false, true}) {
    app->resetForTesting();
    auto delegate = std::make_shared<Delegate>(quit);
    app->setDelegate(delegate);
    auto first = openWindow(15), second = openWindow(7);
    first->close();
    EXPECT_FALSE(app->isTerminated());  // one still open
    second->close();
    EXPECT_EQ(app->isTerminated(), quit);
  }
  app->setDelegate(std::make_shared<Delegate>(true));  // held weakly: gone at once
  EXPECT_EQ(app->delegate(), nullptr);
}

TEST(Window, ContentViewTakesAndFollowsTheContentSize) {
  auto window = NSWindow::initWithContentRect({0, 0, 400, 300}, 15, NSBackingStoreBuffered, false);
  auto content = NSView::initWithFrame({0, 0, 10, 10});
  auto child = NSView::initWithFrame({0, 0, 400, 300});
  child->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
  window->setContentView(content);
  EXPECT_EQ(content->frame(), (CGRect{0, 0, 400, 300}));
  content->addSubview(child);
  window->setContentSize({500, 350});
  EXPECT_EQ(child->frame(), (CGRect{0, 0, 500, 350}));
  EXPECT_EQ(child->window(), window);
}
