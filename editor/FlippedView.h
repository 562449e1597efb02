#pragma once
// The editor's root view: a plain view measured from its top left corner, y downward.
#include <memory>

#include "platform/ui/View.h"

namespace drollicant {

class FlippedView : public platform::NSView {
public:
  static std::shared_ptr<FlippedView> initWithFrame(platform::CGRect frame) {
    return std::shared_ptr<FlippedView>(new FlippedView(frame));
  }
  bool isFlipped() const override { return true; }

protected:
  explicit FlippedView(platform::CGRect frame) : platform::NSView(frame) {}
};

}  // namespace drollicant
