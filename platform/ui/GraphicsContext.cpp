#include "platform/ui/GraphicsContext.h"

#include <cairo.h>

namespace platform {

namespace {
thread_local std::vector<NSGraphicsContext*> contextStack;
}

void CGContext::saveGState() {
  cairo_save(_cairo);
  _saved.push_back({_fill, _stroke});
}

void CGContext::restoreGState() {
  if (_saved.empty()) return;
  cairo_restore(_cairo);
  _fill = _saved.back().fill;
  _stroke = _saved.back().stroke;
  _saved.pop_back();
}

bool CGContext::userSpaceIsFlipped() const {
  cairo_matrix_t m;
  cairo_get_matrix(_cairo, &m);
  // Device space has y downward; a negative determinant means user space has it upward.
  return m.xx * m.yy - m.xy * m.yx >= 0;
}

void CGContextClearRect(CGContextRef context, CGRect rect) {
  if (!context) return;
  cairo_t* cr = context->cairo();
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_fill(cr);
  cairo_restore(cr);
}

void CGContextSaveGState(CGContextRef context) {
  if (context) context->saveGState();
}

void CGContextRestoreGState(CGContextRef context) {
  if (context) context->restoreGState();
}

NSGraphicsContext* NSGraphicsContext::currentContext() { return contextStack.empty() ? nullptr : contextStack.back(); }

void NSGraphicsContext::saveGraphicsState() {
  if (auto* c = currentContext()) CGContextSaveGState(c->CGContext());
}

void NSGraphicsContext::restoreGraphicsState() {
  if (auto* c = currentContext()) CGContextRestoreGState(c->CGContext());
}

GraphicsContextScope::GraphicsContextScope(cairo_t* cairo) : _context(cairo) { contextStack.push_back(&_context); }

GraphicsContextScope::~GraphicsContextScope() {
  // Scopes nest strictly; remove this one wherever it is to stay safe.
  for (auto it = contextStack.end(); it != contextStack.begin();) {
    --it;
    if (*it == &_context) {
      contextStack.erase(it);
      break;
    }
  }
}

}  // namespace platform
