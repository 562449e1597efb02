#pragma once
// The editor's knob: one value between lowerBound and upperBound, shown by turning an overlay
// picture over a fixed underlay through the arc lowAngle..highAngle (degrees, growing
// clockwise on screen). A drag anywhere over the knob turns it, a double-click resets it.
// Main thread only; every closure is called synchronously from the setter or a gesture.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Image.h"
#include "platform/ui/Layer.h"
#include "platform/ui/View.h"

namespace drollicant {

class AURotaryControl : public platform::NSView {
public:
  using ImageProvider = std::function<std::shared_ptr<platform::NSImage>(platform::CGSize)>;
  using Notification = std::function<void()>;

  // The pointer travels this fraction of the knob's width for one radian of turn.
  static constexpr platform::CGFloat kSpeedFraction = 0.25;

  static std::shared_ptr<AURotaryControl> initWithFrame(platform::CGRect frame);

  // Clamps to [lowerBound, upperBound] (not-a-number gives lowerBound); an effective change
  // turns the overlay and then calls onValueChanged.
  float value() const { return _value; }
  void setValue(float newValue);

  // -1 until set.
  int64_t tag() const { return _tag; }
  void setTag(int64_t tag) { _tag = tag; }

  bool isFlipped() const override { return true; }
  // The view's own layout, then the layer layout.
  void layout() override;
  // Fits both layers to the bounds with fresh pictures, then turns the overlay. Does nothing
  // for a bounds without area.
  void layoutLayers();

  void handleDrag(platform::NSPanGestureRecognizer* recognizer);
  void handleDoubleClick(platform::NSClickGestureRecognizer* recognizer);

  // The angle, in degrees, that shows `v`; and the value an angle shows.
  float angleForValue(float v) const;
  float valueForAngle(float angle) const;

  float lowerBound = 0;
  float upperBound = 1;
  float resetValue = 0;
  std::string label;
  int64_t _tag = -1;
  ImageProvider underlayImageProvider;
  ImageProvider overlayImageProvider;
  float lowAngle = -160;
  float highAngle = 160;
  Notification onValueChanged;
  Notification onDragBegan;
  Notification onDragEnded;
  // Storage of `value`; a direct write skips the clamp, the turn and the notification.
  float _value = 0;
  const std::shared_ptr<platform::CALayer> underlayLayer = platform::CALayer::layer();
  const std::shared_ptr<platform::CALayer> overlayLayer = platform::CALayer::layer();
  float dragHome = 0;
  const platform::CGFloat speedFraction = kSpeedFraction;

protected:
  explicit AURotaryControl(platform::CGRect frame) : platform::NSView(frame) {}

private:
  void commonSetUp();
  void turnOverlayToValue();
  // The value of an angle after holding it to the arc's ends.
  float valueForClampedAngle(float angle) const;
  static std::shared_ptr<platform::NSImage> defaultUnderlay(platform::CGSize size);
  static std::shared_ptr<platform::NSImage> defaultOverlay(platform::CGSize size);
};

}  // namespace drollicant
