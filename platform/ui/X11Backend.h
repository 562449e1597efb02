#pragma once
// Windows on an X11 display. Two ways in:
//
// - X11Backend: the application's backend. Shown NSWindows become top-level X windows (title,
//   fixed size unless resizable, WM_DELETE_WINDOW closes the window); the run loop waits on the
//   display connection and on a wake-up pipe, translates events and redraws changed windows.
//
// - X11EmbeddedView: a view shown in a child window of a host's window (plug-in editors).
//   The host calls idle() regularly on its UI thread; it handles waiting events, runs the work
//   waiting on the main queue and redraws, without ever blocking. resize() follows the host's size changes; a
//   ConfigureNotify from the host resizing the child window is followed as well.
//
// Event translation: button 1 press, motion and release become left mouse events (click count
// from presses within 400 ms and 4 points of each other), keys become key events with Ctrl
// reported as the command key; losing the pointer grab cancels the gestures being tracked.
// Coordinates are divided by the scale factor (pixels per point), which comes from the caller
// or, when not given, from the display's Xft.dpi (dpi / 96).
#include <memory>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/OffscreenBackend.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

typedef struct _XDisplay Display;
typedef struct _cairo_device cairo_device_t;

namespace platform {

class X11WindowPeer;

class X11Backend : public WindowingBackend, public std::enable_shared_from_this<X11Backend> {
public:
  // Null when the display cannot be opened. A null name means $DISPLAY; a scale of 0 or less
  // means the display's own. Sets backingScaleFactor() to the scale.
  static std::shared_ptr<X11Backend> open(const char* displayName, double scale = 0);
  ~X11Backend() override;

  std::unique_ptr<WindowPeer> makePeer(NSWindow& window) override;
  CGSize screenSize() const override;
  double scaleFactor() const override { return _scale; }
  void runOnce(double timeoutSeconds) override;
  void wake() override;

  Display* display() const { return _display; }
  // The X window of a shown NSWindow, or 0.
  unsigned long windowID(const NSWindow& window) const;
  // The pixels of a shown window as the X server has them (for tests and screenshots).
  std::unique_ptr<OffscreenSurface> capture(const NSWindow& window) const;

private:
  friend class X11WindowPeer;
  X11Backend(Display* display, double scale);
  void handlePendingEvents();
  void redrawChanged();

  Display* _display;
  double _scale;
  int _wakePipe[2] = {-1, -1};
  std::vector<X11WindowPeer*> _peers;
  cairo_device_t* _cairoDevice = nullptr;
};

class X11EmbeddedView {
public:
  // A child window of `parent` showing `view` at its frame size times `scale`. Opens its own
  // connection to the display (null name: $DISPLAY). Null when that fails.
  static std::unique_ptr<X11EmbeddedView> create(unsigned long parent, const std::shared_ptr<NSView>& view,
                                                 double scale, const char* displayName = nullptr);
  ~X11EmbeddedView();

  unsigned long windowID() const;
  Display* display() const { return _display; }
  double scale() const { return _scale; }
  // The view's size in points.
  CGSize size() const;
  // Host's UI thread, regularly: handles waiting events, drains the main queue, and redraws
  // when something changed. Never blocks.
  void idle();
  // Resizes the child window and the view (points).
  void resize(CGSize size);
  std::unique_ptr<OffscreenSurface> capture() const;

private:
  X11EmbeddedView() = default;
  Display* _display = nullptr;
  double _scale = 1;
  std::shared_ptr<NSWindow> _window;  // private, borderless: routes events to the view
  std::unique_ptr<X11WindowPeer> _peer;
};

}  // namespace platform
