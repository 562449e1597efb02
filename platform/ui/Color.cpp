#include "platform/ui/Color.h"

#include <algorithm>

#include "platform/ui/GraphicsContext.h"

namespace platform {

namespace {
double clampUnit(double v) { return v >= 0 ? std::min(v, 1.0) : 0.0; }  // NaN becomes 0
}  // namespace

NSColor NSColor::colorWithRed(double red, double green, double blue, double alpha) {
  return NSColor(platform::CGColor{clampUnit(red), clampUnit(green), clampUnit(blue), clampUnit(alpha)});
}

NSColor NSColor::colorWithWhite(double white, double alpha) { return colorWithRed(white, white, white, alpha); }
NSColor NSColor::whiteColor() { return colorWithWhite(1.0, 1.0); }
NSColor NSColor::blackColor() { return colorWithWhite(0.0, 1.0); }
NSColor NSColor::darkGrayColor() { return colorWithWhite(1.0 / 3.0, 1.0); }
NSColor NSColor::clearColor() { return colorWithWhite(0.0, 0.0); }

NSColor NSColor::colorWithAlphaComponent(double alpha) const {
  platform::CGColor c = _components;
  c.alpha = clampUnit(alpha);
  return NSColor(c);
}

void NSColor::setFill() const {
  if (auto* context = NSGraphicsContext::currentContext()) context->CGContext()->setFillColor(_components);
}

void NSColor::setStroke() const {
  if (auto* context = NSGraphicsContext::currentContext()) context->CGContext()->setStrokeColor(_components);
}

}  // namespace platform
