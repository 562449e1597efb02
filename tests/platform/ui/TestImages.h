#pragma once
// Small images for the drawing tests, drawn by handlers so they need no files.
#include <memory>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace testing_ui {

// A rectangle filled with the colour in the image's own flipped coordinates.
inline void fillRect(platform::CGRect r, platform::NSColor color) {
  color.setFill();
  platform::NSBezierPath path;
  path.moveToPoint(r.origin);
  path.lineToPoint({r.origin.x + r.size.width, r.origin.y});
  path.lineToPoint({r.origin.x + r.size.width, r.origin.y + r.size.height});
  path.lineToPoint({r.origin.x, r.origin.y + r.size.height});
  path.closePath();
  path.fill();
}

inline std::shared_ptr<platform::NSImage> solidImage(platform::CGSize size, platform::NSColor color) {
  return platform::NSImage::imageWithSize(size, true, [size, color](platform::CGRect) {
    if (!platform::NSGraphicsContext::currentContext()) return false;
    fillRect({{0, 0}, size}, color);
    return true;
  });
}

inline const platform::NSColor kRed = platform::NSColor::colorWithRed(1, 0, 0, 1);
inline const platform::NSColor kGreen = platform::NSColor::colorWithRed(0, 1, 0, 1);
inline const platform::NSColor kBlue = platform::NSColor::colorWithRed(0, 0, 1, 1);

}  // namespace testing_ui
