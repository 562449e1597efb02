#include "platform/ui/Button.h"

#include "platform/ui/Redisplay.h"

namespace platform {

std::shared_ptr<NSButton> NSButton::initWithFrame(CGRect frame) {
  return std::shared_ptr<NSButton>(new NSButton(frame));
}

void NSButton::setImage(std::shared_ptr<NSImage> image) {
  _image = std::move(image);
  markNeedsDisplay();
}

void NSButton::setAlternateImage(std::shared_ptr<NSImage> image) {
  _alternateImage = std::move(image);
  markNeedsDisplay();
}

void NSButton::setImageScaling(NSImageScaling scaling) {
  _scaling = scaling;
  markNeedsDisplay();
}

void NSButton::setState(long state) {
  _state = state == NSControlStateValueOff ? NSControlStateValueOff : NSControlStateValueOn;
  markNeedsDisplay();
}

bool NSButton::toggles() const {
  return _type == NSButtonTypePushOnPushOff || _type == NSButtonTypeToggle || _type == NSButtonTypeSwitch ||
         _type == NSButtonTypeRadio || _type == NSButtonTypeOnOff;
}

void NSButton::performClick() {
  if (toggles()) setState(_state == NSControlStateValueOn ? NSControlStateValueOff : NSControlStateValueOn);
  sendAction();
}

void NSButton::sendAction() {
  auto target = _target.lock();
  if (!target || !_action) return;
  auto keepAlive = shared_from_this();
  _action(target.get(), this);
}

std::shared_ptr<NSImage> NSButton::displayedImage() const {
  if (_state == NSControlStateValueOn && _alternateImage) return _alternateImage;
  return _image;
}

void NSButton::drawRect(CGRect) {
  auto image = displayedImage();
  if (!image) return;
  const CGRect rect = scaledImageRect(image->size(), bounds(), _scaling);
  if (rect.size.width > 0 && rect.size.height > 0) image->drawInRect(rect);
}

void NSButton::mouseDown(const NSEvent&) { _pressed = true; }

void NSButton::mouseUp(const NSEvent& event) {
  if (!_pressed) return;
  _pressed = false;
  if (CGRectContainsPoint(bounds(), convertPointFromView(event.locationInWindow, nullptr))) performClick();
}

}  // namespace platform
