#pragma once
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

namespace drollicant::lv2 {

// What the UI takes from the host's features at instantiation. All optional: without a
// parent the editor opens in a window of its own; without a scale factor it follows the
// display's; without ui:resize the host learns the size from the window itself.
struct UIHostFeatures {
  unsigned long parentWindow = 0;
  const LV2UI_Resize* resize = nullptr;
  double scaleFactor = 0;  // pixels per point; 0: the display's own

  // UI thread.
  static UIHostFeatures read(const LV2_Feature* const* features);
};

}  // namespace drollicant::lv2
