#include "platform/ui/GestureRecognizer.h"

#include <cmath>

#include "platform/ui/View.h"

namespace platform {

namespace {
CGFloat distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

CGPoint NSGestureRecognizer::locationInView(const NSView* view) const {
  return view ? view->convertPointFromView(_currentLocation, nullptr) : _currentLocation;
}

void NSGestureRecognizer::setState(NSGestureRecognizerState state) {
  _state = state;
  if (_action) {
    // The action may drop the last reference to this recogniser (by removing its view).
    auto keepAlive = shared_from_this();
    _action(*this);
  }
}

// MARK: Pan

CGPoint NSPanGestureRecognizer::translationInView(const NSView* view) const {
  if (!view) return {_currentLocation.x - _pressLocation.x, _currentLocation.y - _pressLocation.y};
  const CGPoint from = view->convertPointFromView(_pressLocation, nullptr);
  const CGPoint to = view->convertPointFromView(_currentLocation, nullptr);
  return {to.x - from.x, to.y - from.y};
}

void NSPanGestureRecognizer::mouseDown(const NSEvent& event) {
  if (!isEnabled()) return;
  reset();
  _tracking = true;
  _pressLocation = _currentLocation = event.locationInWindow;
}

void NSPanGestureRecognizer::mouseDragged(const NSEvent& event) {
  if (!_tracking) return;
  _currentLocation = event.locationInWindow;
  if (state() == NSGestureRecognizerStatePossible) {
    if (distance(_pressLocation, _currentLocation) >= kPanThreshold) setState(NSGestureRecognizerStateBegan);
  } else {
    setState(NSGestureRecognizerStateChanged);
  }
}

void NSPanGestureRecognizer::mouseUp(const NSEvent& event) {
  if (!_tracking) return;
  _tracking = false;
  _currentLocation = event.locationInWindow;
  if (state() == NSGestureRecognizerStateBegan || state() == NSGestureRecognizerStateChanged)
    setState(NSGestureRecognizerStateEnded);
  reset();
}

void NSPanGestureRecognizer::cancel() {
  if (!_tracking) return;
  _tracking = false;
  if (state() == NSGestureRecognizerStateBegan || state() == NSGestureRecognizerStateChanged)
    setState(NSGestureRecognizerStateCancelled);
  reset();
}

// MARK: Click

void NSClickGestureRecognizer::mouseDown(const NSEvent& event) {
  if (!isEnabled()) return;
  reset();
  _tracking = true;
  _wandered = false;
  _pressLocation = _currentLocation = event.locationInWindow;
}

void NSClickGestureRecognizer::mouseDragged(const NSEvent& event) {
  if (!_tracking) return;
  _currentLocation = event.locationInWindow;
  if (distance(_pressLocation, _currentLocation) > kPanThreshold) _wandered = true;
}

void NSClickGestureRecognizer::mouseUp(const NSEvent& event) {
  if (!_tracking) return;
  _tracking = false;
  _currentLocation = event.locationInWindow;
  if (!_wandered && event.clickCount == _clicksRequired) setState(NSGestureRecognizerStateRecognized);
  reset();
}

void NSClickGestureRecognizer::cancel() {
  _tracking = false;
  reset();
}

}  // namespace platform
