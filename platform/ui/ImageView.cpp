#include "platform/ui/ImageView.h"

#include <algorithm>

#include "platform/ui/Redisplay.h"

namespace platform {

CGRect scaledImageRect(CGSize image, CGRect bounds, NSImageScaling scaling) {
  if (!(image.width > 0) || !(image.height > 0)) return {};
  CGSize size = image;
  const double fit = std::min(bounds.size.width / image.width, bounds.size.height / image.height);
  switch (scaling) {
    case NSImageScaleAxesIndependently:
      return bounds;
    case NSImageScaleNone:
      break;
    case NSImageScaleProportionallyDown:
      if (fit < 1) size = {image.width * fit, image.height * fit};
      break;
    case NSImageScaleProportionallyUpOrDown:
      size = {image.width * fit, image.height * fit};
      break;
  }
  return {{bounds.origin.x + (bounds.size.width - size.width) / 2,
           bounds.origin.y + (bounds.size.height - size.height) / 2},
          size};
}

std::shared_ptr<NSImageView> NSImageView::initWithFrame(CGRect frame) {
  return std::shared_ptr<NSImageView>(new NSImageView(frame));
}

std::shared_ptr<NSImageView> NSImageView::imageViewWithImage(const std::shared_ptr<NSImage>& image) {
  auto view = initWithFrame(image ? CGRect{{0, 0}, image->size()} : CGRect{});
  view->setImage(image);
  return view;
}

void NSImageView::setImage(std::shared_ptr<NSImage> image) {
  _image = std::move(image);
  markNeedsDisplay();
}

void NSImageView::setImageScaling(NSImageScaling scaling) {
  _scaling = scaling;
  markNeedsDisplay();
}

void NSImageView::drawRect(CGRect) {
  if (!_image) return;
  const CGRect rect = scaledImageRect(_image->size(), bounds(), _scaling);
  if (rect.size.width > 0 && rect.size.height > 0) _image->drawInRect(rect);
}

}  // namespace platform
