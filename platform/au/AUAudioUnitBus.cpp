#include "platform/au/AUAudioUnitBus.h"

#include <string>

namespace platform {

namespace {
bool formatRefused(NSError* outError, const std::string& why) {
  return NSError::fail(outError, NSOSStatusErrorDomain, kAudioUnitErr_FormatNotSupported, why);
}
}  // namespace

std::shared_ptr<AUAudioUnitBus> AUAudioUnitBus::initWithFormat(std::shared_ptr<const AVAudioFormat> format,
                                                               NSError* outError) {
  if (!format) {
    formatRefused(outError, "A bus needs a format.");
    return nullptr;
  }
  return std::make_shared<AUAudioUnitBus>(std::move(format));
}

bool AUAudioUnitBus::setFormat(std::shared_ptr<const AVAudioFormat> format, NSError* outError) {
  if (!format) return formatRefused(outError, "A bus needs a format.");
  if (format->channelCount() > _maximumChannelCount)
    return formatRefused(outError, "The bus takes at most " + std::to_string(_maximumChannelCount) + " channels, not " +
                                       std::to_string(format->channelCount()) + ".");
  _format = std::move(format);
  return true;
}

AUAudioUnitBusArray::AUAudioUnitBusArray(std::weak_ptr<AUAudioUnit> audioUnit, AUAudioUnitBusType busType,
                                         std::vector<std::shared_ptr<AUAudioUnitBus>> busses)
    : owner(std::move(audioUnit)), _busType(busType), _busses(std::move(busses)) {
  for (auto& bus : _busses) {
    if (!bus) continue;
    bus->_busType = busType;
    bus->owner = owner;
  }
}

}  // namespace platform
