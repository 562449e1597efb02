#include "platform/ui/Window.h"

#include "platform/ui/Application.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Redisplay.h"

namespace platform {

namespace {
constexpr CGSize kDefaultScreen{1920, 1080};
}

std::shared_ptr<NSWindow> NSWindow::initWithContentRect(CGRect contentRect, unsigned styleMask, NSBackingStoreType,
                                                        bool) {
  std::shared_ptr<NSWindow> window(new NSWindow());
  window->_contentRect = contentRect;
  window->_styleMask = styleMask;
  window->setContentView(NSView::initWithFrame({{0, 0}, contentRect.size}));
  return window;
}

NSWindow::~NSWindow() = default;

void NSWindow::setTitle(std::string title) {
  _title = std::move(title);
  if (_peer) _peer->setTitle(_title);
}

void NSWindow::setContentSize(CGSize size) {
  if (!(size.width >= 0) || !(size.height >= 0) || size == _contentRect.size) return;
  _contentRect.size = size;
  if (_contentView) _contentView->setFrame({{0, 0}, size});
  if (_peer) _peer->setContentSize(size);
  markNeedsDisplay();
}

void NSWindow::setContentView(const std::shared_ptr<NSView>& view) {
  if (_contentView) _contentView->_window.reset();
  _contentView = view;
  if (!view) return;
  view->removeFromSuperview();
  view->_window = weak_from_this();
  view->setFrame({{0, 0}, _contentRect.size});
  view->setNeedsLayout(true);
  markNeedsDisplay();
}

void NSWindow::center() {
  auto app = NSApplication::sharedApplication();
  const CGSize screen = app->backend() ? app->backend()->screenSize() : kDefaultScreen;
  _contentRect.origin = {(screen.width - _contentRect.size.width) / 2, (screen.height - _contentRect.size.height) / 2};
  if (_peer) _peer->setOrigin(_contentRect.origin);
}

void NSWindow::makeKeyAndOrderFront(const void*) {
  _visible = true;
  if (_contentView) _contentView->layoutSubtreeIfNeeded();
  NSApplication::sharedApplication()->windowDidShow(shared_from_this());
  if (_peer) _peer->show();
  markNeedsDisplay();
}

void NSWindow::orderOut(const void*) {
  _visible = false;
  if (_peer) _peer->hide();
}

void NSWindow::close() {
  if (!_visible) return;
  cancelTracking();
  orderOut(nullptr);
  NSApplication::sharedApplication()->windowDidClose(shared_from_this());
}

void NSWindow::setBackingScaleFactor(double scale) {
  if (scale > 0) _scale = scale;
  markNeedsDisplay();
}

void NSWindow::setPeer(std::unique_ptr<WindowPeer> peer) { _peer = std::move(peer); }

void NSWindow::sendEvent(const NSEvent& event) {
  switch (event.type) {
    case NSEventType::leftMouseDown:
      mouseDown(event);
      break;
    case NSEventType::leftMouseDragged:
    case NSEventType::leftMouseUp:
      trackedEvent(event);
      break;
    case NSEventType::keyDown:
      if (event.charactersIgnoringModifiers == NSEscapeCharacters) cancelTracking();
      break;
  }
}

void NSWindow::mouseDown(const NSEvent& event) {
  cancelTracking();
  if (!_contentView) return;
  auto hit = _contentView->hitTest(event.locationInWindow);
  if (!hit) return;
  _trackedView = hit;
  for (auto view = hit; view; view = view->superview()) {
    for (const auto& r : view->gestureRecognizers())
      if (r->isEnabled()) _trackedRecognizers.push_back(r);
  }
  const auto recognizers = _trackedRecognizers;
  for (const auto& r : recognizers) r->mouseDown(event);
  hit->mouseDown(event);
}

void NSWindow::trackedEvent(const NSEvent& event) {
  if (!_trackedView) return;
  const auto view = _trackedView;
  const auto recognizers = _trackedRecognizers;
  const bool up = event.type == NSEventType::leftMouseUp;
  if (up) {
    _trackedView.reset();
    _trackedRecognizers.clear();
  }
  for (const auto& r : recognizers) up ? r->mouseUp(event) : r->mouseDragged(event);
  up ? view->mouseUp(event) : view->mouseDragged(event);
}

void NSWindow::cancelTracking() {
  const auto recognizers = _trackedRecognizers;
  _trackedRecognizers.clear();
  _trackedView.reset();
  for (const auto& r : recognizers) r->cancel();
}

}  // namespace platform
