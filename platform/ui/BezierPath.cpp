#include "platform/ui/BezierPath.h"

#include <cairo.h>

#include <cmath>

#include "platform/ui/GraphicsContext.h"

namespace platform {

namespace {
void setSource(cairo_t* cr, CGColor c) { cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha); }
}  // namespace

NSBezierPath NSBezierPath::bezierPathWithOvalInRect(CGRect rect) {
  NSBezierPath path;
  path.appendBezierPathWithOvalInRect(rect);
  return path;
}

void NSBezierPath::appendBezierPathWithOvalInRect(CGRect rect) { _elements.push_back({Kind::oval, rect}); }
void NSBezierPath::moveToPoint(CGPoint p) { _elements.push_back({Kind::move, {p, {}}}); }
void NSBezierPath::lineToPoint(CGPoint p) { _elements.push_back({Kind::line, {p, {}}}); }
void NSBezierPath::closePath() { _elements.push_back({Kind::close, {}}); }

void NSBezierPath::addToCairoPath(void* target) const {
  auto* cr = static_cast<cairo_t*>(target);
  cairo_new_path(cr);
  for (const Element& e : _elements) {
    switch (e.kind) {
      case Kind::move:
        cairo_move_to(cr, e.rect.origin.x, e.rect.origin.y);
        break;
      case Kind::line:
        cairo_line_to(cr, e.rect.origin.x, e.rect.origin.y);
        break;
      case Kind::close:
        cairo_close_path(cr);
        break;
      case Kind::oval: {
        const CGRect& r = e.rect;
        // An oval of no area has no outline worth drawing (and would make a singular matrix).
        if (!(r.size.width > 0) || !(r.size.height > 0)) break;
        cairo_new_sub_path(cr);
        cairo_save(cr);
        cairo_translate(cr, CGRectGetMidX(r), CGRectGetMidY(r));
        cairo_scale(cr, r.size.width / 2, r.size.height / 2);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_close_path(cr);
        break;
      }
    }
  }
}

void NSBezierPath::fill() const {
  auto* context = NSGraphicsContext::currentContext();
  CGContextRef cg = context ? context->CGContext() : nullptr;
  if (!cg) return;
  cairo_t* cr = cg->cairo();
  cairo_save(cr);
  addToCairoPath(cr);
  setSource(cr, cg->fillColor());
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr);
  cairo_restore(cr);
}

void NSBezierPath::stroke() const {
  auto* context = NSGraphicsContext::currentContext();
  CGContextRef cg = context ? context->CGContext() : nullptr;
  if (!cg) return;
  cairo_t* cr = cg->cairo();
  cairo_save(cr);
  addToCairoPath(cr);
  setSource(cr, cg->strokeColor());
  cairo_set_line_width(cr, _lineWidth);
  cairo_stroke(cr);
  cairo_restore(cr);
}

}  // namespace platform
