#pragma once
// A view that shows an image scaled into its bounds.
#include <memory>

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace platform {

enum NSImageScaling : int {
  NSImageScaleProportionallyDown = 0,
  NSImageScaleAxesIndependently = 1,
  NSImageScaleNone = 2,
  NSImageScaleProportionallyUpOrDown = 3,
};

// Where an image of the given size goes inside bounds under the scaling: centred, aspect kept
// for the proportional modes.
CGRect scaledImageRect(CGSize image, CGRect bounds, NSImageScaling scaling);

class NSImageView : public NSView {
public:
  static std::shared_ptr<NSImageView> initWithFrame(CGRect frame);
  // A view whose frame is the image's size at the origin.
  static std::shared_ptr<NSImageView> imageViewWithImage(const std::shared_ptr<NSImage>& image);

  std::shared_ptr<NSImage> image() const { return _image; }
  void setImage(std::shared_ptr<NSImage> image);
  NSImageScaling imageScaling() const { return _scaling; }
  void setImageScaling(NSImageScaling scaling);

  bool isFlipped() const override { return true; }
  void drawRect(CGRect dirtyRect) override;

protected:
  explicit NSImageView(CGRect frame) : NSView(frame) {}

private:
  std::shared_ptr<NSImage> _image;
  NSImageScaling _scaling = NSImageScaleProportionallyDown;
};

}  // namespace platform
