#include "platform/ui/Layer.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/Redisplay.h"

namespace platform {

CATransform3D CATransform3DMakeRotation(double angle, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0)) return CATransform3DIdentity;
  x /= length;
  y /= length;
  z /= length;
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  // Row-vector convention (p' = p·M), as the layer geometry expects.
  CATransform3D m;
  m.m11 = t * x * x + c;
  m.m12 = t * x * y + z * s;
  m.m13 = t * x * z - y * s;
  m.m21 = t * x * y - z * s;
  m.m22 = t * y * y + c;
  m.m23 = t * y * z + x * s;
  m.m31 = t * x * z + y * s;
  m.m32 = t * y * z - x * s;
  m.m33 = t * z * z + c;
  return m;
}

std::shared_ptr<CALayer> CALayer::layer() { return std::shared_ptr<CALayer>(new CALayer()); }

void CALayer::setBounds(CGRect bounds) {
  _bounds = bounds;
  markNeedsDisplay();
}

void CALayer::setPosition(CGPoint position) {
  _position = position;
  markNeedsDisplay();
}

void CALayer::setAnchorPoint(CGPoint anchor) {
  _anchorPoint = anchor;
  markNeedsDisplay();
}

CGRect CALayer::frame() const {
  return CGRectMake(_position.x - _anchorPoint.x * _bounds.size.width,
                    _position.y - _anchorPoint.y * _bounds.size.height, _bounds.size.width, _bounds.size.height);
}

void CALayer::setContents(CGImageRef contents) {
  _contents = std::move(contents);
  markNeedsDisplay();
}

void CALayer::setTransform(const CATransform3D& transform) {
  _transform = transform;
  markNeedsDisplay();
}

void CALayer::setBackgroundColor(std::optional<CGColor> color) {
  _backgroundColor = color;
  markNeedsDisplay();
}

void CALayer::setHidden(bool hidden) {
  _hidden = hidden;
  markNeedsDisplay();
}

void CALayer::addSublayer(const std::shared_ptr<CALayer>& layer) {
  if (!layer || layer.get() == this) return;
  layer->removeFromSuperlayer();
  _sublayers.push_back(layer);
  layer->_superlayer = weak_from_this();
  markNeedsDisplay();
}

void CALayer::removeFromSuperlayer() {
  auto parent = _superlayer.lock();
  _superlayer.reset();
  if (!parent) return;
  auto& siblings = parent->_sublayers;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [this](const auto& l) { return l.get() == this; }),
                 siblings.end());
  markNeedsDisplay();
}

namespace {
thread_local int transactionDepth = 0;
thread_local bool actionsDisabled = false;
}  // namespace

void CATransaction::begin() { ++transactionDepth; }

void CATransaction::commit() {
  if (transactionDepth == 0) return;
  if (--transactionDepth == 0) actionsDisabled = false;
}

void CATransaction::setDisableActions(bool disable) { actionsDisabled = disable; }
bool CATransaction::disableActions() { return actionsDisabled; }

}  // namespace platform
