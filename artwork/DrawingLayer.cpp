#include "artwork/DrawingLayer.h"

namespace drollicant {

using platform::NSGraphicsContext;

std::shared_ptr<platform::NSImage> renderPlatformImage(platform::CGSize size, bool flipped,
                                                       std::function<void(platform::CGContextRef)> draw) {
  return platform::NSImage::imageWithSize(size, flipped, [draw = std::move(draw)](platform::CGRect) {
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context) return false;
    platform::CGContextRef cg = context->CGContext();
    if (!cg) return false;
    if (draw) draw(cg);
    return true;
  });
}

std::shared_ptr<platform::NSImage> renderPlatformImage(platform::CGSize size, bool flipped,
                                                       std::function<void()> drawInContext) {
  return platform::NSImage::imageWithSize(size, flipped, [draw = std::move(drawInContext)](platform::CGRect) {
    if (!NSGraphicsContext::currentContext()) return false;
    if (draw) draw();
    return true;
  });
}

platform::NSBezierPath ovalPath(platform::CGRect rect) {
  platform::NSBezierPath path;
  path.appendBezierPathWithOvalInRect(rect);
  return path;
}

void setFill(const platform::NSBezierPath&, const platform::NSColor& color) { color.setFill(); }
void setStroke(const platform::NSBezierPath&, const platform::NSColor& color) { color.setStroke(); }

}  // namespace drollicant
