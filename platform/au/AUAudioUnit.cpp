#include "platform/au/AUAudioUnit.h"

#include <string>

namespace platform {

namespace {

bool channelPairListed(const std::vector<int>& capabilities, int input, int output) {
  if (capabilities.empty()) return true;
  for (size_t i = 0; i + 1 < capabilities.size(); i += 2) {
    const bool inputFits = capabilities[i] == -1 || capabilities[i] == input;
    const bool outputFits = capabilities[i + 1] == -1 || capabilities[i + 1] == output;
    if (inputFits && outputFits) return true;
  }
  return false;
}

int channelCountOfBus0(const std::shared_ptr<AUAudioUnitBusArray>& busses) {
  if (!busses || busses->count() == 0 || !(*busses)[0] || !(*busses)[0]->format()) return 0;
  return int((*busses)[0]->format()->channelCount());
}

}  // namespace

bool AUAudioUnit::initWithComponentDescription(const AudioComponentDescription& description,
                                               AudioComponentInstantiationOptions options, NSError* outError) {
  if (description.componentType == 0)
    return NSError::fail(outError, NSOSStatusErrorDomain, kAudio_ParamError,
                         "The component description names no component type.");
  _componentDescription = description;
  _options = options;
  return true;
}

bool AUAudioUnit::allocateRenderResources(NSError* outError) {
  if (_maximumFramesToRender == 0 || _maximumFramesToRender > kFramesToRenderLimit)
    return NSError::fail(outError, NSOSStatusErrorDomain, kAudioUnitErr_TooManyFramesToProcess,
                         "maximumFramesToRender must lie between 1 and " + std::to_string(kFramesToRenderLimit) +
                             ", not " + std::to_string(_maximumFramesToRender) + ".");
  const int inputChannels = channelCountOfBus0(inputBusses());
  const int outputChannels = channelCountOfBus0(outputBusses());
  if (!channelPairListed(channelCapabilities(), inputChannels, outputChannels))
    return NSError::fail(outError, NSOSStatusErrorDomain, kAudioUnitErr_FormatNotSupported,
                         "The unit cannot render " + std::to_string(inputChannels) + " input and " +
                             std::to_string(outputChannels) + " output channels.");
  _renderResourcesAllocated = true;
  return true;
}

AUKeyValueObserverToken AUAudioUnit::addObserverForKey(std::string key, std::function<void()> observer) {
  std::lock_guard<std::mutex> lock(keyObserversMutex);
  auto updated = keyObservers ? std::make_shared<KeyObservers>(*keyObservers) : std::make_shared<KeyObservers>();
  const AUKeyValueObserverToken token = nextKeyObserverToken++;
  updated->push_back({token, std::move(key), std::move(observer)});
  keyObservers = std::move(updated);
  return token;
}

void AUAudioUnit::removeObserver(AUKeyValueObserverToken token) {
  std::lock_guard<std::mutex> lock(keyObserversMutex);
  if (!keyObservers) return;
  auto updated = std::make_shared<KeyObservers>();
  for (const auto& entry : *keyObservers)
    if (entry.token != token) updated->push_back(entry);
  keyObservers = std::move(updated);
}

void AUAudioUnit::willChangeValueForKey(const std::string&) {
  // Observers here only hear the completed change; nothing to prepare.
}

void AUAudioUnit::didChangeValueForKey(const std::string& key) {
  std::shared_ptr<const KeyObservers> snapshot;
  {
    std::lock_guard<std::mutex> lock(keyObserversMutex);
    snapshot = keyObservers;
  }
  if (!snapshot) return;
  for (const auto& entry : *snapshot)
    if (entry.key == key && entry.observer) entry.observer();
}

}  // namespace platform
