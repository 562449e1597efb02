// The LV2 entry points: the only symbol this shared object exports is lv2_descriptor.
#include <lv2/core/lv2.h>

#include "hosts/lv2/LV2Plugin.h"
#include "hosts/lv2/PortLayout.h"

namespace drollicant::lv2 {
namespace {

LV2Plugin* self(LV2_Handle handle) { return static_cast<LV2Plugin*>(handle); }

// Instantiation thread.
LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char* bundlePath, const LV2_Feature* const* features) {
  return LV2Plugin::instantiate(rate, bundlePath, features).release();
}

// Audio or instantiation thread.
void connectPort(LV2_Handle instance, uint32_t port, void* data) { self(instance)->connectPort(port, data); }

// Instantiation thread.
void activate(LV2_Handle instance) { self(instance)->activate(); }

// Audio thread: no allocation, no lock.
void run(LV2_Handle instance, uint32_t frames) { self(instance)->run(frames); }

// Instantiation thread.
void deactivate(LV2_Handle instance) { self(instance)->deactivate(); }

// Instantiation thread.
void cleanup(LV2_Handle instance) { delete self(instance); }

// Discovery thread.
const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginURI, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

}  // namespace
}  // namespace drollicant::lv2

// Discovery thread.
extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &drollicant::lv2::kDescriptor : nullptr;
}
