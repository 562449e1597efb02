#pragma once
// Views: a rectangle in the superview's coordinates (frame) with its own coordinate system
// (bounds, origin at the bottom left, or at the top left when flipped), subviews drawn over it
// in order, an optional backing layer, autoresizing of subviews when the size changes and a
// layout pass right after every size change.
#include <memory>
#include <vector>

#include "platform/ui/Event.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Layer.h"

namespace platform {

class NSWindow;
class NSViewController;
class NSGestureRecognizer;
class NSLayoutConstraint;

enum NSAutoresizingMaskOptions : unsigned {
  NSViewNotSizable = 0,
  NSViewMinXMargin = 1,
  NSViewWidthSizable = 2,
  NSViewMaxXMargin = 4,
  NSViewMinYMargin = 8,
  NSViewHeightSizable = 16,
  NSViewMaxYMargin = 32,
};

inline constexpr CGFloat NSViewNoIntrinsicMetric = -1;

class NSView : public std::enable_shared_from_this<NSView> {
public:
  static std::shared_ptr<NSView> initWithFrame(CGRect frame);
  virtual ~NSView();
  NSView(const NSView&) = delete;
  NSView& operator=(const NSView&) = delete;

  // Geometry
  CGRect frame() const { return _frame; }
  void setFrame(CGRect frame);
  void setFrameSize(CGSize size) { setFrame({_frame.origin, size}); }
  void setFrameOrigin(CGPoint origin) { setFrame({origin, _frame.size}); }
  CGRect bounds() const { return {{0, 0}, _frame.size}; }
  virtual bool isFlipped() const { return false; }

  // Layer backing: true creates the backing layer, which covers the bounds.
  bool wantsLayer() const { return _wantsLayer; }
  void setWantsLayer(bool wants);
  std::shared_ptr<CALayer> layer() const { return _layer; }

  // Hierarchy
  void addSubview(const std::shared_ptr<NSView>& view);
  void removeFromSuperview();
  const std::vector<std::shared_ptr<NSView>>& subviews() const { return _subviews; }
  std::shared_ptr<NSView> superview() const { return _superview.lock(); }
  std::shared_ptr<NSWindow> window() const;
  bool isHidden() const { return _hidden; }
  void setHidden(bool hidden);

  // Autoresizing and constraints
  unsigned autoresizingMask() const { return _autoresizingMask; }
  void setAutoresizingMask(unsigned mask) { _autoresizingMask = mask; }
  bool translatesAutoresizingMaskIntoConstraints() const { return _translatesAutoresizingMask; }
  void setTranslatesAutoresizingMaskIntoConstraints(bool translates);
  // Activated constraints whose first item is this view.
  const std::vector<std::shared_ptr<NSLayoutConstraint>>& constraints() const { return _constraints; }
  void addConstraint(const std::shared_ptr<NSLayoutConstraint>& constraint);
  // The size the view has by its content alone (labels); NSViewNoIntrinsicMetric where none.
  virtual CGSize intrinsicContentSize() const { return {NSViewNoIntrinsicMetric, NSViewNoIntrinsicMetric}; }
  // The size constraints on this view alone call for; the current size where they say nothing.
  virtual CGSize fittingSize() const;

  // Layout: subclasses override layout() and call the base first; it places the subviews
  // that are positioned by constraints. Runs at once after every size change, and from
  // layoutSubtreeIfNeeded() for views marked as needing it.
  virtual void layout();
  bool needsLayout() const { return _needsLayout; }
  void setNeedsLayout(bool needs);
  void layoutSubtreeIfNeeded();

  // Drawing: override drawRect to paint in the view's own coordinates with the current context.
  virtual void drawRect(CGRect dirtyRect);
  void setNeedsDisplay(bool needs);

  // Events: the deepest visible view under a point given in the superview's coordinates.
  std::shared_ptr<NSView> hitTest(CGPoint pointInSuperview);
  virtual void mouseDown(const NSEvent& event);
  virtual void mouseDragged(const NSEvent& event);
  virtual void mouseUp(const NSEvent& event);
  void addGestureRecognizer(const std::shared_ptr<NSGestureRecognizer>& recognizer);
  const std::vector<std::shared_ptr<NSGestureRecognizer>>& gestureRecognizers() const { return _recognizers; }

  // Coordinate conversion; a null view means window coordinates.
  CGPoint convertPointFromView(CGPoint point, const NSView* view) const;
  CGPoint convertPointToView(CGPoint point, const NSView* view) const;
  CGPoint convertPointFromSuperview(CGPoint point) const;
  CGPoint convertPointToSuperview(CGPoint point) const;

protected:
  explicit NSView(CGRect frame);

private:
  friend class NSWindow;
  friend class NSViewController;
  void performLayout();
  void resizeSubviewsWithOldSize(CGSize oldSize);
  void syncBackingLayer();

  CGRect _frame;
  bool _wantsLayer = false;
  std::shared_ptr<CALayer> _layer;
  std::vector<std::shared_ptr<NSView>> _subviews;
  std::weak_ptr<NSView> _superview;
  std::weak_ptr<NSWindow> _window;  // set on the window's content view only
  std::weak_ptr<NSViewController> _controller;
  bool _hidden = false;
  unsigned _autoresizingMask = NSViewNotSizable;
  bool _translatesAutoresizingMask = true;
  std::vector<std::shared_ptr<NSLayoutConstraint>> _constraints;
  bool _needsLayout = true;
  std::vector<std::shared_ptr<NSGestureRecognizer>> _recognizers;
};

// Owns a view, loading it on first request; hears about every layout of that view.
class NSViewController : public std::enable_shared_from_this<NSViewController> {
public:
  NSViewController() = default;
  virtual ~NSViewController() = default;

  // Loads the view on first use: loadView(), then viewDidLoad().
  std::shared_ptr<NSView> view();
  void setView(const std::shared_ptr<NSView>& view);
  bool isViewLoaded() const { return _view != nullptr; }
  CGSize preferredContentSize() const { return _preferredContentSize; }
  void setPreferredContentSize(CGSize size) { _preferredContentSize = size; }

  virtual void loadView();
  virtual void viewDidLoad() {}
  // Called after every layout pass of the view.
  virtual void viewDidLayout() {}

private:
  std::shared_ptr<NSView> _view;
  CGSize _preferredContentSize;
};

}  // namespace platform
