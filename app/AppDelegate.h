#pragma once
// The container application's delegate: builds the one window at launch (artwork, version
// line, separator, caption over the product colour) with a Quit menu, and asks the
// application to quit once that window is closed. Main thread.
#include <memory>

#include "platform/ui/Application.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace drollicant {

class AppDelegate : public platform::NSApplicationDelegate {
public:
  // Set once by buildWindow(); empty until then.
  std::shared_ptr<platform::NSWindow> window;

  void applicationDidFinishLaunching(platform::NSApplication& application) override;
  bool applicationShouldTerminateAfterLastWindowClosed(platform::NSApplication& application) override;

  // Installs the main menu, then builds, fills and shows the window.
  void buildWindow();
  // A white rule at 30 % opacity, 1 point high and `width` wide.
  static std::shared_ptr<platform::NSView> makeSeparator(platform::CGFloat width);

private:
  static void installMainMenu();
  static std::shared_ptr<platform::NSView> makeContentView();
  static std::shared_ptr<platform::NSView> makeArtworkView();
  static std::shared_ptr<platform::NSView> makeVersionLabel();
  static std::shared_ptr<platform::NSView> makeCaptionLabel();
};

}  // namespace drollicant
