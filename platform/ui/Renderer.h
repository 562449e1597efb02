#pragma once
// Draws view trees with cairo, for every backend. For each view, in its own coordinates: the
// backing layer's background colour and contents, the view's drawRect, the backing layer's
// sublayers (in order, each placed by position, anchor and transform), then the subviews.
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"

typedef struct _cairo cairo_t;

namespace platform {

class Renderer {
public:
  // Lays the tree out if needed, then draws the view filling a target whose device space has
  // its origin at the view's top left, y downward, `scale` pixels per point. Makes a current
  // graphics context for the drawing.
  static void drawRootView(cairo_t* cr, NSView& view, double scale);

  // Draws the view and its subtree into user space set to the view's own coordinates.
  static void drawView(cairo_t* cr, NSView& view);
  // Draws the layer and its sublayers into user space set to its superlayer's coordinates.
  static void drawLayer(cairo_t* cr, CALayer& layer);

private:
  static void drawLayerContent(cairo_t* cr, CALayer& layer);
};

}  // namespace platform
