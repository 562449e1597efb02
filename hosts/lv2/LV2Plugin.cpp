#include "hosts/lv2/LV2Plugin.h"

#include <algorithm>
#include <cstring>

#include "hosts/lv2/PortLayout.h"
#include "platform/au/AVAudioFormat.h"
#include "platform/au/AudioComponentInfo.h"

namespace drollicant::lv2 {
using namespace platform;

namespace {

bool isEnabled(float portValue) { return portValue > 0.0f; }

// Copies each input channel into its output buffer. Hosts may hand an input's own
// buffer as its output (nothing to copy), or the other channel's input buffer: then
// that channel is copied first, so its input is read before it is overwritten, and
// channels that cross both ways are swapped. A missing input is silence.
void copyInputs(const float* const in[2], float* const out[2], uint32_t frames) {
  if (in[0] && in[1] && in[0] != in[1] && out[0] == in[1] && out[1] == in[0]) {
    std::swap_ranges(out[0], out[0] + frames, out[1]);
    return;
  }
  const uint32_t first = out[0] == in[1] ? 1 : 0;
  for (const uint32_t c : {first, 1 - first}) {
    if (in[c] == nullptr)
      std::fill_n(out[c], frames, 0.0f);
    else if (in[c] != out[c])
      std::memmove(out[c], in[c], frames * sizeof(float));
  }
}

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
  auto unit = DrollicantAudioUnit::create(component->description, 0, nullptr);
  if (!unit) return nullptr;

  const auto format = AVAudioFormat::standardFormat(sampleRate, DrollicantAudioUnit::kBusChannels);
  if (!format || !(*unit->inputBusses())[0]->setFormat(format, nullptr) ||
      !(*unit->outputBusses())[0]->setFormat(format, nullptr))
    return nullptr;
  return std::unique_ptr<LV2Plugin>(
      new LV2Plugin(std::move(unit), sampleRate, HostFeatures::read(features).maxBlockLength));
}

LV2Plugin::LV2Plugin(std::shared_ptr<DrollicantAudioUnit> unitToDrive, double rate, uint32_t maxBlock)
    : unit(std::move(unitToDrive)),
      parameters(unit->parameterTree()->allParameters()),
      renderBlock(unit->internalRenderBlock()),
      sampleRate(rate),
      maxFrames(maxBlock),
      controlPorts(parameters.size(), nullptr),
      lastControlValues(parameters.size(), 0.0f),
      eventStorage(parameters.size()) {
  for (size_t i = 0; i < parameters.size(); ++i) lastControlValues[i] = parameters[i]->value();
  timestamp.mFlags = kAudioTimeStampSampleTimeValid;
}

void LV2Plugin::connectPort(uint32_t port, void* data) {
  const auto parameterCount = uint32_t(parameters.size());
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
  if (port == PortLayout::enabledPort(parameterCount))
    enablePort = static_cast<const float*>(data);
  else if (port >= PortLayout::kFirstParameter && port < PortLayout::enabledPort(parameterCount))
    controlPorts[port - PortLayout::kFirstParameter] = static_cast<const float*>(data);
}

void LV2Plugin::activate() {
  // The host's values go through the tree before allocation, so the kernel starts
  // settled at them; from here on changes arrive as parameter events.
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (controlPorts[i] == nullptr) continue;
    lastControlValues[i] = *controlPorts[i];
    parameters[i]->setValue(lastControlValues[i]);
  }
  if (enablePort) lastEnableValue = *enablePort;
  unit->setShouldBypassEffect(!isEnabled(lastEnableValue));
  unit->setMaximumFramesToRender(maxFrames);
  // Should allocation fail, the unallocated kernel passes audio through unchanged.
  unit->allocateRenderResources(nullptr);
  timestamp.mSampleTime = 0.0;
}

void LV2Plugin::deactivate() { unit->deallocateRenderResources(); }

const AURenderEvent* LV2Plugin::collectParameterEvents() {
  AURenderEvent* head = nullptr;
  AURenderEvent* tail = nullptr;
  for (size_t i = 0; i < parameters.size(); ++i) {
    if (controlPorts[i] == nullptr) continue;
    const float value = *controlPorts[i];
    if (value == lastControlValues[i]) continue;
    lastControlValues[i] = value;
    AUParameterEvent& event = eventStorage[i].parameter;
    event = AUParameterEvent{};
    event.eventSampleTime = AUEventSampleTime(timestamp.mSampleTime);
    event.eventType = AURenderEventType::Parameter;
    event.parameterAddress = parameters[i]->address();
    event.value = value;
    if (tail)
      tail->head.next = &eventStorage[i];
    else
      head = &eventStorage[i];
    tail = &eventStorage[i];
  }
  return head;
}

void LV2Plugin::followEnablePort() {
  if (enablePort == nullptr || *enablePort == lastEnableValue) return;
  lastEnableValue = *enablePort;
  unit->setShouldBypassEffect(!isEnabled(lastEnableValue));
}

void LV2Plugin::run(uint32_t frames) {
  if (frames == 0 || audioOut[0] == nullptr || audioOut[1] == nullptr) return;
  const AURenderEvent* events = collectParameterEvents();
  followEnablePort();
  for (uint32_t offset = 0; offset < frames;) {
    const uint32_t slice = std::min(frames - offset, maxFrames);
    renderSlice(offset, slice, events);
    events = nullptr;  // the changes belong to the first slice
    offset += slice;
  }
}

void LV2Plugin::renderSlice(uint32_t offset, uint32_t frames, const AURenderEvent* events) {
  StereoBufferList buffers;
  buffers.setBuffer(0, audioOut[0] + offset, 1, frames);
  buffers.setBuffer(1, audioOut[1] + offset, 1, frames);
  auto pullInput = [this, offset](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount count,
                                  NSInteger, AudioBufferList* list) -> AUAudioUnitStatus {
    const float* const in[2] = {audioIn[0] ? audioIn[0] + offset : nullptr, audioIn[1] ? audioIn[1] + offset : nullptr};
    float* const out[2] = {static_cast<float*>(list->mBuffers[0].mData), static_cast<float*>(list->mBuffers[1].mData)};
    copyInputs(in, out, count);
    return noErr;
  };
  AudioUnitRenderActionFlags flags = 0;
  renderBlock(&flags, &timestamp, frames, 0, buffers.get(), events, pullInput);
  timestamp.mSampleTime += frames;
}

}  // namespace drollicant::lv2
