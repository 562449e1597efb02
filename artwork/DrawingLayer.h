#pragma once
// Deferred-drawing images and the path helpers the style kit draws with.
#include <functional>
#include <memory>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"

namespace drollicant {

// An image of `size` points whose pixels are drawn by `draw` whenever they are needed (any
// number of times, at any resolution), with the given orientation. Each time: without a
// current graphics context, or one without a drawing target, it reports nothing drawn and
// `draw` is not called; otherwise `draw` gets the context's target. The image keeps `draw`.
std::shared_ptr<platform::NSImage> renderPlatformImage(platform::CGSize size, bool flipped,
                                                       std::function<void(platform::CGContextRef)> draw);

// The same for a closure that draws into whatever context is current; it is called whenever
// there is a current context.
std::shared_ptr<platform::NSImage> renderPlatformImage(platform::CGSize size, bool flipped,
                                                       std::function<void()> drawInContext);

// A new path holding the oval inscribed in the rectangle.
platform::NSBezierPath ovalPath(platform::CGRect rect);
// Make the colour the current fill (or stroke) colour; the path itself is not touched.
void setFill(const platform::NSBezierPath& path, const platform::NSColor& color);
void setStroke(const platform::NSBezierPath& path, const platform::NSColor& color);

}  // namespace drollicant
