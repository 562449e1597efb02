#pragma once
// Gesture recognisers attached to a view. The window hands them the pointer events of presses
// that start over their view (or one of its subviews); tests may call the event methods
// directly with synthesised events. The action goes to the target on every state change.
//
// Pan: state 1 (began) once the pointer has moved kPanThreshold points from the press, 2
// (changed) on every further movement, 3 (ended) on release, 4 (cancelled) on cancel() (the
// window cancels on Escape and when the pointer grab is lost). The translation is the total
// displacement since the press, in the asked view's coordinates (y downward in a flipped view).
//
// Click: recognised (state 3) on a release whose click count equals numberOfClicksRequired and
// which did not wander more than kPanThreshold points from its press; so a recogniser that needs
// two clicks fires once per double-click.
#include <functional>
#include <memory>

#include "platform/ui/Event.h"
#include "platform/ui/Geometry.h"

namespace platform {

class NSView;

enum NSGestureRecognizerState : int {
  NSGestureRecognizerStatePossible = 0,
  NSGestureRecognizerStateBegan = 1,
  NSGestureRecognizerStateChanged = 2,
  NSGestureRecognizerStateEnded = 3,
  NSGestureRecognizerStateCancelled = 4,
  NSGestureRecognizerStateFailed = 5,
  NSGestureRecognizerStateRecognized = NSGestureRecognizerStateEnded,
};

class NSGestureRecognizer : public std::enable_shared_from_this<NSGestureRecognizer> {
public:
  static constexpr CGFloat kPanThreshold = 2.0;
  using Action = std::function<void(NSGestureRecognizer&)>;

  virtual ~NSGestureRecognizer() = default;

  NSGestureRecognizerState state() const { return _state; }
  std::shared_ptr<NSView> view() const { return _view.lock(); }
  bool isEnabled() const { return _enabled; }
  void setEnabled(bool enabled) { _enabled = enabled; }
  // Where the pointer is now, in the view's coordinates (null: window coordinates).
  CGPoint locationInView(const NSView* view) const;

  // The target is held weakly; the action is a member function of the target's class taking
  // the recogniser. setActionHandler is the same without a target.
  template <class Target, class Recognizer>
  void setTarget(const std::shared_ptr<Target>& target, void (Target::*action)(Recognizer*)) {
    std::weak_ptr<Target> weak = target;
    _action = [weak, action](NSGestureRecognizer& r) {
      if (auto t = weak.lock()) ((*t).*action)(static_cast<Recognizer*>(&r));
    };
  }
  void setActionHandler(Action action) { _action = std::move(action); }

  // Event entry points.
  virtual void mouseDown(const NSEvent& event) = 0;
  virtual void mouseDragged(const NSEvent& event) = 0;
  virtual void mouseUp(const NSEvent& event) = 0;
  virtual void cancel() = 0;

protected:
  NSGestureRecognizer() = default;
  // Stores the state and sends the action.
  void setState(NSGestureRecognizerState state);
  // Back to possible without an action, ready for the next press.
  void reset() { _state = NSGestureRecognizerStatePossible; }

  CGPoint _pressLocation;    // window coordinates
  CGPoint _currentLocation;  // window coordinates
  bool _tracking = false;

private:
  friend class NSView;
  NSGestureRecognizerState _state = NSGestureRecognizerStatePossible;
  std::weak_ptr<NSView> _view;
  bool _enabled = true;
  Action _action;
};

class NSPanGestureRecognizer : public NSGestureRecognizer {
public:
  template <class Target>
  static std::shared_ptr<NSPanGestureRecognizer> initWithTarget(const std::shared_ptr<Target>& target,
                                                                void (Target::*action)(NSPanGestureRecognizer*)) {
    std::shared_ptr<NSPanGestureRecognizer> r(new NSPanGestureRecognizer());
    r->setTarget(target, action);
    return r;
  }
  static std::shared_ptr<NSPanGestureRecognizer> make() {
    return std::shared_ptr<NSPanGestureRecognizer>(new NSPanGestureRecognizer());
  }

  // Total displacement since the press, in the view's coordinates (null: window coordinates).
  CGPoint translationInView(const NSView* view) const;

  void mouseDown(const NSEvent& event) override;
  void mouseDragged(const NSEvent& event) override;
  void mouseUp(const NSEvent& event) override;
  void cancel() override;

private:
  NSPanGestureRecognizer() = default;
};

class NSClickGestureRecognizer : public NSGestureRecognizer {
public:
  template <class Target>
  static std::shared_ptr<NSClickGestureRecognizer> initWithTarget(const std::shared_ptr<Target>& target,
                                                                  void (Target::*action)(NSClickGestureRecognizer*)) {
    std::shared_ptr<NSClickGestureRecognizer> r(new NSClickGestureRecognizer());
    r->setTarget(target, action);
    return r;
  }
  static std::shared_ptr<NSClickGestureRecognizer> make() {
    return std::shared_ptr<NSClickGestureRecognizer>(new NSClickGestureRecognizer());
  }

  int numberOfClicksRequired() const { return _clicksRequired; }
  void setNumberOfClicksRequired(int clicks) { _clicksRequired = clicks > 0 ? clicks : 1; }

  void mouseDown(const NSEvent& event) override;
  void mouseDragged(const NSEvent& event) override;
  void mouseUp(const NSEvent& event) override;
  void cancel() override;

private:
  NSClickGestureRecognizer() = default;
  int _clicksRequired = 1;
  bool _wandered = false;
};

}  // namespace platform
