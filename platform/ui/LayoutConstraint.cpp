#include "platform/ui/LayoutConstraint.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/View.h"

namespace platform {

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::constraintWithItem(
    const std::shared_ptr<NSView>& first, NSLayoutAttribute attribute, NSLayoutRelation relation,
    const std::shared_ptr<NSView>& second, NSLayoutAttribute secondAttribute, CGFloat multiplier, CGFloat constant) {
  std::shared_ptr<NSLayoutConstraint> c(new NSLayoutConstraint());
  c->_first = first;
  c->_second = second;
  c->_firstAttribute = attribute;
  c->_secondAttribute = secondAttribute;
  c->_relation = relation;
  c->_multiplier = multiplier;
  c->_constant = constant;
  return c;
}

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::equalConstant(const std::shared_ptr<NSView>& view,
                                                                      NSLayoutAttribute dimension, CGFloat constant) {
  return constraintWithItem(view, dimension, NSLayoutRelation::equal, nullptr, NSLayoutAttribute::notAnAttribute, 1,
                            constant);
}

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::equal(const std::shared_ptr<NSView>& first,
                                                              NSLayoutAttribute attribute,
                                                              const std::shared_ptr<NSView>& second) {
  return constraintWithItem(first, attribute, NSLayoutRelation::equal, second, attribute, 1, 0);
}

std::shared_ptr<NSLayoutConstraint> NSLayoutConstraint::lessThanOrEqual(const std::shared_ptr<NSView>& first,
                                                                        NSLayoutAttribute dimension,
                                                                        const std::shared_ptr<NSView>& second,
                                                                        CGFloat multiplier) {
  return constraintWithItem(first, dimension, NSLayoutRelation::lessThanOrEqual, second, dimension, multiplier, 0);
}

void NSLayoutConstraint::activateConstraints(const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints) {
  for (const auto& c : constraints) {
    if (!c || c->_active) continue;
    auto first = c->_first.lock();
    if (!first) continue;
    c->_active = true;
    first->addConstraint(c);
  }
}

CGFloat constantDimension(const NSView& view, NSLayoutAttribute dimension) {
  for (const auto& c : view.constraints()) {
    if (c->firstAttribute() == dimension && c->relation() == NSLayoutRelation::equal && !c->secondItem())
      return c->constant();
  }
  return -1;
}

namespace {

CGFloat sizeAlong(CGSize s, NSLayoutAttribute a) { return a == NSLayoutAttribute::width ? s.width : s.height; }

// The other item's size or centre in the parent's coordinates; false when it is neither the
// parent nor a sibling.
bool geometryOf(const NSView& item, const NSView& parent, CGRect& rect) {
  if (&item == &parent) {
    rect = parent.bounds();
    return true;
  }
  if (item.superview().get() == &parent) {
    rect = item.frame();
    return true;
  }
  return false;
}

}  // namespace

CGRect constrainedFrame(const NSView& child, const NSView& parent) {
  CGRect frame = child.frame();
  frame.size = child.fittingSize();
  for (const auto& c : child.constraints()) {
    auto other = c->secondItem();
    const auto a = c->firstAttribute();
    if (!other || (a != NSLayoutAttribute::width && a != NSLayoutAttribute::height)) continue;
    CGRect rect;
    if (!geometryOf(*other, parent, rect)) continue;
    const CGFloat limit = sizeAlong(rect.size, c->secondAttribute()) * c->multiplier() + c->constant();
    CGFloat& length = a == NSLayoutAttribute::width ? frame.size.width : frame.size.height;
    if (c->relation() == NSLayoutRelation::lessThanOrEqual) length = std::min(length, limit);
    if (c->relation() == NSLayoutRelation::greaterThanOrEqual) length = std::max(length, limit);
    if (c->relation() == NSLayoutRelation::equal) length = limit;
  }
  for (const auto& c : child.constraints()) {
    auto other = c->secondItem();
    const auto a = c->firstAttribute();
    if (!other || c->relation() != NSLayoutRelation::equal) continue;
    if (a != NSLayoutAttribute::centerX && a != NSLayoutAttribute::centerY) continue;
    CGRect rect;
    if (!geometryOf(*other, parent, rect)) continue;
    const bool alongX = c->secondAttribute() == NSLayoutAttribute::centerX;
    const CGFloat centre = (alongX ? CGRectGetMidX(rect) : CGRectGetMidY(rect)) * c->multiplier() + c->constant();
    // Centred views land on whole points, so their edges (and hairlines) stay sharp.
    if (a == NSLayoutAttribute::centerX)
      frame.origin.x = std::round(centre - frame.size.width / 2);
    else
      frame.origin.y = std::round(centre - frame.size.height / 2);
  }
  return frame;
}

}  // namespace platform
