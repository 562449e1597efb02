#pragma once
// The application: its delegate, main menu, shown windows and the run loop. The run loop waits
// for the windowing backend's events, hands them on, drains the main queue and redraws what
// changed, all on the thread that called run(), until terminate().
#include <memory>
#include <vector>

#include "platform/ui/Event.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Window.h"

namespace platform {

// A display connection that puts windows on screen (the X11 backend).
class WindowingBackend {
public:
  virtual ~WindowingBackend() = default;
  virtual std::unique_ptr<WindowPeer> makePeer(NSWindow& window) = 0;
  virtual CGSize screenSize() const = 0;
  virtual double scaleFactor() const = 0;
  // UI thread: handles the waiting events, waiting at most timeoutSeconds for the first, then
  // redraws the windows whose content changed.
  virtual void runOnce(double timeoutSeconds) = 0;
  // Any thread: makes a runOnce() that is waiting return soon.
  virtual void wake() = 0;
};

class NSApplication;

class NSApplicationDelegate {
public:
  virtual ~NSApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching(NSApplication&) {}
  virtual bool applicationShouldTerminateAfterLastWindowClosed(NSApplication&) { return false; }
};

class NSApplication : public std::enable_shared_from_this<NSApplication> {
public:
  static std::shared_ptr<NSApplication> sharedApplication();

  // Held weakly, like every delegate: the program keeps its own reference.
  void setDelegate(const std::shared_ptr<NSApplicationDelegate>& delegate) { _delegate = delegate; }
  std::shared_ptr<NSApplicationDelegate> delegate() const { return _delegate.lock(); }
  void setMainMenu(std::shared_ptr<NSMenu> menu) { _mainMenu = std::move(menu); }
  std::shared_ptr<NSMenu> mainMenu() const { return _mainMenu; }
  void setBackend(std::shared_ptr<WindowingBackend> backend) { _backend = std::move(backend); }
  std::shared_ptr<WindowingBackend> backend() const { return _backend; }

  // Tells the delegate that launching finished, once.
  void finishLaunching();
  // Launches if needed, then loops until terminate(). Needs a backend.
  void run();
  // One pass of the loop: backend events (waiting at most timeoutSeconds), the main queue.
  void runOnce(double timeoutSeconds);
  // Stops the run loop and closes the windows; run() then returns.
  void terminate(const void* sender);
  bool isRunning() const { return _running; }
  bool isTerminated() const { return _terminated; }

  // Key events with the command key (Ctrl) first look for a menu item with that key
  // equivalent; everything else goes to the window.
  void sendEvent(NSWindow& window, const NSEvent& event);
  // Sends an action with no target to the application; true when something handled it.
  bool sendAction(const SEL& action, const void* sender);

  const std::vector<std::shared_ptr<NSWindow>>& windows() const { return _windows; }
  // Called by windows as they are shown and closed.
  void windowDidShow(const std::shared_ptr<NSWindow>& window);
  void windowDidClose(const std::shared_ptr<NSWindow>& window);

  // Forgets windows, menu, delegate, backend and the terminated state (for tests).
  void resetForTesting();

private:
  std::weak_ptr<NSApplicationDelegate> _delegate;
  std::shared_ptr<NSMenu> _mainMenu;
  std::shared_ptr<WindowingBackend> _backend;
  std::vector<std::shared_ptr<NSWindow>> _windows;
  bool _launched = false;
  bool _running = false;
  bool _terminated = false;
};

// Opens the display (DISPLAY), launches the shared application and runs it until it
// terminates. Returns 0 then, or 1 when there is no display to open.
int NSApplicationMain(int argc, char** argv);

}  // namespace platform
