// Windows, the main menu's key equivalents and termination, without a display.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/foundation/MainQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"

using namespace platform;

namespace {

class Delegate : public NSApplicationDelegate {
public:
    explicit Delegate(bool quitWithLastWindow) : quit(quitWithLastWindow) {}
    void applicationDidFinishLaunching(NSApplication&) override { ++launches; }
    bool applicationShouldTerminateAfterLastWindowClosed(NSApplication&) override { return quit; }
    bool quit;
    int launches = 0;
};

struct AppReset {
    AppReset() { NSApplication::sharedApplication()->resetForTesting(); }
    ~AppReset() { NSApplication::sharedApplication()->resetForTesting(); }
};

std::shared_ptr<NSMenu> quitMenu() {
    auto mainMenu = NSMenu::make();
    auto appItem = NSMenuItem::make();
    mainMenu->addItem(appItem);
    auto appMenu = NSMenu::make();
    appMenu->addItem(NSMenuItem::initWithTitle("Quit Drollicant", kTerminateSelector, "q"));
    appItem->setSubmenu(appMenu);
    return mainMenu;
}

}  // namespace

TEST(Application, CommandQTerminatesThroughTheMenu) {
    AppReset reset;
    auto app = NSApplication::sharedApplication();
    auto delegate = std::make_shared<Delegate>(false);
    app->setDelegate(delegate);
    app->setMainMenu(quitMenu());
    app->finishLaunching();
    app->finishLaunching();
    EXPECT_EQ(delegate->launches, 1);

    auto window = NSWindow::initWithContentRect({0, 0, 400, 300}, 7, NSBackingStoreBuffered, false);
    window->setTitle("Drollicant");
    window->center();
    EXPECT_EQ(window->contentRect(), (CGRect{760, 390, 400, 300}));
    EXPECT_FALSE(window->isResizable());
    window->makeKeyAndOrderFront(nullptr);
    EXPECT_EQ(app->windows().size(), 1u);

    app->sendEvent(*window, NSEvent::key("q"));  // without the command key: just a key
    EXPECT_FALSE(app->isTerminated());
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
        auto first = NSWindow::initWithContentRect({0, 0, 100, 100}, 15, NSBackingStoreBuffered, false);
        auto second = NSWindow::initWithContentRect({0, 0, 100, 100}, 7, NSBackingStoreBuffered, false);
        first->makeKeyAndOrderFront(nullptr);
        second->makeKeyAndOrderFront(nullptr);
        EXPECT_TRUE(first->isResizable());
        first->close();
        EXPECT_FALSE(app->isTerminated());  // one still open
        second->close();
        EXPECT_EQ(app->isTerminated(), quit);
    }
    // The delegate is held weakly.
    app->resetForTesting();
    app->setDelegate(std::make_shared<Delegate>(true));
    EXPECT_EQ(app->delegate(), nullptr);
}

TEST(Window, ContentViewFollowsTheContentSize) {
    auto window = NSWindow::initWithContentRect({0, 0, 400, 300}, 15, NSBackingStoreBuffered, false);
    auto content = NSView::initWithFrame({0, 0, 10, 10});
    auto child = NSView::initWithFrame({0, 0, 400, 300});
    child->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
    window->setContentView(content);
    EXPECT_EQ(content->frame(), (CGRect{0, 0, 400, 300}));
    content->addSubview(child);
    window->setContentSize({500, 350});
    EXPECT_EQ(child->frame(), (CGRect{0, 0, 500, 350}));
    EXPECT_EQ(content->window(), window);
    EXPECT_EQ(child->window(), window);
}

TEST(Application, RunLoopPassDrainsTheMainQueueInOrder) {
    AppReset reset;
    std::vector<int> ran;
    std::thread other([&ran] {
        platform::MainQueue::main().async([&ran] { ran.push_back(1); });
        platform::MainQueue::main().async([&ran] { ran.push_back(2); });
    });
    other.join();
    EXPECT_TRUE(ran.empty());
    NSApplication::sharedApplication()->runOnce(0);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}
