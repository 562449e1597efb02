#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include <lv2/core/lv2.h>

#include "hosts/common/HostedUnit.h"
#include "hosts/lv2/HostFeatures.h"

namespace drollicant::lv2 {

// One LV2 instance: the ports of a DrollicantAudioUnit driven through the shared host
// layer. Control ports that change become parameter changes at the start of the run;
// the enable port drives the layer's bypass fade.
class LV2Plugin {
public:
  // Instantiation thread: makes the unit and obtains all its memory for the host's
  // largest block. nullptr when the bundle holds no usable Info.plist, the unit cannot
  // be made or the rate is impossible.
  static std::unique_ptr<LV2Plugin> instantiate(double sampleRate, const char* bundlePath,
                                                const LV2_Feature* const* features);

  // Audio or instantiation thread: stores the pointer only.
  void connectPort(uint32_t port, void* data);
  // Instantiation thread, or the audio thread (Ardour activates from its process
  // thread): no allocation, no lock. Starts settled at the control ports' values.
  void activate();
  // Audio thread: no allocation, no lock.
  void run(uint32_t frames);
  // Instantiation or audio thread: until the next activation, runs pass audio through.
  void deactivate() { active = false; }

  uint32_t maximumFramesToRender() const { return hosted->maximumFramesToRender(); }

private:
  LV2Plugin(std::unique_ptr<hosts::HostedUnit> hosted);
  // Audio thread: a change for every control port that moved since the last call;
  // returns how many.
  uint32_t collectChanges();
  void followEnablePort();

  static constexpr size_t kParameterCount = hosts::ParameterTargets::kCount;
  std::unique_ptr<hosts::HostedUnit> hosted;
  std::array<uint64_t, kParameterCount> addresses{};  // of the control ports, in port order
  bool active = false;

  const float* audioIn[2] = {nullptr, nullptr};
  float* audioOut[2] = {nullptr, nullptr};
  std::array<const float*, kParameterCount> controlPorts{};
  const float* enablePort = nullptr;

  std::array<float, kParameterCount> lastControlValues{};
  std::array<hosts::ParameterChange, kParameterCount> changes{};
};

}  // namespace drollicant::lv2
