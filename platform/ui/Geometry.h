#pragma once
// Points, sizes and rectangles in points (double precision), and the rectangle helpers the
// views, layers and drawings use.
#include <algorithm>

namespace platform {

using CGFloat = double;

struct CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  friend bool operator==(const CGPoint&, const CGPoint&) = default;
};

struct CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
  friend bool operator==(const CGSize&, const CGSize&) = default;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
  friend bool operator==(const CGRect&, const CGRect&) = default;
};

using NSPoint = CGPoint;
using NSSize = CGSize;
using NSRect = CGRect;

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return {x, y}; }
inline CGSize CGSizeMake(CGFloat w, CGFloat h) { return {w, h}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return {{x, y}, {w, h}}; }
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat w, CGFloat h) { return CGRectMake(x, y, w, h); }

inline CGFloat CGRectGetWidth(const CGRect& r) { return r.size.width; }
inline CGFloat CGRectGetHeight(const CGRect& r) { return r.size.height; }
inline CGFloat CGRectGetMinX(const CGRect& r) { return r.origin.x; }
inline CGFloat CGRectGetMinY(const CGRect& r) { return r.origin.y; }
inline CGFloat CGRectGetMaxX(const CGRect& r) { return r.origin.x + r.size.width; }
inline CGFloat CGRectGetMaxY(const CGRect& r) { return r.origin.y + r.size.height; }
inline CGFloat CGRectGetMidX(const CGRect& r) { return r.origin.x + r.size.width / 2; }
inline CGFloat CGRectGetMidY(const CGRect& r) { return r.origin.y + r.size.height / 2; }

inline CGRect CGRectInset(const CGRect& r, CGFloat dx, CGFloat dy) {
  return CGRectMake(r.origin.x + dx, r.origin.y + dy, r.size.width - 2 * dx, r.size.height - 2 * dy);
}

inline bool CGRectContainsPoint(const CGRect& r, const CGPoint& p) {
  return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y && p.y < r.origin.y + r.size.height;
}

}  // namespace platform
