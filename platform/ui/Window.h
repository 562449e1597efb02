#pragma once
// Windows: a titled content area holding the content view. A window works without any display
// (events can be sent to it and its content rendered offscreen); when the application has a
// windowing backend, showing the window gives it a real one on screen.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Event.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/View.h"

namespace platform {

class NSGestureRecognizer;

enum NSWindowStyleMask : unsigned {
  NSWindowStyleMaskBorderless = 0,
  NSWindowStyleMaskTitled = 1,
  NSWindowStyleMaskClosable = 2,
  NSWindowStyleMaskMiniaturizable = 4,
  NSWindowStyleMaskResizable = 8,
};

enum NSBackingStoreType : int {
  NSBackingStoreRetained = 0,
  NSBackingStoreNonretained = 1,
  NSBackingStoreBuffered = 2,
};

// What a windowing backend keeps for one shown window.
class WindowPeer {
public:
  virtual ~WindowPeer() = default;
  virtual void setTitle(const std::string& title) = 0;
  virtual void setContentSize(CGSize size) = 0;
  virtual void setOrigin(CGPoint topLeft) = 0;
  virtual void show() = 0;
  virtual void hide() = 0;
};

class NSWindow : public std::enable_shared_from_this<NSWindow> {
public:
  static std::shared_ptr<NSWindow> initWithContentRect(CGRect contentRect, unsigned styleMask,
                                                       NSBackingStoreType backing, bool defer);
  ~NSWindow();

  const std::string& title() const { return _title; }
  void setTitle(std::string title);
  unsigned styleMask() const { return _styleMask; }
  bool isResizable() const { return _styleMask & NSWindowStyleMaskResizable; }

  // The content area; its origin is the window's place on the screen (top left, points).
  CGRect contentRect() const { return _contentRect; }
  // Resizes the content area and the content view with it (the backends call this when the
  // user resizes a resizable window).
  void setContentSize(CGSize size);
  std::shared_ptr<NSView> contentView() const { return _contentView; }
  void setContentView(const std::shared_ptr<NSView>& view);

  // Centres the window on the screen the backend reports (1920 × 1080 without one).
  void center();
  // Shows the window (on screen when the application has a backend) and lays it out.
  void makeKeyAndOrderFront(const void* sender);
  void orderOut(const void* sender);
  // Hides the window and tells the application, which may then terminate.
  void close();
  bool isVisible() const { return _visible; }

  // Pixels per point of the screen the window is on.
  double backingScaleFactor() const { return _scale; }
  void setBackingScaleFactor(double scale);

  // Pointer events go to the gesture recognisers of the view under a press and of its
  // superviews (innermost first), and to that view itself, until the release. Escape
  // cancels the gestures being tracked.
  void sendEvent(const NSEvent& event);
  // Cancels the gestures of the press being tracked (the pointer grab was lost).
  void cancelTracking();

  // The backend's record of this window, when shown on a display.
  WindowPeer* peer() const { return _peer.get(); }
  void setPeer(std::unique_ptr<WindowPeer> peer);

private:
  NSWindow() = default;
  void mouseDown(const NSEvent& event);
  void trackedEvent(const NSEvent& event);

  std::string _title;
  unsigned _styleMask = 0;
  CGRect _contentRect;
  std::shared_ptr<NSView> _contentView;
  bool _visible = false;
  double _scale = 1.0;
  std::unique_ptr<WindowPeer> _peer;
  std::shared_ptr<NSView> _trackedView;
  std::vector<std::shared_ptr<NSGestureRecognizer>> _trackedRecognizers;
};

}  // namespace platform
