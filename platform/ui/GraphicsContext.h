#pragma once
// The current graphics context. Whoever draws (the renderer, an image producing its bitmap,
// lockFocus) pushes a context for its cairo target; drawing calls (paths, colours, images)
// go to the innermost one. One stack per thread; with none, drawing does nothing.
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

typedef struct _cairo cairo_t;

namespace platform {

// A cairo drawing target plus the fill and stroke colours NSColor sets.
class CGContext {
public:
  explicit CGContext(cairo_t* cairo) : _cairo(cairo) {}
  cairo_t* cairo() const { return _cairo; }

  CGColor fillColor() const { return _fill; }
  CGColor strokeColor() const { return _stroke; }
  void setFillColor(CGColor c) { _fill = c; }
  void setStrokeColor(CGColor c) { _stroke = c; }

  // Saves or restores the cairo state together with the two colours.
  void saveGState();
  void restoreGState();

  // True when user space has y growing downward on the target (the usual case for a
  // flipped view); images use it to stay upright.
  bool userSpaceIsFlipped() const;

private:
  struct Colours {
    CGColor fill;
    CGColor stroke;
  };
  cairo_t* _cairo;
  CGColor _fill{0, 0, 0, 1};
  CGColor _stroke{0, 0, 0, 1};
  std::vector<Colours> _saved;
};

using CGContextRef = CGContext*;

// Makes the rectangle fully transparent.
void CGContextClearRect(CGContextRef context, CGRect rect);
void CGContextSaveGState(CGContextRef context);
void CGContextRestoreGState(CGContextRef context);

class NSGraphicsContext {
public:
  // The innermost context pushed on this thread, or null.
  static NSGraphicsContext* currentContext();
  static void saveGraphicsState();
  static void restoreGraphicsState();

  // Null when the context was pushed without a cairo target.
  CGContextRef CGContext() { return _cg.cairo() ? &_cg : nullptr; }
  bool isFlipped() const { return _cg.cairo() && _cg.userSpaceIsFlipped(); }

private:
  friend class GraphicsContextScope;
  explicit NSGraphicsContext(cairo_t* cairo) : _cg(cairo) {}
  platform::CGContext _cg;
};

// Pushes a context on construction and pops it on destruction. The cairo target is borrowed.
class GraphicsContextScope {
public:
  explicit GraphicsContextScope(cairo_t* cairo);
  ~GraphicsContextScope();
  GraphicsContextScope(const GraphicsContextScope&) = delete;
  GraphicsContextScope& operator=(const GraphicsContextScope&) = delete;
  NSGraphicsContext& context() { return _context; }

private:
  NSGraphicsContext _context;
};

}  // namespace platform
