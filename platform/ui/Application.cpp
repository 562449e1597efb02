#include "platform/ui/Application.h"

#include <algorithm>
#include <cstdio>

#include "platform/foundation/MainQueue.h"
#include "platform/ui/X11Backend.h"

namespace platform {

namespace {
constexpr double kRunLoopWaitSeconds = 0.05;
}

std::shared_ptr<NSApplication> NSApplication::sharedApplication() {
  static const std::shared_ptr<NSApplication> shared = std::make_shared<NSApplication>();
  return shared;
}

void NSApplication::finishLaunching() {
  if (_launched) return;
  _launched = true;
  if (auto d = delegate()) d->applicationDidFinishLaunching(*this);
}

void NSApplication::run() {
  if (!_backend || _terminated) return;
  auto backend = _backend;
  MainQueue::main().setWakeUpHandler([backend] { backend->wake(); });
  _running = true;
  finishLaunching();
  while (_running) runOnce(kRunLoopWaitSeconds);
  MainQueue::main().setWakeUpHandler({});
}

void NSApplication::runOnce(double timeoutSeconds) {
  if (_backend) _backend->runOnce(MainQueue::main().hasPendingWork() ? 0.0 : timeoutSeconds);
  MainQueue::main().drain();
}

void NSApplication::terminate(const void*) {
  _running = false;
  _terminated = true;
  const auto windows = _windows;
  _windows.clear();
  for (const auto& w : windows) {
    w->orderOut(nullptr);
    w->setPeer(nullptr);
  }
}

void NSApplication::sendEvent(NSWindow& window, const NSEvent& event) {
  if (event.type == NSEventType::keyDown && (event.modifierFlags & NSEventModifierFlagCommand) && _mainMenu) {
    if (auto item = _mainMenu->itemWithKeyEquivalent(event.charactersIgnoringModifiers)) {
      sendAction(item->action(), item.get());
      return;
    }
  }
  window.sendEvent(event);
}

bool NSApplication::sendAction(const SEL& action, const void* sender) {
  if (action == kTerminateSelector) {
    terminate(sender);
    return true;
  }
  return false;
}

void NSApplication::windowDidShow(const std::shared_ptr<NSWindow>& window) {
  if (std::find(_windows.begin(), _windows.end(), window) == _windows.end()) _windows.push_back(window);
  if (_backend && !window->peer()) window->setPeer(_backend->makePeer(*window));
}

void NSApplication::windowDidClose(const std::shared_ptr<NSWindow>& window) {
  // Keeps the window alive until its peer is gone.
  auto keep = window;
  _windows.erase(std::remove(_windows.begin(), _windows.end(), window), _windows.end());
  window->setPeer(nullptr);
  const bool anyVisible = std::any_of(_windows.begin(), _windows.end(), [](const auto& w) { return w->isVisible(); });
  auto d = delegate();
  if (!anyVisible && d && d->applicationShouldTerminateAfterLastWindowClosed(*this)) terminate(window.get());
}

void NSApplication::resetForTesting() {
  terminate(nullptr);
  _delegate.reset();
  _mainMenu.reset();
  _backend.reset();
  _launched = _running = _terminated = false;
}

int NSApplicationMain(int, char**) {
  auto app = NSApplication::sharedApplication();
  if (!app->backend()) {
    auto backend = X11Backend::open(nullptr);
    if (!backend) {
      std::fprintf(stderr, "Cannot open the X display; set DISPLAY to a running X server.\n");
      return 1;
    }
    app->setBackend(backend);
  }
  app->run();
  return 0;
}

}  // namespace platform
