#include "platform/ui/X11Backend.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>
#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/foundation/MainQueue.h"
#include "platform/ui/Image.h"
#include "platform/ui/Redisplay.h"
#include "platform/ui/Renderer.h"

namespace platform {

namespace {

constexpr unsigned long kDoubleClickMilliseconds = 400;
constexpr CGFloat kDoubleClickDistance = 4;
constexpr CGColor kWindowBackground{0.93, 0.93, 0.93, 1.0};
constexpr long kEventMask = ExposureMask | StructureNotifyMask | ButtonPressMask | ButtonReleaseMask |
                            Button1MotionMask | KeyPressMask | FocusChangeMask | LeaveWindowMask;

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

void finishDevice(cairo_device_t*& device) {
  if (!device) return;
  cairo_device_finish(device);
  cairo_device_destroy(device);
  device = nullptr;
}

int pixels(double points, double scale) { return std::max(1, int(std::ceil(points * scale - 1e-9))); }

double displayScale(Display* display) {
  XrmInitialize();
  const char* resources = XResourceManagerString(display);
  if (!resources) return 1.0;
  XrmDatabase db = XrmGetStringDatabase(resources);
  double scale = 1.0;
  char* type = nullptr;
  XrmValue value;
  if (db && XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    const double dpi = std::atof(value.addr);
    if (dpi > 0) scale = dpi / 96.0;
  }
  if (db) XrmDestroyDatabase(db);
  return scale;
}

// Characters of a key, lower case, with Escape as "\x1b"; empty for keys without one.
std::string keyCharacters(XKeyEvent& event) {
  const KeySym sym = XLookupKeysym(&event, 0);
  if (sym == XK_Escape) return NSEscapeCharacters;
  if (sym == XK_Return || sym == XK_KP_Enter) return "\r";
  if (sym >= 0x20 && sym <= 0x7e) return std::string(1, char(sym));
  return {};
}

std::unique_ptr<OffscreenSurface> captureWindow(Display* display, Window window, int width, int height) {
  auto surface = std::make_unique<OffscreenSurface>(width, height);
  XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  if (!image) return surface;
  cairo_surface_t* target = surface->cairoSurface();
  cairo_surface_flush(target);
  unsigned char* data = cairo_image_surface_get_data(target);
  const int stride = cairo_image_surface_get_stride(target);
  auto component = [](unsigned long pixel, unsigned long mask) -> std::uint32_t {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long max = mask >> shift;
    return std::uint32_t(((pixel & mask) >> shift) * 255 / max);
  };
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
    for (int x = 0; x < width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      row[x] = 0xff000000u | component(p, image->red_mask) << 16 | component(p, image->green_mask) << 8 |
               component(p, image->blue_mask);
    }
  }
  cairo_surface_mark_dirty(target);
  XDestroyImage(image);
  return surface;
}

}  // namespace

// One X window showing an NSWindow's content view.
class X11WindowPeer : public WindowPeer {
public:
  X11WindowPeer(Display* display, Window parent, NSWindow& window, double scale, bool topLevel, X11Backend* owner)
      : _display(display), _nswindow(window), _scale(scale), _topLevel(topLevel), _owner(owner) {
    const CGRect content = window.contentRect();
    _pixelWidth = pixels(content.size.width, scale);
    _pixelHeight = pixels(content.size.height, scale);
    const int screen = DefaultScreen(display);
    _window = XCreateSimpleWindow(display, parent, topLevel ? int(content.origin.x * scale) : 0,
                                  topLevel ? int(content.origin.y * scale) : 0, unsigned(_pixelWidth),
                                  unsigned(_pixelHeight), 0, BlackPixel(display, screen), WhitePixel(display, screen));
    XSelectInput(display, _window, kEventMask);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, _window, &attributes);
    _visual = attributes.visual;
    if (topLevel) {
      _deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
      XSetWMProtocols(display, _window, &_deleteWindow, 1);
      setTitle(window.title());
      applySizeHints();
    }
    if (_owner) _owner->_peers.push_back(this);
  }

  ~X11WindowPeer() override {
    if (_owner)
      _owner->_peers.erase(std::remove(_owner->_peers.begin(), _owner->_peers.end(), this), _owner->_peers.end());
    if (_topLevel) {
      XDestroyWindow(_display, _window);
      XFlush(_display);
      return;
    }
    // The host may have destroyed its window, and ours with it, already: an error here
    // must not end the host's process through the default error handler.
    XSync(_display, False);
    auto previous = XSetErrorHandler(ignoreErrors);
    XDestroyWindow(_display, _window);
    XSync(_display, False);
    XSetErrorHandler(previous);
    finishDevice(_device);
  }

  Window xid() const { return _window; }
  NSWindow& nswindow() const { return _nswindow; }
  int pixelWidth() const { return _pixelWidth; }
  int pixelHeight() const { return _pixelHeight; }

  void setTitle(const std::string& title) override {
    if (!_topLevel) return;
    XStoreName(_display, _window, title.c_str());
    const Atom utf8 = XInternAtom(_display, "UTF8_STRING", False);
    const Atom name = XInternAtom(_display, "_NET_WM_NAME", False);
    XChangeProperty(_display, _window, name, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
  }

  void setContentSize(CGSize size) override {
    const int w = pixels(size.width, _scale), h = pixels(size.height, _scale);
    if (w == _pixelWidth && h == _pixelHeight) return;
    _pixelWidth = w;
    _pixelHeight = h;
    if (_topLevel) applySizeHints();
    XResizeWindow(_display, _window, unsigned(w), unsigned(h));
    _forceRedraw = true;
  }

  void setOrigin(CGPoint topLeft) override {
    if (!_topLevel) return;
    applySizeHints();
    XMoveWindow(_display, _window, int(topLeft.x * _scale), int(topLeft.y * _scale));
  }

  void show() override {
    XMapRaised(_display, _window);
    XFlush(_display);
  }

  void hide() override {
    XUnmapWindow(_display, _window);
    XFlush(_display);
  }

  // May destroy this peer (closing or terminating); touches nothing after dispatching.
  void handleEvent(XEvent& event) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) _forceRedraw = true;
        break;
      case ConfigureNotify:
        followSize(event.xconfigure.width, event.xconfigure.height);
        break;
      case UnmapNotify:
        _nswindow.cancelTracking();
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == _window) _destroyed = true;
        break;
      case LeaveNotify:
        if (event.xcrossing.mode == NotifyGrab) _nswindow.cancelTracking();
        break;
      case FocusOut:
        if (event.xfocus.mode == NotifyGrab) _nswindow.cancelTracking();
        break;
      case ButtonPress:
        if (event.xbutton.button == Button1) dispatch(mouseEvent(NSEventType::leftMouseDown, event.xbutton));
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1) dispatch(mouseEvent(NSEventType::leftMouseUp, event.xbutton));
        break;
      case MotionNotify: {
        XEvent latest = event;  // only the newest of a burst of motion matters
        while (XCheckTypedWindowEvent(_display, _window, MotionNotify, &latest)) {
        }
        NSEvent e;
        e.type = NSEventType::leftMouseDragged;
        e.locationInWindow = windowPoint(latest.xmotion.x, latest.xmotion.y);
        e.timestamp = double(latest.xmotion.time) / 1000.0;
        dispatch(e);
        break;
      }
      case KeyPress: {
        NSEvent e =
            NSEvent::key(keyCharacters(event.xkey), (event.xkey.state & ControlMask ? NSEventModifierFlagCommand : 0u) |
                                                        (event.xkey.state & ShiftMask ? NSEventModifierFlagShift : 0u));
        if (e.charactersIgnoringModifiers.empty()) break;
        if (_topLevel)
          NSApplication::sharedApplication()->sendEvent(_nswindow, e);
        else
          _nswindow.sendEvent(e);
        break;
      }
      case ClientMessage:
        if (_topLevel && Atom(event.xclient.data.l[0]) == _deleteWindow) _nswindow.close();
        break;
      default:
        break;
    }
  }

  void redrawIfNeeded() {
    if (_destroyed) return;
    const std::uint64_t now = displayGeneration();
    if (!_forceRedraw && now == _drawnGeneration) return;
    _forceRedraw = false;
    _drawnGeneration = now;
    auto view = _nswindow.contentView();
    cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, _pixelWidth, _pixelHeight);
    cairo_t* cr = cairo_create(buffer);
    cairo_set_source_rgb(cr, kWindowBackground.red, kWindowBackground.green, kWindowBackground.blue);
    cairo_paint(cr);
    if (view) Renderer::drawRootView(cr, *view, _scale);
    cairo_destroy(cr);
    cairo_surface_t* target = cairo_xlib_surface_create(_display, _window, _visual, _pixelWidth, _pixelHeight);
    keepDevice(cairo_surface_get_device(target));
    cairo_t* out = cairo_create(target);
    cairo_set_source_surface(out, buffer, 0, 0);
    cairo_set_operator(out, CAIRO_OPERATOR_SOURCE);
    cairo_paint(out);
    cairo_destroy(out);
    cairo_surface_flush(target);
    cairo_surface_destroy(target);
    cairo_surface_destroy(buffer);
    XFlush(_display);
  }

private:
  // cairo keeps what it knows about a display in a device; it is let go explicitly before
  // the display connection closes (by the backend for its windows, here for an embedded one).
  void keepDevice(cairo_device_t* device) {
    cairo_device_t*& slot = _owner ? _owner->_cairoDevice : _device;
    if (!slot && device) slot = cairo_device_reference(device);
  }

  void applySizeHints() {
    XSizeHints* hints = XAllocSizeHints();
    if (!hints) return;
    // Where the window asked to be (centred, for instance); window managers follow it.
    hints->flags = PPosition;
    hints->x = int(_nswindow.contentRect().origin.x * _scale);
    hints->y = int(_nswindow.contentRect().origin.y * _scale);
    if (!_nswindow.isResizable()) {
      hints->flags |= PMinSize | PMaxSize;
      hints->min_width = hints->max_width = _pixelWidth;
      hints->min_height = hints->max_height = _pixelHeight;
    }
    XSetWMNormalHints(_display, _window, hints);
    XFree(hints);
  }

  void followSize(int width, int height) {
    if (width == _pixelWidth && height == _pixelHeight) return;
    _pixelWidth = width;
    _pixelHeight = height;
    _forceRedraw = true;
    _nswindow.setContentSize({width / _scale, height / _scale});
  }

  CGPoint windowPoint(int x, int y) const { return {x / _scale, (_pixelHeight - y) / _scale}; }

  NSEvent mouseEvent(NSEventType type, const XButtonEvent& button) {
    NSEvent e;
    e.type = type;
    e.locationInWindow = windowPoint(button.x, button.y);
    e.timestamp = double(button.time) / 1000.0;
    if (type == NSEventType::leftMouseDown) {
      const bool quick = button.time - _lastPressTime <= kDoubleClickMilliseconds;
      const bool near =
          std::hypot(e.locationInWindow.x - _lastPress.x, e.locationInWindow.y - _lastPress.y) <= kDoubleClickDistance;
      _clickCount = quick && near && _clickCount > 0 ? _clickCount + 1 : 1;
      _lastPressTime = button.time;
      _lastPress = e.locationInWindow;
    }
    e.clickCount = std::max(_clickCount, 1);
    return e;
  }

  void dispatch(const NSEvent& event) { _nswindow.sendEvent(event); }

  Display* _display;
  NSWindow& _nswindow;
  double _scale;
  bool _topLevel;
  X11Backend* _owner;
  Window _window = 0;
  Visual* _visual = nullptr;
  Atom _deleteWindow = 0;
  int _pixelWidth = 1;
  int _pixelHeight = 1;
  std::uint64_t _drawnGeneration = 0;
  bool _forceRedraw = true;
  bool _destroyed = false;  // with its parent, by the host
  cairo_device_t* _device = nullptr;
  Time _lastPressTime = 0;
  CGPoint _lastPress{-1e9, -1e9};
  int _clickCount = 0;
};

// MARK: X11Backend

std::shared_ptr<X11Backend> X11Backend::open(const char* displayName, double scale) {
  Display* display = XOpenDisplay(displayName);
  if (!display) return nullptr;
  if (!(scale > 0)) scale = displayScale(display);
  setBackingScaleFactor(scale);
  return std::shared_ptr<X11Backend>(new X11Backend(display, scale));
}

X11Backend::X11Backend(Display* display, double scale) : _display(display), _scale(scale) {
  if (pipe(_wakePipe) == 0) {
    fcntl(_wakePipe[0], F_SETFL, O_NONBLOCK);
    fcntl(_wakePipe[1], F_SETFL, O_NONBLOCK);
  }
}

X11Backend::~X11Backend() {
  // Peers still registered belong to windows that outlive us; detach them.
  for (X11WindowPeer* peer : std::vector<X11WindowPeer*>(_peers)) peer->nswindow().setPeer(nullptr);
  if (_wakePipe[0] >= 0) close(_wakePipe[0]);
  if (_wakePipe[1] >= 0) close(_wakePipe[1]);
  finishDevice(_cairoDevice);
  XCloseDisplay(_display);
}

std::unique_ptr<WindowPeer> X11Backend::makePeer(NSWindow& window) {
  window.setBackingScaleFactor(_scale);
  return std::make_unique<X11WindowPeer>(_display, DefaultRootWindow(_display), window, _scale, true, this);
}

CGSize X11Backend::screenSize() const {
  const int screen = DefaultScreen(_display);
  return {DisplayWidth(_display, screen) / _scale, DisplayHeight(_display, screen) / _scale};
}

void X11Backend::wake() {
  if (_wakePipe[1] < 0) return;
  const char byte = 1;
  [[maybe_unused]] auto written = write(_wakePipe[1], &byte, 1);
}

void X11Backend::runOnce(double timeoutSeconds) {
  XFlush(_display);
  if (XPending(_display) == 0 && timeoutSeconds > 0) {
    const int xfd = ConnectionNumber(_display);
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(xfd, &fds);
    if (_wakePipe[0] >= 0) FD_SET(_wakePipe[0], &fds);
    timeval tv{long(timeoutSeconds), long(std::fmod(timeoutSeconds, 1.0) * 1e6)};
    select(std::max(xfd, _wakePipe[0]) + 1, &fds, nullptr, nullptr, &tv);
  }
  if (_wakePipe[0] >= 0) {
    char buffer[64];
    while (read(_wakePipe[0], buffer, sizeof buffer) > 0) {
    }
  }
  handlePendingEvents();
  redrawChanged();
}

void X11Backend::handlePendingEvents() {
  while (XPending(_display) > 0) {
    XEvent event;
    XNextEvent(_display, &event);
    for (X11WindowPeer* peer : _peers) {
      if (peer->xid() == event.xany.window) {
        peer->handleEvent(event);  // may remove the peer
        break;
      }
    }
  }
}

void X11Backend::redrawChanged() {
  for (X11WindowPeer* peer : std::vector<X11WindowPeer*>(_peers)) {
    if (peer->nswindow().isVisible()) peer->redrawIfNeeded();
  }
}

unsigned long X11Backend::windowID(const NSWindow& window) const {
  for (X11WindowPeer* peer : _peers)
    if (&peer->nswindow() == &window) return peer->xid();
  return 0;
}

std::unique_ptr<OffscreenSurface> X11Backend::capture(const NSWindow& window) const {
  for (X11WindowPeer* peer : _peers) {
    if (&peer->nswindow() == &window)
      return captureWindow(_display, peer->xid(), peer->pixelWidth(), peer->pixelHeight());
  }
  return nullptr;
}

// MARK: X11EmbeddedView

std::unique_ptr<X11EmbeddedView> X11EmbeddedView::create(unsigned long parent, const std::shared_ptr<NSView>& view,
                                                         double scale, const char* displayName) {
  if (!view) return nullptr;
  Display* display = XOpenDisplay(displayName);
  if (!display) return nullptr;
  if (!(scale > 0)) scale = displayScale(display);
  setBackingScaleFactor(scale);
  std::unique_ptr<X11EmbeddedView> embedded(new X11EmbeddedView());
  embedded->_display = display;
  embedded->_scale = scale;
  embedded->_window = NSWindow::initWithContentRect({{0, 0}, view->frame().size}, NSWindowStyleMaskBorderless,
                                                    NSBackingStoreBuffered, false);
  embedded->_window->setBackingScaleFactor(scale);
  embedded->_window->setContentView(view);
  embedded->_peer = std::make_unique<X11WindowPeer>(display, Window(parent ? parent : DefaultRootWindow(display)),
                                                    *embedded->_window, scale, false, nullptr);
  embedded->_peer->show();
  view->layoutSubtreeIfNeeded();
  return embedded;
}

X11EmbeddedView::~X11EmbeddedView() {
  _peer.reset();
  if (_window) _window->setContentView(nullptr);
  if (_display) XCloseDisplay(_display);
}

unsigned long X11EmbeddedView::windowID() const { return _peer ? _peer->xid() : 0; }

CGSize X11EmbeddedView::size() const { return _window->contentRect().size; }

void X11EmbeddedView::idle() {
  while (XPending(_display) > 0) {
    XEvent event;
    XNextEvent(_display, &event);
    if (event.xany.window == _peer->xid()) _peer->handleEvent(event);
  }
  MainQueue::main().drain();
  _peer->redrawIfNeeded();
}

void X11EmbeddedView::resize(CGSize size) {
  _window->setContentSize(size);
  _peer->setContentSize(size);
  XFlush(_display);
}

std::unique_ptr<OffscreenSurface> X11EmbeddedView::capture() const {
  return captureWindow(_display, _peer->xid(), _peer->pixelWidth(), _peer->pixelHeight());
}

}  // namespace platform
