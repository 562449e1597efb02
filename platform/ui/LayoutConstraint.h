#pragma once
// Layout constraints, as far as the application's window needs them: a view's width or height
// equal to a constant, its width or height at most a multiple of another view's, and its
// centre (x or y) equal to another view's centre, its origin rounded to a whole point. A
// constraint takes effect when activated; the superview's layout pass places its constrained
// subviews by them.
#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"

namespace platform {

class NSView;

enum class NSLayoutAttribute {
  notAnAttribute = 0,
  width = 7,
  height = 8,
  centerX = 9,
  centerY = 10,
};

enum class NSLayoutRelation { lessThanOrEqual = -1, equal = 0, greaterThanOrEqual = 1 };

class NSLayoutConstraint {
public:
  // first.attribute (relation) second.secondAttribute × multiplier + constant; a null second
  // item makes it first.attribute (relation) constant.
  static std::shared_ptr<NSLayoutConstraint> constraintWithItem(const std::shared_ptr<NSView>& first,
                                                                NSLayoutAttribute attribute, NSLayoutRelation relation,
                                                                const std::shared_ptr<NSView>& second,
                                                                NSLayoutAttribute secondAttribute, CGFloat multiplier,
                                                                CGFloat constant);
  // Shorthands for the forms above.
  static std::shared_ptr<NSLayoutConstraint> equalConstant(const std::shared_ptr<NSView>& view,
                                                           NSLayoutAttribute dimension, CGFloat constant);
  static std::shared_ptr<NSLayoutConstraint> equal(const std::shared_ptr<NSView>& first, NSLayoutAttribute attribute,
                                                   const std::shared_ptr<NSView>& second);
  static std::shared_ptr<NSLayoutConstraint> lessThanOrEqual(const std::shared_ptr<NSView>& first,
                                                             NSLayoutAttribute dimension,
                                                             const std::shared_ptr<NSView>& second, CGFloat multiplier);

  static void activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints);
  bool isActive() const { return _active; }

  std::shared_ptr<NSView> firstItem() const { return _first.lock(); }
  std::shared_ptr<NSView> secondItem() const { return _second.lock(); }
  NSLayoutAttribute firstAttribute() const { return _firstAttribute; }
  NSLayoutAttribute secondAttribute() const { return _secondAttribute; }
  NSLayoutRelation relation() const { return _relation; }
  CGFloat multiplier() const { return _multiplier; }
  CGFloat constant() const { return _constant; }

private:
  NSLayoutConstraint() = default;
  std::weak_ptr<NSView> _first;
  std::weak_ptr<NSView> _second;
  NSLayoutAttribute _firstAttribute = NSLayoutAttribute::notAnAttribute;
  NSLayoutAttribute _secondAttribute = NSLayoutAttribute::notAnAttribute;
  NSLayoutRelation _relation = NSLayoutRelation::equal;
  CGFloat _multiplier = 1;
  CGFloat _constant = 0;
  bool _active = false;
};

// The frame the constraints of `child` give it inside `parent` (its superview); the current
// frame where they say nothing.
CGRect constrainedFrame(const NSView& child, const NSView& parent);

// The width or height an "equal to a constant" constraint of the view fixes, or a negative value.
CGFloat constantDimension(const NSView& view, NSLayoutAttribute dimension);

}  // namespace platform
