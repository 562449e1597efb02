#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audiounit/FactoryPresets.h"
#include "dsp/DrollicantDSPKernel.h"
#include "platform/au/AUAudioUnit.h"
#include "platform/foundation/NSBundle.h"

namespace drollicant {

// Keys of the saved-state dictionary.
namespace StateKey {
inline constexpr const char* kVersion = "version";
inline constexpr const char* kType = "type";
inline constexpr const char* kSubtype = "subtype";
inline constexpr const char* kManufacturer = "manufacturer";
inline constexpr const char* kName = "name";
inline constexpr const char* kParams = "drollicant_params";
inline constexpr const char* kStateVersion = "drollicant_state_version";
}  // namespace StateKey

// The Drollicant audio unit: one stereo input and output bus, eight parameters whose
// values reach the kernel through the tree, a render block that runs the kernel in
// place, saved state and factory presets.
//
// Threads: construction and configuration run on one setup thread. Parameters, state,
// presets, the bypass and the tail time may be used from several setup threads at once
// (a host's main thread and its saving thread, say) while the audio thread renders;
// calls that overlap stay free of data races, and the last call to finish wins. Only the
// block from `internalRenderBlock()` runs on the audio thread. The host must not
// allocate, deallocate or reset while a render call is under way.
class DrollicantAudioUnit : public platform::AUAudioUnit {
public:
  static constexpr const char* kTailTimeKey = "tailTime";
  static constexpr const char* kUntitledPresetName = "Untitled";
  static constexpr double kBusSampleRate = 44100.0;
  static constexpr platform::AVAudioChannelCount kBusChannels = 2;

  // Builds a unit; nullptr, with the error, when the base class or a bus refuses.
  // A new unit starts with factory preset 0 when the extension carries preset files.
  static std::shared_ptr<DrollicantAudioUnit> create(const platform::AudioComponentDescription& description,
                                                     platform::AudioComponentInstantiationOptions options,
                                                     platform::NSError* outError);

  // Names this class for NSBundle::bundleForClass / setBundleForClassOverride: its
  // bundle is the extension whose Resources/presets/ holds the factory presets.
  static platform::NSBundle::ClassToken classToken();

  // ---- Construction and parameter tree ----
  // Called once by `create`; not meant to be called again.
  bool initWithComponentDescription(const platform::AudioComponentDescription& description,
                                    platform::AudioComponentInstantiationOptions options,
                                    platform::NSError* outError) override;
  std::shared_ptr<platform::AUAudioUnitBusArray> inputBusses() override { return _inputBusArray; }
  std::shared_ptr<platform::AUAudioUnitBusArray> outputBusses() override { return _outputBusArray; }
  std::shared_ptr<platform::AUParameterTree> parameterTree() override { return _parameterTree; }
  // Replaces the tree (nullptr is ignored); installs no callbacks, keeps the defaults.
  void setParameterTree(std::shared_ptr<platform::AUParameterTree> tree) override;

  // ---- Render path ----
  // A new block holding the kernel (and nothing else of the unit) on every read.
  platform::AUInternalRenderBlock internalRenderBlock() override;
  // Matches output bus 0 to the input format, lets the base class check, sizes the
  // kernel for maximumFramesToRender at the input sample rate, resyncs the parameters.
  bool allocateRenderResources(platform::NSError* outError) override;
  void deallocateRenderResources() override;
  void reset() override;
  std::vector<int> channelCapabilities() override { return {2, 2}; }
  double latency() override { return 0.0; }
  double tailTime() override { return dspKernel->tailTime(); }
  bool shouldBypassEffect() override { return dspKernel->bypass.load(std::memory_order_relaxed); }
  void setShouldBypassEffect(bool bypass) override { dspKernel->bypass.store(bypass, std::memory_order_relaxed); }

  // ---- State and presets ----
  std::vector<std::shared_ptr<platform::AUAudioUnitPreset>> factoryPresets() override;
  std::shared_ptr<platform::AUAudioUnitPreset> currentPreset() override;
  // nullptr: nothing. Otherwise stored; a factory number in range loads and applies
  // that preset file; negative (user) numbers change no parameter.
  void setCurrentPreset(std::shared_ptr<platform::AUAudioUnitPreset> preset) override;
  std::optional<platform::PlistDictionary> fullState() override;
  void setFullState(const std::optional<platform::PlistDictionary>& state) override;
  std::optional<platform::PlistDictionary> fullStateForDocument() override;
  void setFullStateForDocument(const std::optional<platform::PlistDictionary>& state) override;

  // Sets every parameter from state["drollicant_params"] (clamped to its range) or to
  // its default. A missing, non-dictionary or partly non-numeric entry gives all
  // defaults; a non-finite number gives that parameter its default.
  void applyState(const platform::PlistDictionary& state);

  // The factory presets of this process, scanned once from the bundle of this class
  // on first use and never refreshed (tests that need their own preset folder must
  // therefore run in their own process, as ctest does with gtest_discover_tests).
  static const std::vector<FactoryPresetFile>& factoryPresetFiles();

  // ---- Kernel access used by the tree callbacks ----
  // Writes one value into the kernel, bracketed by "tailTime" change notifications;
  // unknown addresses are ignored without notification.
  void setKernelParameter(platform::AUParameterAddress address, platform::AUValue value);
  platform::AUValue kernelParameterValue(platform::AUParameterAddress address) const;
  void pushParametersToKernel();

  // Each identifier's default, captured when the tree was built.
  const std::map<std::string, float>& defaultParameterValues() const { return _defaultParameterValues; }

  const std::shared_ptr<DrollicantDSPKernel> dspKernel;

private:
  DrollicantAudioUnit();
  void setupParameterTree();

  std::shared_ptr<platform::AUAudioUnitBusArray> _inputBusArray;
  std::shared_ptr<platform::AUAudioUnitBusArray> _outputBusArray;
  std::shared_ptr<platform::AUParameterTree> _parameterTree;
  std::map<std::string, float> _defaultParameterValues;
  // Read by fullState on one thread while another selects a preset; never on the audio thread.
  mutable std::mutex currentPresetMutex;
  std::shared_ptr<platform::AUAudioUnitPreset> _currentPreset;
};

}  // namespace drollicant
