#include "hosts/common/HostedUnit.h"

#include <algorithm>
#include <cmath>

#include "audiounit/KernelParameters.h"
#include "dsp/EngineRoutines.h"
#include "hosts/common/ControlTransition.h"
#include "hosts/common/StereoInput.h"
#include "platform/au/AVAudioFormat.h"

namespace drollicant::hosts {

using namespace platform;

namespace {

uint32_t framesIn(double seconds, double sampleRate) {
  return uint32_t(std::max(1.0, std::round(seconds * sampleRate)));
}

}  // namespace

std::unique_ptr<HostedUnit> HostedUnit::create(std::shared_ptr<DrollicantAudioUnit> unit) {
  if (!unit || !unit->parameterTree()) return nullptr;
  return std::unique_ptr<HostedUnit>(new HostedUnit(std::move(unit)));
}

HostedUnit::HostedUnit(std::shared_ptr<DrollicantAudioUnit> unit)
    : audioUnit(std::move(unit)),
      renderBlock(audioUnit->internalRenderBlock()),
      targets(std::make_shared<ParameterTargets>()) {
  for (const auto& row : kParameterTable)
    targets->record(row.address, readKernelParameter(*audioUnit->dspKernel, row.address));
  bypassRequested.store(audioUnit->shouldBypassEffect(), std::memory_order_relaxed);
  timestamp.mFlags = kAudioTimeStampSampleTimeValid;
  takeOverParameterTree();
}

void HostedUnit::takeOverParameterTree() {
  const auto tree = audioUnit->parameterTree();
  const std::weak_ptr<DrollicantAudioUnit> weakUnit = audioUnit;
  tree->setImplementorValueObserver([targets = targets, weakUnit](AUParameter* parameter, AUValue value) {
    targets->post(parameter->address(), value);
    // The tail time follows the controls; observers re-read it after the pair.
    if (const auto unit = weakUnit.lock()) {
      unit->willChangeValueForKey(DrollicantAudioUnit::kTailTimeKey);
      unit->didChangeValueForKey(DrollicantAudioUnit::kTailTimeKey);
    }
  });
  tree->setImplementorValueProvider(
      [targets = targets](AUParameter* parameter) { return targets->reported(parameter->address()); });
}

bool HostedUnit::prepare(double rate, uint32_t frames, NSError* outError) {
  if (!prepared || rate != sampleRate || frames != maxFrames) {
    prepared = false;
    const auto format = AVAudioFormat::standardFormat(rate, DrollicantAudioUnit::kBusChannels);
    if (!format || !(*audioUnit->inputBusses())[0]->setFormat(format, outError) ||
        !(*audioUnit->outputBusses())[0]->setFormat(format, outError))
      return false;
    audioUnit->setMaximumFramesToRender(frames);
    if (!audioUnit->allocateRenderResources(outError)) return false;
    sampleRate = rate;
    maxFrames = frames;
    dryBase.reset(new float[2 * size_t(frames)]());
    for (const auto& row : kParameterTable)
      glideSteps[row.address] = std::max(1, int(framesIn(glideSeconds(row.address), rate) / kControlGrid));
    bypassFade.setLength(framesIn(kBypassFadeSeconds, rate));
    prepared = true;
  }
  reset();
  return true;
}

void HostedUnit::reset() {
  // Every value asked so far is in the targets; the marks are no longer news.
  targets->collect([](uint64_t, float) {});
  for (const auto& row : kParameterTable) {
    const float value = targets->latest(row.address);
    writeKernelParameter(*audioUnit->dspKernel, row.address, value);
    requested[row.address] = value;
    glides[row.address].settle(value);
    const bool on = value >= kSwitchThreshold;
    switches[row.address] = {on, on};
  }
  aimAtControls();
  unitBypassed = bypassRequested.load(std::memory_order_relaxed);
  audioUnit->setShouldBypassEffect(unitBypassed);
  bypassFade.settle(!unitBypassed);
  restarting = false;
  eventMarks = 0;
}

uint32_t HostedUnit::tailFrames() const {
  const double frames = std::ceil(audioUnit->tailTime() * sampleRate);
  if (!(frames > 0.0)) return 0;
  return frames < double(INT32_MAX) ? uint32_t(frames) : uint32_t(INT32_MAX);
}

void HostedUnit::aimAtControls() {
  // The kernel's reset starts the delays where the controls now aim them.
  audioUnit->setShouldBypassEffect(false);
  audioUnit->reset();
}

void HostedUnit::process(const float* const in[2], float* const out[2], uint32_t frames, const ParameterChange* changes,
                         uint32_t changeCount) {
  if (frames == 0 || out[0] == nullptr || out[1] == nullptr) return;
  if (!prepared) {
    copyStereoInput(in, out, frames);
    return;
  }
  if (changes == nullptr) changeCount = 0;
  targets->collect([this](uint64_t address, float value) { apply(address, value); });
  uint32_t next = 0;
  for (uint32_t position = 0; position < frames;) {
    for (; next < changeCount && changes[next].frame <= position; ++next) {
      targets->record(changes[next].address, changes[next].value);
      apply(changes[next].address, changes[next].value);
    }
    startSubBlock();
    const uint32_t length = subBlockLength(position, frames, next < changeCount ? &changes[next] : nullptr);
    render(in, out, position, length);
    position += length;
  }
  // Changes at or past the end: their events go with the next block's first frames.
  for (; next < changeCount; ++next) {
    targets->record(changes[next].address, changes[next].value);
    apply(changes[next].address, changes[next].value);
  }
}

void HostedUnit::apply(uint64_t address, float value) {
  if (address == kBypassAddress) setBypassed(value >= kSwitchThreshold);
  if (address >= ParameterTargets::kCount) return;
  switch (transitionOf(address)) {
    case ControlTransition::direct:
      send(address, value);
      return;
    case ControlTransition::glide:
      requested[address] = value;
      if (heard())
        aim(address);
      else
        settle(address);
      return;
    case ControlTransition::flip:
      switches[address].target = value >= kSwitchThreshold;
      if (heard())
        aim(kFlipDepth);  // down to 0 for a flip, back up if the flip is called off
      else
        flipSwitches();
      return;
  }
}

void HostedUnit::aim(uint64_t address) {
  const float goal = address == kFlipDepth && flipPending() ? 0.0f : requested[address];
  ControlGlide& glide = glides[address];
  // Every glide moves at one pace, so a small change is over soon.
  const double distance = std::fabs(double(goal) - double(glide.value()));
  const int steps = distance < 1.0 ? std::max(1, int(std::ceil(distance * glideSteps[address]))) : glideSteps[address];
  if (glide.aim(goal, steps)) send(address, glide.value());
}

void HostedUnit::settle(uint64_t address) {
  glides[address].settle(requested[address]);
  send(address, requested[address]);
}

void HostedUnit::flipSwitches() {
  for (uint64_t address = 0; address < ParameterTargets::kCount; ++address) {
    Switch& toggle = switches[address];
    if (toggle.applied == toggle.target) continue;
    toggle.applied = toggle.target;
    send(address, toggle.target ? 1.0f : 0.0f);
  }
}

void HostedUnit::startSubBlock() {
  const bool bypassWanted = bypassRequested.load(std::memory_order_relaxed);
  if (!bypassWanted && unitBypassed) {
    // The state the unit froze in belongs to input long gone: its filters would meet
    // today's input with a jump, and its delay rings would play old sound that meets
    // the new at a seam a delay later. It starts afresh instead, and its input opens
    // with the fade, so nothing it makes starts with a step.
    unitBypassed = false;
    audioUnit->setShouldBypassEffect(false);
    audioUnit->reset();
    restarting = true;
  }
  bypassFade.head(!bypassWanted);
  if (bypassWanted && !unitBypassed && bypassFade.settledDry()) {
    unitBypassed = true;
    audioUnit->setShouldBypassEffect(true);
    // Nothing of the effect is heard now: every move ends where it was going.
    flipSwitches();
    for (uint64_t address = 0; address < ParameterTargets::kCount; ++address)
      if (glides[address].moving() || glides[address].value() != requested[address]) settle(address);
  }
  if (!heard() || gridPhase() != 0) return;

  for (uint64_t address = 0; address < ParameterTargets::kCount; ++address)
    if (glides[address].moving()) send(address, glides[address].step());
  // With the carrier depth at 0 a switch of the carrier changes nothing the kernel
  // makes: it flips at the grid point where the depth arrives, then the depth returns.
  const ControlGlide& depth = glides[kFlipDepth];
  if (flipPending() && !depth.moving() && depth.value() == 0.0f) {
    flipSwitches();
    aim(kFlipDepth);
  }
}

uint32_t HostedUnit::subBlockLength(uint32_t position, uint32_t frames, const ParameterChange* next) const {
  uint32_t length = std::min(frames - position, maxFrames);
  if (next) length = std::min(length, next->frame - position);
  if (heard() && (anyGlideMoving() || flipPending())) length = std::min(length, kControlGrid - gridPhase());
  // A fade ends on a sub-block's edge, so the unit's switch is set on the next frame.
  if (!bypassFade.settled()) length = std::min(length, bypassFade.framesToGo());
  return length;
}

void HostedUnit::render(const float* const in[2], float* const out[2], uint32_t offset, uint32_t frames) {
  const float* const input[2] = {in[0] ? in[0] + offset : nullptr, in[1] ? in[1] + offset : nullptr};
  float* const output[2] = {out[0] + offset, out[1] + offset};
  float* const dry[2] = {dryBase.get(), dryBase.get() + maxFrames};
  const bool crossfades = !unitBypassed && !bypassFade.settledWet();
  if (crossfades) copyStereoInput(input, dry, frames);

  StereoBufferList buffers;
  buffers.setBuffer(0, output[0], 1, frames);
  buffers.setBuffer(1, output[1], 1, frames);
  const bool rampInput = restarting && crossfades;
  auto pullInput = [&input, rampInput, this](AudioUnitRenderActionFlags*, const AudioTimeStamp*,
                                             AUAudioFrameCount count, NSInteger,
                                             AudioBufferList* list) -> AUAudioUnitStatus {
    float* const pulled[2] = {static_cast<float*>(list->mBuffers[0].mData),
                              static_cast<float*>(list->mBuffers[1].mData)};
    copyStereoInput(input, pulled, count);
    if (rampInput) bypassFade.ramp(pulled[0], pulled[1], count);
    return noErr;
  };
  AudioUnitRenderActionFlags flags = 0;
  const AUAudioUnitStatus status = renderBlock(&flags, &timestamp, frames, 0, buffers.get(), linkEvents(), pullInput);
  eventMarks = 0;
  if (status != noErr) copyStereoInput(input, output, frames);

  if (crossfades) bypassFade.mix(dry[0], dry[1], output[0], output[1], frames);
  if (bypassFade.settledWet()) restarting = false;
  timestamp.mSampleTime += frames;
}

bool HostedUnit::anyGlideMoving() const {
  return std::any_of(glides.begin(), glides.end(), [](const ControlGlide& glide) { return glide.moving(); });
}

bool HostedUnit::flipPending() const {
  return std::any_of(switches.begin(), switches.end(),
                     [](const Switch& toggle) { return toggle.applied != toggle.target; });
}

void HostedUnit::send(uint64_t address, float value) {
  AUParameterEvent& event = eventSlots[address].parameter;
  event = AUParameterEvent{};
  event.eventSampleTime = AUEventSampleTime(timestamp.mSampleTime);
  event.eventType = AURenderEventType::Parameter;
  event.parameterAddress = address;
  event.value = value;
  eventMarks |= 1u << address;
}

const AURenderEvent* HostedUnit::linkEvents() {
  AURenderEvent* head = nullptr;
  AURenderEvent* tail = nullptr;
  for (uint64_t address = 0; address < ParameterTargets::kCount; ++address) {
    if (!(eventMarks & (1u << address))) continue;
    AURenderEvent& event = eventSlots[address];
    event.head.next = nullptr;
    if (tail)
      tail->head.next = &event;
    else
      head = &event;
    tail = &event;
  }
  return head;
}

}  // namespace drollicant::hosts
