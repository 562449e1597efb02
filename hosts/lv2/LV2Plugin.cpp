#include "hosts/lv2/LV2Plugin.h"

#include "hosts/common/StereoInput.h"
#include "hosts/lv2/PortLayout.h"
#include "platform/au/AudioComponentInfo.h"

namespace drollicant::lv2 {
using namespace platform;

namespace {

bool isEnabled(float portValue) { return portValue > 0.0f; }

}  // namespace

std::unique_ptr<LV2Plugin> LV2Plugin::instantiate(double sampleRate, const char* bundlePath,
                                                  const LV2_Feature* const* features) {
  // The host tells us where our bundle is; make it the unit's bundle so the factory
  // presets load from its Resources/presets.
  const auto bundle = bundlePath ? NSBundle::bundleWithURL(bundlePath) : nullptr;
  if (!bundle) return nullptr;
  NSBundle::setBundleForClassOverride(DrollicantAudioUnit::classToken(), bundle);
  const auto component = audioComponentFromBundle(*bundle, nullptr);
  if (!component) return nullptr;
  auto hosted = hosts::HostedUnit::create(DrollicantAudioUnit::create(component->description, 0, nullptr));
  if (!hosted || hosted->unit().parameterTree()->allParameters().size() != kParameterCount) return nullptr;
  if (!hosted->prepare(sampleRate, HostFeatures::read(features).maxBlockLength, nullptr)) return nullptr;
  return std::unique_ptr<LV2Plugin>(new LV2Plugin(std::move(hosted)));
}

LV2Plugin::LV2Plugin(std::unique_ptr<hosts::HostedUnit> hostedUnit) : hosted(std::move(hostedUnit)) {
  const auto parameters = hosted->unit().parameterTree()->allParameters();
  for (size_t i = 0; i < kParameterCount; ++i) {
    addresses[i] = parameters[i]->address();
    lastControlValues[i] = hosted->parameter(addresses[i]);
  }
}

void LV2Plugin::connectPort(uint32_t port, void* data) {
  switch (port) {
    case PortLayout::kInputLeft:
      audioIn[0] = static_cast<const float*>(data);
      return;
    case PortLayout::kInputRight:
      audioIn[1] = static_cast<const float*>(data);
      return;
    case PortLayout::kOutputLeft:
      audioOut[0] = static_cast<float*>(data);
      return;
    case PortLayout::kOutputRight:
      audioOut[1] = static_cast<float*>(data);
      return;
    default:
      break;
  }
  if (port == PortLayout::enabledPort(kParameterCount))
    enablePort = static_cast<const float*>(data);
  else if (port >= PortLayout::kFirstParameter && port < PortLayout::enabledPort(kParameterCount))
    controlPorts[port - PortLayout::kFirstParameter] = static_cast<const float*>(data);
}

void LV2Plugin::activate() {
  // The host's values are where the unit starts, settled; from here on changes glide.
  for (size_t i = 0; i < kParameterCount; ++i) {
    if (controlPorts[i] == nullptr) continue;
    lastControlValues[i] = *controlPorts[i];
    hosted->setParameter(addresses[i], lastControlValues[i]);
  }
  if (enablePort) hosted->setBypassed(!isEnabled(*enablePort));
  hosted->reset();
  active = true;
}

uint32_t LV2Plugin::collectChanges() {
  uint32_t count = 0;
  for (size_t i = 0; i < kParameterCount; ++i) {
    if (controlPorts[i] == nullptr) continue;
    const float value = *controlPorts[i];
    if (value == lastControlValues[i]) continue;
    lastControlValues[i] = value;
    changes[count++] = {0, addresses[i], value};
  }
  return count;
}

void LV2Plugin::followEnablePort() {
  if (enablePort) hosted->setBypassed(!isEnabled(*enablePort));
}

void LV2Plugin::run(uint32_t frames) {
  if (frames == 0 || audioOut[0] == nullptr || audioOut[1] == nullptr) return;
  if (!active) {
    // Not set up by the host yet: the input passes through.
    hosts::copyStereoInput(audioIn, audioOut, frames);
    return;
  }
  const uint32_t count = collectChanges();
  followEnablePort();
  hosted->process(audioIn, audioOut, frames, changes.data(), count);
}

}  // namespace drollicant::lv2
