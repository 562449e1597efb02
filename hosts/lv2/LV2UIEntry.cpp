// The LV2 UI entry points: the only symbol this shared object exports is lv2ui_descriptor.
#include <cstring>

#include <lv2/ui/ui.h>

#include "hosts/lv2/LV2UI.h"
#include "hosts/lv2/PortLayout.h"

namespace drollicant::lv2 {
namespace {

LV2UI* self(LV2UI_Handle handle) { return static_cast<LV2UI*>(handle); }

// UI thread.
LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginURI, const char* bundlePath,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
  if (!pluginURI || std::strcmp(pluginURI, kPluginURI) != 0) return nullptr;
  return LV2UI::instantiate(bundlePath, write, controller, widget, features).release();
}

// UI thread.
void cleanup(LV2UI_Handle ui) { delete self(ui); }

// UI thread: only records the value; drawing waits for idle.
void portEvent(LV2UI_Handle ui, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  self(ui)->portEvent(port, size, format, buffer);
}

// UI thread.
int idle(LV2UI_Handle ui) { return self(ui)->idle(); }

// UI thread.
int resize(LV2UI_Feature_Handle ui, int width, int height) { return self(ui)->hostResized(width, height); }

const LV2UI_Idle_Interface kIdleInterface = {idle};
const LV2UI_Resize kResizeInterface = {nullptr, resize};

// UI thread.
const void* extensionData(const char* uri) {
  if (!uri) return nullptr;
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
  if (std::strcmp(uri, LV2_UI__resize) == 0) return &kResizeInterface;
  return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUIURI, instantiate, cleanup, portEvent, extensionData};

}  // namespace
}  // namespace drollicant::lv2

// Discovery thread.
extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &drollicant::lv2::kDescriptor : nullptr;
}
