#include "platform/ui/Renderer.h"

#include <cairo.h>

#include <atomic>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Redisplay.h"

namespace platform {

namespace {

std::atomic<std::uint64_t> generation{1};

// Pixels per user-space unit at the current transformation.
double deviceScale(cairo_t* cr) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  return std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
}

bool userSpaceFlipped(cairo_t* cr) {
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  return m.xx * m.yy - m.xy * m.yx >= 0;
}

// Geometry that would put cairo into its sticky error state is skipped, not drawn.
bool finite(const CGRect& r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}

void fillRect(cairo_t* cr, CGRect r, CGColor c) {
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
  cairo_rectangle(cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
  cairo_fill(cr);
}

}  // namespace

void markNeedsDisplay() { generation.fetch_add(1, std::memory_order_relaxed); }
std::uint64_t displayGeneration() { return generation.load(std::memory_order_relaxed); }

void Renderer::drawRootView(cairo_t* cr, NSView& view, double scale) {
  view.layoutSubtreeIfNeeded();
  cairo_save(cr);
  cairo_scale(cr, scale, scale);
  if (!view.isFlipped()) {
    cairo_translate(cr, 0, view.frame().size.height);
    cairo_scale(cr, 1, -1);
  }
  {
    GraphicsContextScope scope(cr);
    drawView(cr, view);
  }
  cairo_restore(cr);
}

void Renderer::drawView(cairo_t* cr, NSView& view) {
  if (view.isHidden()) return;
  auto layer = view.layer();
  if (layer && !layer->isHidden()) {
    cairo_save(cr);
    drawLayerContent(cr, *layer);
    cairo_restore(cr);
  }
  if (auto* context = NSGraphicsContext::currentContext(); context && context->CGContext()) {
    CGContextRef cg = context->CGContext();
    cg->saveGState();
    view.drawRect(view.bounds());
    cg->restoreGState();
  }
  if (layer && !layer->isHidden()) {
    for (const auto& sub : layer->sublayers()) drawLayer(cr, *sub);
  }
  for (const auto& child : view.subviews()) {
    const CGRect f = child->frame();
    if (child->isHidden() || !finite(f)) continue;
    cairo_save(cr);
    cairo_translate(cr, f.origin.x, f.origin.y);
    if (child->isFlipped() != view.isFlipped()) {
      cairo_translate(cr, 0, f.size.height);
      cairo_scale(cr, 1, -1);
    }
    drawView(cr, *child);
    cairo_restore(cr);
  }
}

void Renderer::drawLayer(cairo_t* cr, CALayer& layer) {
  const CGRect b = layer.bounds();
  const CGPoint p = layer.position(), a = layer.anchorPoint();
  const CATransform3D& t = layer.transform();
  if (layer.isHidden() || !finite(b) || !finite({p, {a.x, a.y}})) return;
  if (!std::isfinite(t.m11 + t.m12 + t.m21 + t.m22 + t.m41 + t.m42)) return;
  cairo_save(cr);
  cairo_translate(cr, p.x, p.y);
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.m11, t.m12, t.m21, t.m22, t.m41, t.m42);
  if (std::fabs(m.xx * m.yy - m.xy * m.yx) > 1e-12) cairo_transform(cr, &m);
  cairo_translate(cr, -a.x * b.size.width - b.origin.x, -a.y * b.size.height - b.origin.y);
  drawLayerContent(cr, layer);
  for (const auto& sub : layer.sublayers()) drawLayer(cr, *sub);
  cairo_restore(cr);
}

void Renderer::drawLayerContent(cairo_t* cr, CALayer& layer) {
  const CGRect b = layer.bounds();
  if (auto background = layer.backgroundColor()) fillRect(cr, b, *background);
  const CGImageRef& contents = layer.contents();
  if (!contents || !(b.size.width > 0) || !(b.size.height > 0)) return;
  // Sharp at this density when the image can be drawn again; the bitmap at hand otherwise.
  const double pixelsPerPoint = deviceScale(cr) * b.size.width / contents->pointSize().width;
  cairo_surface_t* bitmap = contents->bitmapForScale(pixelsPerPoint);
  if (!bitmap) return;
  const int pw = cairo_image_surface_get_width(bitmap), ph = cairo_image_surface_get_height(bitmap);
  if (pw <= 0 || ph <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, b.origin.x, b.origin.y);
  if (!userSpaceFlipped(cr)) {
    cairo_translate(cr, 0, b.size.height);
    cairo_scale(cr, 1, -1);
  }
  cairo_scale(cr, b.size.width / pw, b.size.height / ph);
  cairo_set_source_surface(cr, bitmap, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
}

}  // namespace platform
