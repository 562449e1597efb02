#pragma once
// What the editor tests do to a window as another X client would: read its pixels and
// size, find the editor's window inside a host's, and send it pointer events. Include
// it last: Xlib's macros clash with names in other headers.
#include <gtest/gtest.h>

#include <utility>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace testing_x11 {

// The editor's background colour as the X server holds it (0.741, 0.298, 0.0).
inline constexpr unsigned long kEditorBackground = 0xBD4C00;

// A failed request fails the test instead of ending the process (and leaving servers behind).
inline void failOnErrors() {
  XSetErrorHandler([](Display*, XErrorEvent* error) {
    ADD_FAILURE() << "X error " << int(error->error_code) << " on request " << int(error->request_code);
    return 0;
  });
}

// A pixel as 0xRRGGBB, or 0 when it cannot be read.
inline unsigned long pixel(Display* x, Window w, int px, int py) {
  XImage* image = XGetImage(x, w, px, py, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return p;
}

inline std::pair<int, int> size(Display* x, Window w) {
  XWindowAttributes a{};
  XGetWindowAttributes(x, w, &a);
  return {a.width, a.height};
}

// The first child of `parent`: the window a plug-in put into its host's; 0 if none.
inline Window firstChild(Display* x, Window parent) {
  Window root = 0, up = 0, *children = nullptr;
  unsigned count = 0;
  XQueryTree(x, parent, &root, &up, &children, &count);
  const Window child = count ? children[0] : 0;
  if (children) XFree(children);
  return child;
}

// A button press, release or (button held) motion at (px, py), sent to the window directly.
inline void button(Display* x, Window w, int type, int px, int py) {
  XEvent e{};
  e.type = type;
  e.xbutton.display = x;
  e.xbutton.window = w;
  e.xbutton.x = px;
  e.xbutton.y = py;
  e.xbutton.button = Button1;
  e.xbutton.time = CurrentTime;
  if (type == MotionNotify) e.xmotion.state = Button1Mask;
  XSendEvent(x, w, False, NoEventMask, &e);
  XFlush(x);
}

inline void click(Display* x, Window w, int px, int py) {
  button(x, w, ButtonPress, px, py);
  button(x, w, ButtonRelease, px, py);
}

}  // namespace testing_x11
