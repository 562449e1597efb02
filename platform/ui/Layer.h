#pragma once
// Layers: a rectangle placed by its position (where its anchor point, the middle, lies in the
// superlayer), with optional background colour and bitmap contents stretched over its bounds,
// an optional transform about the anchor, and sublayers drawn in the order added. There is
// no animation: every change applies at once, so a transaction is only a bracket.
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"

namespace platform {

struct CATransform3D {
  double m11 = 1, m12 = 0, m13 = 0, m14 = 0;
  double m21 = 0, m22 = 1, m23 = 0, m24 = 0;
  double m31 = 0, m32 = 0, m33 = 1, m34 = 0;
  double m41 = 0, m42 = 0, m43 = 0, m44 = 1;
  friend bool operator==(const CATransform3D&, const CATransform3D&) = default;
};

inline constexpr CATransform3D CATransform3DIdentity{};

// Rotation by angle radians about the axis (x, y, z); a zero axis gives the identity.
CATransform3D CATransform3DMakeRotation(double angle, double x, double y, double z);

class CALayer : public std::enable_shared_from_this<CALayer> {
public:
  static std::shared_ptr<CALayer> layer();
  virtual ~CALayer() = default;

  CGRect bounds() const { return _bounds; }
  void setBounds(CGRect bounds);
  CGPoint position() const { return _position; }
  void setPosition(CGPoint position);
  CGPoint anchorPoint() const { return _anchorPoint; }
  void setAnchorPoint(CGPoint anchor);
  // The untransformed rectangle the layer covers in its superlayer.
  CGRect frame() const;

  const CGImageRef& contents() const { return _contents; }
  void setContents(CGImageRef contents);
  CATransform3D transform() const { return _transform; }
  void setTransform(const CATransform3D& transform);
  std::optional<CGColor> backgroundColor() const { return _backgroundColor; }
  void setBackgroundColor(std::optional<CGColor> color);
  bool isHidden() const { return _hidden; }
  void setHidden(bool hidden);

  const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return _sublayers; }
  void addSublayer(const std::shared_ptr<CALayer>& layer);
  void removeFromSuperlayer();
  std::shared_ptr<CALayer> superlayer() const { return _superlayer.lock(); }

protected:
  CALayer() = default;

private:
  CGRect _bounds;
  CGPoint _position;
  CGPoint _anchorPoint{0.5, 0.5};
  CGImageRef _contents;
  CATransform3D _transform;
  std::optional<CGColor> _backgroundColor;
  bool _hidden = false;
  std::vector<std::shared_ptr<CALayer>> _sublayers;
  std::weak_ptr<CALayer> _superlayer;
};

class CATransaction {
public:
  static void begin();
  static void commit();
  static void setDisableActions(bool disable);
  static bool disableActions();
};

}  // namespace platform
