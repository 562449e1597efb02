#include "platform/ui/View.h"

#include <algorithm>

#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/Redisplay.h"
#include "platform/ui/Window.h"

namespace platform {

namespace {

// Shares a change of the superview's length among the flexible parts of one axis (leading
// margin, length, trailing margin) in proportion to their current sizes.
void autoresizeAxis(CGFloat& origin, CGFloat& length, CGFloat oldParent, CGFloat newParent, bool flexibleMin,
                    bool flexibleLength, bool flexibleMax) {
  const CGFloat delta = newParent - oldParent;
  const CGFloat minMargin = origin, maxMargin = oldParent - origin - length;
  const int count = int(flexibleMin) + int(flexibleLength) + int(flexibleMax);
  if (count == 0 || delta == 0) return;
  CGFloat total = 0;
  if (flexibleMin) total += std::max<CGFloat>(minMargin, 0);
  if (flexibleLength) total += std::max<CGFloat>(length, 0);
  if (flexibleMax) total += std::max<CGFloat>(maxMargin, 0);
  auto share = [&](bool flexible, CGFloat part) -> CGFloat {
    if (!flexible) return 0;
    return total > 0 ? delta * std::max<CGFloat>(part, 0) / total : delta / count;
  };
  origin += share(flexibleMin, minMargin);
  length += share(flexibleLength, length);
  if (length < 0) length = 0;
}

}  // namespace

std::shared_ptr<NSView> NSView::initWithFrame(CGRect frame) { return std::shared_ptr<NSView>(new NSView(frame)); }

NSView::NSView(CGRect frame) : _frame(frame) {}

NSView::~NSView() = default;

void NSView::setFrame(CGRect frame) {
  const CGSize oldSize = _frame.size;
  if (frame == _frame) return;
  _frame = frame;
  syncBackingLayer();
  markNeedsDisplay();
  if (frame.size == oldSize) return;
  resizeSubviewsWithOldSize(oldSize);
  performLayout();
}

void NSView::setWantsLayer(bool wants) {
  _wantsLayer = wants;
  if (wants && !_layer) {
    _layer = CALayer::layer();
    syncBackingLayer();
  }
  markNeedsDisplay();
}

void NSView::syncBackingLayer() {
  if (!_layer) return;
  _layer->setBounds(bounds());
  _layer->setPosition({CGRectGetMidX(bounds()), CGRectGetMidY(bounds())});
}

void NSView::addSubview(const std::shared_ptr<NSView>& view) {
  if (!view || view.get() == this) return;
  view->removeFromSuperview();
  _subviews.push_back(view);
  view->_superview = weak_from_this();
  setNeedsLayout(true);
  markNeedsDisplay();
}

void NSView::removeFromSuperview() {
  auto parent = _superview.lock();
  _superview.reset();
  if (!parent) return;
  auto& siblings = parent->_subviews;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [this](const auto& v) { return v.get() == this; }),
                 siblings.end());
  markNeedsDisplay();
}

std::shared_ptr<NSWindow> NSView::window() const {
  const NSView* view = this;
  while (auto parent = view->superview()) view = parent.get();
  return view->_window.lock();
}

void NSView::setHidden(bool hidden) {
  _hidden = hidden;
  markNeedsDisplay();
}

void NSView::setTranslatesAutoresizingMaskIntoConstraints(bool translates) {
  _translatesAutoresizingMask = translates;
  if (auto parent = superview()) parent->setNeedsLayout(true);
}

void NSView::addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint) {
  _constraints.push_back(constraint);
  setNeedsLayout(true);
  if (auto parent = superview()) parent->setNeedsLayout(true);
}

CGSize NSView::fittingSize() const {
  CGSize size = _frame.size;
  const CGSize intrinsic = intrinsicContentSize();
  if (intrinsic.width >= 0) size.width = intrinsic.width;
  if (intrinsic.height >= 0) size.height = intrinsic.height;
  const CGFloat width = constantDimension(*this, NSLayoutAttribute::width);
  const CGFloat height = constantDimension(*this, NSLayoutAttribute::height);
  if (width >= 0) size.width = width;
  if (height >= 0) size.height = height;
  return size;
}

void NSView::layout() {
  for (const auto& child : _subviews) {
    if (!child->translatesAutoresizingMaskIntoConstraints()) child->setFrame(constrainedFrame(*child, *this));
  }
}

void NSView::setNeedsLayout(bool needs) { _needsLayout = needs; }

void NSView::performLayout() {
  _needsLayout = false;
  layout();
  if (auto controller = _controller.lock()) controller->viewDidLayout();
}

void NSView::layoutSubtreeIfNeeded() {
  if (_needsLayout) performLayout();
  // Copied: a layout may rearrange the subviews.
  const auto children = _subviews;
  for (const auto& child : children) child->layoutSubtreeIfNeeded();
}

void NSView::resizeSubviewsWithOldSize(CGSize oldSize) {
  const auto children = _subviews;
  for (const auto& child : children) {
    const unsigned mask = child->_autoresizingMask;
    if (!child->_translatesAutoresizingMask || mask == NSViewNotSizable) continue;
    CGRect f = child->_frame;
    autoresizeAxis(f.origin.x, f.size.width, oldSize.width, _frame.size.width, mask & NSViewMinXMargin,
                   mask & NSViewWidthSizable, mask & NSViewMaxXMargin);
    autoresizeAxis(f.origin.y, f.size.height, oldSize.height, _frame.size.height, mask & NSViewMinYMargin,
                   mask & NSViewHeightSizable, mask & NSViewMaxYMargin);
    child->setFrame(f);
  }
}

void NSView::drawRect(CGRect) {}

void NSView::setNeedsDisplay(bool needs) {
  if (needs) markNeedsDisplay();
}

std::shared_ptr<NSView> NSView::hitTest(CGPoint pointInSuperview) {
  if (_hidden) return nullptr;
  const CGPoint local = convertPointFromSuperview(pointInSuperview);
  if (!CGRectContainsPoint(bounds(), local)) return nullptr;
  for (auto it = _subviews.rbegin(); it != _subviews.rend(); ++it) {
    if (auto hit = (*it)->hitTest(local)) return hit;
  }
  return shared_from_this();
}

void NSView::mouseDown(const NSEvent&) {}
void NSView::mouseDragged(const NSEvent&) {}
void NSView::mouseUp(const NSEvent&) {}

void NSView::addGestureRecognizer(const std::shared_ptr<NSGestureRecognizer>& recognizer) {
  if (!recognizer) return;
  recognizer->_view = weak_from_this();
  _recognizers.push_back(recognizer);
}

// The top-level view's superview space is window space, whose y grows upward.
CGPoint NSView::convertPointFromSuperview(CGPoint p) const {
  auto parent = superview();
  const bool parentFlipped = parent ? parent->isFlipped() : false;
  CGPoint local{p.x - _frame.origin.x, p.y - _frame.origin.y};
  if (parentFlipped != isFlipped()) local.y = _frame.size.height - local.y;
  return local;
}

CGPoint NSView::convertPointToSuperview(CGPoint p) const {
  auto parent = superview();
  const bool parentFlipped = parent ? parent->isFlipped() : false;
  CGPoint local = p;
  if (parentFlipped != isFlipped()) local.y = _frame.size.height - local.y;
  return {local.x + _frame.origin.x, local.y + _frame.origin.y};
}

CGPoint NSView::convertPointFromView(CGPoint point, const NSView* view) const {
  CGPoint windowPoint = view ? view->convertPointToView(point, nullptr) : point;
  std::vector<const NSView*> chain;
  for (const NSView* v = this; v; v = v->superview().get()) chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) windowPoint = (*it)->convertPointFromSuperview(windowPoint);
  return windowPoint;
}

CGPoint NSView::convertPointToView(CGPoint point, const NSView* view) const {
  CGPoint p = point;
  for (const NSView* v = this; v; v = v->superview().get()) p = v->convertPointToSuperview(p);
  return view ? view->convertPointFromView(p, nullptr) : p;
}

// MARK: NSViewController

std::shared_ptr<NSView> NSViewController::view() {
  if (!_view) {
    loadView();
    if (!_view) setView(NSView::initWithFrame({}));
    viewDidLoad();
  }
  return _view;
}

void NSViewController::setView(const std::shared_ptr<NSView>& view) {
  if (_view) _view->_controller.reset();
  _view = view;
  if (_view) _view->_controller = weak_from_this();
}

void NSViewController::loadView() { setView(NSView::initWithFrame({})); }

}  // namespace platform
