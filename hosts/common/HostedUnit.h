#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "audiounit/DrollicantAudioUnit.h"
#include "hosts/common/ControlGlide.h"
#include "hosts/common/ParameterChange.h"
#include "hosts/common/ParameterTargets.h"
#include "hosts/common/WetDryFade.h"
#include "platform/au/RenderBlock.h"

namespace drollicant::hosts {

// The one layer every host format (LV2, VST3, CLAP, JACK) drives the unit through. It
// owns a DrollicantAudioUnit and renders it through the unit's internal render block,
// and adds what hosts expect beyond the unit:
// - bypass fade: setBypassed crosses between processed and dry sound over
//   kBypassFadeSeconds, per sample; the unit runs unbypassed during the fade and its own
//   bypass switch is set once the output is all dry. Enabled again, the unit's switch is
//   cleared and the unit reset (its frozen filters and delay rings would meet the new
//   input with a seam that clicks), and its input and output fade in together;
// - glide: a continuous control that jumps moves in a straight line over its
//   glideSeconds (ControlTransition.h), one step per control-grid point of the kernel
//   (kControlGrid frames counted from the unit's reset), all at one pace (a small change
//   is over soon). flighty, which switches the carrier, waits for the carrier depth
//   (whimsy) to glide to 0, flips there, and the depth glides back. While fully
//   bypassed, changes apply at once;
// - sample times: a host block is split where its parameter changes lie, so each lands
//   at its frame; blocks longer than the maximum are rendered in slices.
// When no control moves and no fade runs, the unit is called exactly as a host would
// call it directly: the same sub-blocks, no extra events, the same output bit for bit.
//
// Values set through the unit's parameter tree (an editor, a restored state, a preset,
// from any thread but the audio thread) reach the sound through the same glides: the
// layer takes over the tree's value observer and provider, so they post into a
// lock-free mailbox that the audio thread empties at the start of each process call, and
// the tree reports the latest value asked, not a step of a glide. This lasts for the
// unit's life.
//
// Use: create once per instance, prepare when the host gives its rate and largest block,
// reset when the host restarts the audio (transport jumps, activation), process once per
// host block with the changes the host scheduled in it.
//
// Threads: create, prepare and reset on a setup thread (reset may also run on the
// host's audio thread between process calls: it obtains no memory and takes no lock),
// never during process. process on the audio thread: no allocation, no lock.
// setBypassed, setParameter and parameter from any thread, lock-free.
class HostedUnit {
public:
  static constexpr double kBypassFadeSeconds = 0.010;

  // Setup thread: takes over `unit` (see above). nullptr for no unit.
  static std::unique_ptr<HostedUnit> create(std::shared_ptr<DrollicantAudioUnit> unit);
  HostedUnit(const HostedUnit&) = delete;
  HostedUnit& operator=(const HostedUnit&) = delete;

  // Setup thread: makes the unit ready for blocks of up to `maxFrames` at `sampleRate`
  // (both buses take that rate). All memory is obtained here, and only when the rate or
  // the maximum differs from the last successful call; otherwise this only resets. Ends
  // settled as `reset` does. False, with the unit's error, when the unit refuses (an
  // impossible rate, say); then process passes audio through.
  bool prepare(double sampleRate, uint32_t maxFrames, platform::NSError* outError);
  // Setup thread, or the audio thread between process calls; no memory, no lock.
  // Clears the unit's running state and settles every control at its latest value and
  // the output at wet or dry as the bypass asks, without any fade or glide.
  void reset();

  // Audio thread: no allocation, no lock. Renders `frames` frames of `in` into `out`
  // (two channels each; an output may share an input's buffer, a missing input is
  // silence). `changes` (may be null when `changeCount` is 0), sorted by frame, take
  // effect at their frames; one at or past `frames` takes effect at the end of the block.
  void process(const float* const in[2], float* const out[2], uint32_t frames, const ParameterChange* changes,
               uint32_t changeCount);

  // Any thread; the audio thread picks it up at its next process call. A change at
  // kBypassAddress does the same from its frame.
  void setBypassed(bool bypassed) { bypassRequested.store(bypassed, std::memory_order_relaxed); }
  bool bypassed() const { return bypassRequested.load(std::memory_order_relaxed); }

  // Any thread: asks for a parameter's value without the tree's notifications (a host's
  // value at activation, say); it glides in like a tree value, or is settled at by the
  // next reset. Unknown addresses are ignored.
  void setParameter(uint64_t address, float value) { targets->post(address, value); }
  // Any thread: the latest value asked for a parameter (switches read 1 or 0).
  float parameter(uint64_t address) const { return targets->reported(address); }

  // The unit, for what the formats translate themselves: saved state, presets, the
  // editor, the tail time. Its parameter tree feeds this layer (see above); its own
  // bypass switch belongs to this layer: use setBypassed.
  // Any thread: how long the effect rings on after its input stops (its feedback's
  // echoes), in frames at the prepared rate; 0 before `prepare`.
  uint32_t tailFrames() const;

  DrollicantAudioUnit& unit() { return *audioUnit; }
  uint32_t maximumFramesToRender() const { return maxFrames; }

private:
  explicit HostedUnit(std::shared_ptr<DrollicantAudioUnit> unit);
  void takeOverParameterTree();
  void aimAtControls();

  // Audio thread.
  void apply(uint64_t address, float value);
  void aim(uint64_t address);
  void settle(uint64_t address);
  void flipSwitches();
  void startSubBlock();
  uint32_t subBlockLength(uint32_t position, uint32_t frames, const ParameterChange* next) const;
  void render(const float* const in[2], float* const out[2], uint32_t offset, uint32_t frames);
  bool anyGlideMoving() const;
  bool flipPending() const;
  bool heard() const { return prepared && !unitBypassed; }
  // Frames since the kernel's last grid point: the kernel counts them itself.
  uint32_t gridPhase() const { return uint32_t(audioUnit->dspKernel->gridPosition); }
  void send(uint64_t address, float value);
  const platform::AURenderEvent* linkEvents();

  const std::shared_ptr<DrollicantAudioUnit> audioUnit;
  const platform::AUInternalRenderBlock renderBlock;
  // Shared with the tree's callbacks, which may outlive this layer.
  const std::shared_ptr<ParameterTargets> targets;
  std::atomic<bool> bypassRequested{false};

  bool prepared = false;
  double sampleRate = 0.0;
  uint32_t maxFrames = 0;
  std::array<int, ParameterTargets::kCount> glideSteps{};  // grid points a glide takes across the range
  std::unique_ptr<float[]> dryBase;  // the input of the current sub-block: left, then right, maxFrames each

  std::array<float, ParameterTargets::kCount> requested{};  // the latest value asked of each glide
  std::array<ControlGlide, ParameterTargets::kCount> glides;
  struct Switch {
    bool target = false;
    bool applied = false;
  };
  std::array<Switch, ParameterTargets::kCount> switches;
  WetDryFade bypassFade;  // wet unless bypassed
  bool unitBypassed = false;
  bool restarting = false;  // the unit starts afresh after a bypass; its input opens with the fade

  // Events of the current sub-block, one slot per address; the last value sent wins.
  std::array<platform::AURenderEvent, ParameterTargets::kCount> eventSlots{};
  uint32_t eventMarks = 0;
  platform::AudioTimeStamp timestamp;
};

}  // namespace drollicant::hosts
