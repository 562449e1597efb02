#pragma once
// Paths of ovals and straight lines, filled or stroked into the current graphics context with
// its current fill or stroke colour. Coordinates are the context's user space.
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform {

class NSBezierPath {
public:
  NSBezierPath() = default;
  static NSBezierPath bezierPathWithOvalInRect(CGRect rect);

  void appendBezierPathWithOvalInRect(CGRect rect);
  void moveToPoint(CGPoint p);
  void lineToPoint(CGPoint p);
  void closePath();

  CGFloat lineWidth() const { return _lineWidth; }
  void setLineWidth(CGFloat width) { _lineWidth = width; }
  bool isEmpty() const { return _elements.empty(); }

  // Paint into the current context; without one, nothing happens.
  void fill() const;
  void stroke() const;

private:
  enum class Kind { move, line, close, oval };
  struct Element {
    Kind kind;
    CGRect rect;  // the point is rect.origin for move and line
  };
  void addToCairoPath(void* cairo) const;

  std::vector<Element> _elements;
  CGFloat _lineWidth = 1.0;
};

}  // namespace platform
