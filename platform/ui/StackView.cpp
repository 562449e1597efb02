#include "platform/ui/StackView.h"

#include <algorithm>
#include <cmath>

namespace platform {

std::shared_ptr<NSStackView> NSStackView::initWithFrame(CGRect frame) {
  return std::shared_ptr<NSStackView>(new NSStackView(frame));
}

void NSStackView::setOrientation(NSUserInterfaceLayoutOrientation orientation) {
  _orientation = orientation;
  setNeedsLayout(true);
}

void NSStackView::setAlignment(NSLayoutAttribute alignment) {
  _alignment = alignment;
  setNeedsLayout(true);
}

void NSStackView::setSpacing(CGFloat spacing) {
  _spacing = spacing;
  setNeedsLayout(true);
}

void NSStackView::addArrangedSubview(const std::shared_ptr<NSView>& view) {
  if (!view) return;
  addSubview(view);
  _arranged.push_back(view);
  setNeedsLayout(true);
  if (auto parent = superview()) parent->setNeedsLayout(true);
}

CGSize NSStackView::fittingSize() const {
  const bool vertical = _orientation == NSUserInterfaceLayoutOrientationVertical;
  CGFloat along = 0, across = 0;
  int shown = 0;
  for (const auto& view : _arranged) {
    if (view->isHidden()) continue;
    const CGSize s = view->fittingSize();
    along += vertical ? s.height : s.width;
    across = std::max(across, vertical ? s.width : s.height);
    ++shown;
  }
  if (shown > 1) along += _spacing * (shown - 1);
  CGSize size = vertical ? CGSize{across, along} : CGSize{along, across};
  const CGFloat width = constantDimension(*this, NSLayoutAttribute::width);
  const CGFloat height = constantDimension(*this, NSLayoutAttribute::height);
  if (width >= 0) size.width = width;
  if (height >= 0) size.height = height;
  return size;
}

void NSStackView::layout() {
  NSView::layout();
  const bool vertical = _orientation == NSUserInterfaceLayoutOrientationVertical;
  const CGSize box = bounds().size;
  const bool centred = _alignment == (vertical ? NSLayoutAttribute::centerX : NSLayoutAttribute::centerY);
  CGFloat offset = 0;
  for (const auto& view : _arranged) {
    if (view->isHidden()) continue;
    CGSize s = view->fittingSize();
    if (vertical) {
      s.width = std::min(s.width, box.width);
      const CGFloat x = centred ? std::round((box.width - s.width) / 2) : 0;
      view->setFrame({{x, offset}, s});
      offset += s.height + _spacing;
    } else {
      s.height = std::min(s.height, box.height);
      const CGFloat y = centred ? std::round((box.height - s.height) / 2) : 0;
      view->setFrame({{offset, y}, s});
      offset += s.width + _spacing;
    }
  }
}

}  // namespace platform
