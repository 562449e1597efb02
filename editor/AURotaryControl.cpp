#include "editor/AURotaryControl.h"

#include <cmath>
#include <numbers>

#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"

namespace drollicant {
using namespace platform;

namespace {

constexpr double kInverseSquareRootOfTwo = 0.7071067811865476;
// The degrees-per-radian divisor the knob has always turned with: one unit in the last place
// below the single-precision pi. Kept so a drag lands on the same values as before.
constexpr float kDragPi = 3.1415925f;
constexpr CGFloat kUnderlayInset = 2;
constexpr CGFloat kPointerWidth = 2;
constexpr CGFloat kPointerTipInset = 4;

// Shows a picture scaled over the whole layer: a bitmap at the display's pixel density.
void setLayerPicture(CALayer& layer, const std::shared_ptr<NSImage>& picture) {
  layer.setContents(picture ? picture->CGImageForProposedRect(nullptr, nullptr, nullptr) : nullptr);
}

}  // namespace

std::shared_ptr<AURotaryControl> AURotaryControl::initWithFrame(CGRect frame) {
  std::shared_ptr<AURotaryControl> control(new AURotaryControl(frame));
  control->commonSetUp();
  return control;
}

void AURotaryControl::commonSetUp() {
  setWantsLayer(true);
  if (auto backing = layer()) backing->addSublayer(underlayLayer);
  if (auto backing = layer()) backing->addSublayer(overlayLayer);
  auto self = std::static_pointer_cast<AURotaryControl>(shared_from_this());
  addGestureRecognizer(NSPanGestureRecognizer::initWithTarget(self, &AURotaryControl::handleDrag));
  auto doubleClick = NSClickGestureRecognizer::initWithTarget(self, &AURotaryControl::handleDoubleClick);
  doubleClick->setNumberOfClicksRequired(2);
  addGestureRecognizer(doubleClick);
  layoutLayers();
}

void AURotaryControl::setValue(float newValue) {
  float clamped = newValue > upperBound ? upperBound : newValue;
  clamped = clamped >= lowerBound ? clamped : lowerBound;  // not-a-number ends here as lowerBound
  if (clamped == _value) return;
  _value = clamped;
  turnOverlayToValue();
  if (onValueChanged) onValueChanged();
}

float AURotaryControl::angleForValue(float v) const {
  // Equal bounds would divide by zero: such a knob sits at its low end.
  if (upperBound == lowerBound) return lowAngle;
  return lowAngle + (v - lowerBound) * (highAngle - lowAngle) / (upperBound - lowerBound);
}

float AURotaryControl::valueForAngle(float angle) const {
  if (highAngle == lowAngle) return lowerBound;
  return lowerBound + (angle - lowAngle) * (upperBound - lowerBound) / (highAngle - lowAngle);
}

float AURotaryControl::valueForClampedAngle(float angle) const {
  if (!(angle >= lowAngle)) angle = lowAngle;
  if (!(angle < highAngle)) angle = highAngle;
  return valueForAngle(angle);
}

void AURotaryControl::turnOverlayToValue() {
  const double radians = double(angleForValue(_value)) * std::numbers::pi / 180.0;
  CATransaction::begin();
  CATransaction::setDisableActions(true);
  overlayLayer->setTransform(CATransform3DMakeRotation(radians, 0, 0, 1));
  CATransaction::commit();
}

void AURotaryControl::layout() {
  NSView::layout();
  layoutLayers();
}

void AURotaryControl::layoutLayers() {
  const CGRect area = bounds();
  const CGFloat w = CGRectGetWidth(area), h = CGRectGetHeight(area);
  if (!(w > 0) || !(h > 0)) return;
  const CGPoint centre{CGRectGetMidX(area), CGRectGetMidY(area)};
  const CGSize size{w, h};
  CATransaction::begin();
  CATransaction::setDisableActions(true);
  underlayLayer->setBounds(area);
  underlayLayer->setPosition(centre);
  setLayerPicture(*underlayLayer, underlayImageProvider ? underlayImageProvider(size) : defaultUnderlay(size));
  overlayLayer->setBounds(area);
  overlayLayer->setPosition(centre);
  setLayerPicture(*overlayLayer, overlayImageProvider ? overlayImageProvider(size) : defaultOverlay(size));
  CATransaction::commit();
  turnOverlayToValue();
}

void AURotaryControl::handleDrag(NSPanGestureRecognizer* recognizer) {
  switch (recognizer->state()) {
    case NSGestureRecognizerStateBegan:
      dragHome = angleForValue(_value);
      if (onDragBegan) onDragBegan();
      break;
    case NSGestureRecognizerStateChanged: {
      // The translation is the whole way since the press, so each step starts from dragHome.
      const CGPoint t = recognizer->translationInView(this);
      const double turn = (t.x - t.y) * kInverseSquareRootOfTwo / (CGRectGetWidth(bounds()) * speedFraction);
      const float angle = dragHome + float(turn) * 180.0f / kDragPi;
      setValue(valueForClampedAngle(angle));
      break;
    }
    case NSGestureRecognizerStateEnded:
      if (onDragEnded) onDragEnded();
      break;
    case NSGestureRecognizerStateCancelled:
      setValue(valueForClampedAngle(dragHome));
      if (onDragEnded) onDragEnded();
      break;
    default:
      break;
  }
}

void AURotaryControl::handleDoubleClick(NSClickGestureRecognizer*) { setValue(resetValue); }

std::shared_ptr<NSImage> AURotaryControl::defaultUnderlay(CGSize size) {
  auto image = NSImage::initWithSize(size);
  image->lockFocus();
  NSColor::darkGrayColor().setFill();
  NSBezierPath::bezierPathWithOvalInRect(CGRectInset({{0, 0}, size}, kUnderlayInset, kUnderlayInset)).fill();
  image->unlockFocus();
  return image;
}

std::shared_ptr<NSImage> AURotaryControl::defaultOverlay(CGSize size) {
  auto image = NSImage::initWithSize(size);
  image->lockFocus();
  NSColor::whiteColor().setStroke();
  NSBezierPath pointer;
  pointer.setLineWidth(kPointerWidth);
  pointer.moveToPoint({size.width * 0.5, size.height * 0.5});
  pointer.lineToPoint({size.width * 0.5, kPointerTipInset});
  pointer.stroke();
  image->unlockFocus();
  return image;
}

}  // namespace drollicant
