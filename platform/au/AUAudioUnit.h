#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/au/AUAudioUnitBus.h"
#include "platform/au/AUAudioUnitPreset.h"
#include "platform/au/AUParameterTree.h"
#include "platform/au/AudioTypes.h"
#include "platform/au/RenderBlock.h"
#include "platform/foundation/NSError.h"
#include "platform/foundation/PlistValue.h"

namespace platform {

// Opaque; identifies one key-value observer of an audio unit.
using AUKeyValueObserverToken = uint64_t;

// The audio unit base class. Subclasses override the virtual operations; every object
// lives in a std::shared_ptr (subclasses are built by a factory that calls
// `initWithComponentDescription` once the object is owned, so weak references to the
// unit can be made during construction).
//
// Threads: everything here runs on the host's setup threads or the main thread, never
// on the audio thread; only the block returned by `internalRenderBlock` runs there.
class AUAudioUnit : public std::enable_shared_from_this<AUAudioUnit> {
public:
  // Largest render size a host may ask for; larger maxima are refused at allocation.
  static constexpr AUAudioFrameCount kFramesToRenderLimit = 1u << 18;
  static constexpr AUAudioFrameCount kDefaultMaximumFramesToRender = 512;

  virtual ~AUAudioUnit() = default;
  AUAudioUnit(const AUAudioUnit&) = delete;
  AUAudioUnit& operator=(const AUAudioUnit&) = delete;

  // Base-class construction: records the description and options. Fails (false, with
  // kAudio_ParamError) for a description without a component type.
  virtual bool initWithComponentDescription(const AudioComponentDescription& description,
                                            AudioComponentInstantiationOptions options, NSError* outError);

  const AudioComponentDescription& componentDescription() const { return _componentDescription; }
  AudioComponentInstantiationOptions instantiationOptions() const { return _options; }

  // Set by the host before it allocates.
  AUAudioFrameCount maximumFramesToRender() const { return _maximumFramesToRender; }
  void setMaximumFramesToRender(AUAudioFrameCount frames) { _maximumFramesToRender = frames; }

  // Base bookkeeping: fails with kAudioUnitErr_TooManyFramesToProcess when
  // maximumFramesToRender is 0 or above kFramesToRenderLimit, and with
  // kAudioUnitErr_FormatNotSupported when the channel counts of input and output bus 0
  // are not a pair listed in `channelCapabilities` (an empty list accepts any).
  virtual bool allocateRenderResources(NSError* outError);
  virtual void deallocateRenderResources() { _renderResourcesAllocated = false; }
  virtual void reset() {}
  bool renderResourcesAllocated() const { return _renderResourcesAllocated; }

  virtual std::shared_ptr<AUAudioUnitBusArray> inputBusses() { return nullptr; }
  virtual std::shared_ptr<AUAudioUnitBusArray> outputBusses() { return nullptr; }

  virtual std::shared_ptr<AUParameterTree> parameterTree() { return nullptr; }
  virtual void setParameterTree(std::shared_ptr<AUParameterTree>) {}

  virtual AUInternalRenderBlock internalRenderBlock() { return nullptr; }

  virtual std::vector<std::shared_ptr<AUAudioUnitPreset>> factoryPresets() { return {}; }
  virtual std::shared_ptr<AUAudioUnitPreset> currentPreset() { return nullptr; }
  virtual void setCurrentPreset(std::shared_ptr<AUAudioUnitPreset>) {}

  virtual std::optional<PlistDictionary> fullState() { return std::nullopt; }
  virtual void setFullState(const std::optional<PlistDictionary>&) {}
  virtual std::optional<PlistDictionary> fullStateForDocument() { return fullState(); }
  virtual void setFullStateForDocument(const std::optional<PlistDictionary>& state) { setFullState(state); }

  // Pairs of (input, output) channel counts the unit can render; -1 means any.
  virtual std::vector<int> channelCapabilities() { return {}; }
  virtual double latency() { return 0.0; }
  virtual double tailTime() { return 0.0; }
  virtual bool shouldBypassEffect() { return false; }
  virtual void setShouldBypassEffect(bool) {}

  // Key-value observation: `observer` runs after every didChangeValueForKey(`key`), on
  // the thread that sent it, and should re-read the property. Any thread.
  AUKeyValueObserverToken addObserverForKey(std::string key, std::function<void()> observer);
  void removeObserver(AUKeyValueObserverToken token);
  // Brackets a change of a derived property.
  void willChangeValueForKey(const std::string& key);
  void didChangeValueForKey(const std::string& key);

protected:
  AUAudioUnit() = default;

private:
  struct KeyObserver {
    AUKeyValueObserverToken token;
    std::string key;
    std::function<void()> observer;
  };
  using KeyObservers = std::vector<KeyObserver>;

  AudioComponentDescription _componentDescription;
  AudioComponentInstantiationOptions _options = 0;
  AUAudioFrameCount _maximumFramesToRender = kDefaultMaximumFramesToRender;
  bool _renderResourcesAllocated = false;

  std::mutex keyObserversMutex;
  std::shared_ptr<const KeyObservers> keyObservers;
  AUKeyValueObserverToken nextKeyObserverToken = 1;
};

}  // namespace platform
