#pragma once
// Buttons. A click (press and release inside) on a toggle-type button flips its state and then
// sends the action to the target; setState() sends nothing. The button shows `image` while off
// and `alternateImage` (when set) while on, scaled into its bounds. Bezels and titles are not
// drawn: the system uses image-only buttons.
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Image.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"

namespace platform {

enum NSButtonType : int {
  NSButtonTypeMomentaryLight = 0,
  NSButtonTypePushOnPushOff = 1,
  NSButtonTypeToggle = 2,
  NSButtonTypeSwitch = 3,
  NSButtonTypeRadio = 4,
  NSButtonTypeMomentaryChange = 5,
  NSButtonTypeOnOff = 6,
  NSButtonTypeMomentaryPushIn = 7,
};

enum NSControlStateValue : long { NSControlStateValueOff = 0, NSControlStateValueOn = 1 };

enum NSCellImagePosition : int { NSNoImage = 0, NSImageOnly = 1, NSImageLeft = 2 };

class NSButton : public NSView {
public:
  static std::shared_ptr<NSButton> initWithFrame(CGRect frame);

  void setButtonType(NSButtonType type) { _type = type; }
  NSButtonType buttonType() const { return _type; }
  void setBezelStyle(int style) { _bezelStyle = style; }
  int bezelStyle() const { return _bezelStyle; }
  void setTitle(std::string title) { _title = std::move(title); }
  const std::string& title() const { return _title; }
  void setImage(std::shared_ptr<NSImage> image);
  std::shared_ptr<NSImage> image() const { return _image; }
  void setAlternateImage(std::shared_ptr<NSImage> image);
  std::shared_ptr<NSImage> alternateImage() const { return _alternateImage; }
  void setImagePosition(NSCellImagePosition position) { _imagePosition = position; }
  NSCellImagePosition imagePosition() const { return _imagePosition; }
  void setImageScaling(NSImageScaling scaling);
  NSImageScaling imageScaling() const { return _scaling; }
  void setBordered(bool bordered) { _bordered = bordered; }
  bool isBordered() const { return _bordered; }
  void setTag(long tag) { _tag = tag; }
  long tag() const { return _tag; }

  long state() const { return _state; }
  // Sends no action.
  void setState(long state);

  // The target is held weakly; the action is a member function of the target's class.
  template <class Target>
  void setTarget(const std::shared_ptr<Target>& target) {
    _target = std::static_pointer_cast<void>(target);
  }
  template <class Target>
  void setAction(void (Target::*action)(NSButton*)) {
    _action = [action](void* target, NSButton* sender) { (static_cast<Target*>(target)->*action)(sender); };
  }

  // As a click: flips the state of toggling types, then sends the action.
  void performClick();
  // The image shown for the current state.
  std::shared_ptr<NSImage> displayedImage() const;

  bool isFlipped() const override { return true; }
  void drawRect(CGRect dirtyRect) override;
  void mouseDown(const NSEvent& event) override;
  void mouseUp(const NSEvent& event) override;

protected:
  explicit NSButton(CGRect frame) : NSView(frame) {}

private:
  bool toggles() const;
  void sendAction();

  NSButtonType _type = NSButtonTypeMomentaryPushIn;
  int _bezelStyle = 1;
  std::string _title = "Button";
  std::shared_ptr<NSImage> _image;
  std::shared_ptr<NSImage> _alternateImage;
  NSCellImagePosition _imagePosition = NSImageOnly;
  NSImageScaling _scaling = NSImageScaleProportionallyDown;
  bool _bordered = true;
  long _tag = 0;
  long _state = NSControlStateValueOff;
  std::weak_ptr<void> _target;
  std::function<void(void*, NSButton*)> _action;
  bool _pressed = false;
};

}  // namespace platform
