#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include <lv2/core/lv2.h>

#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/lv2/HostFeatures.h"

namespace drollicant::lv2 {

// One LV2 instance: a DrollicantAudioUnit driven the way a host of the unit drives
// it. Control ports reach the unit through its parameter tree at activation and as
// parameter events of the render call afterwards; the enable port drives the bypass.
class LV2Plugin {
public:
  // Instantiation thread. nullptr when the bundle holds no usable Info.plist or the
  // unit cannot be made.
  static std::unique_ptr<LV2Plugin> instantiate(double sampleRate, const char* bundlePath,
                                                const LV2_Feature* const* features);

  // Audio or instantiation thread: stores the pointer only.
  void connectPort(uint32_t port, void* data);
  // Instantiation thread: applies the control ports through the tree, then allocates.
  void activate();
  // Audio thread: no allocation, no lock.
  void run(uint32_t frames);
  // Instantiation thread.
  void deactivate();

  uint32_t maximumFramesToRender() const { return maxFrames; }

private:
  LV2Plugin(std::shared_ptr<DrollicantAudioUnit> unit, double sampleRate, uint32_t maxFrames);
  // Audio thread: links a parameter event for every control port that changed since
  // the last call; returns the head of the list (nullptr when nothing changed).
  const platform::AURenderEvent* collectParameterEvents();
  void followEnablePort();
  void renderSlice(uint32_t offset, uint32_t frames, const platform::AURenderEvent* events);

  std::shared_ptr<DrollicantAudioUnit> unit;
  std::vector<std::shared_ptr<platform::AUParameter>> parameters;  // in port order
  platform::AUInternalRenderBlock renderBlock;
  double sampleRate;
  uint32_t maxFrames;

  const float* audioIn[2] = {nullptr, nullptr};
  float* audioOut[2] = {nullptr, nullptr};
  std::vector<const float*> controlPorts;
  const float* enablePort = nullptr;

  std::vector<float> lastControlValues;
  float lastEnableValue = 1.0f;
  std::vector<platform::AURenderEvent> eventStorage;  // one per parameter, reused every run
  platform::AudioTimeStamp timestamp;
};

}  // namespace drollicant::lv2
