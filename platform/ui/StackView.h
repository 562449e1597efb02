#pragma once
// A stack of arranged subviews, one after the other (top to bottom when vertical, left to right
// when horizontal) with fixed spacing, each at its fitting size and aligned across the stack.
// The stack's own fitting size encloses them, so constraints can centre it as a group.
#include <memory>
#include <vector>

#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/View.h"

namespace platform {

enum NSUserInterfaceLayoutOrientation : int {
  NSUserInterfaceLayoutOrientationHorizontal = 0,
  NSUserInterfaceLayoutOrientationVertical = 1,
};

class NSStackView : public NSView {
public:
  static std::shared_ptr<NSStackView> initWithFrame(CGRect frame);

  void setOrientation(NSUserInterfaceLayoutOrientation orientation);
  NSUserInterfaceLayoutOrientation orientation() const { return _orientation; }
  // centerX (or centerY for horizontal stacks) centres on a whole point; width/height or anything else
  // aligns to the leading (top) edge.
  void setAlignment(NSLayoutAttribute alignment);
  NSLayoutAttribute alignment() const { return _alignment; }
  void setSpacing(CGFloat spacing);
  CGFloat spacing() const { return _spacing; }

  void addArrangedSubview(const std::shared_ptr<NSView>& view);
  const std::vector<std::shared_ptr<NSView>>& arrangedSubviews() const { return _arranged; }

  CGSize fittingSize() const override;
  bool isFlipped() const override { return true; }
  void layout() override;

protected:
  explicit NSStackView(CGRect frame) : NSView(frame) {}

private:
  NSUserInterfaceLayoutOrientation _orientation = NSUserInterfaceLayoutOrientationHorizontal;
  NSLayoutAttribute _alignment = NSLayoutAttribute::centerY;
  CGFloat _spacing = 8;
  std::vector<std::shared_ptr<NSView>> _arranged;
};

}  // namespace platform
