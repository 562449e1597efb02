#pragma once
#include <memory>
#include <vector>

#include "platform/au/AVAudioFormat.h"
#include "platform/foundation/NSError.h"

namespace platform {

class AUAudioUnit;

enum class AUAudioUnitBusType : NSInteger { Input = 1, Output = 2 };

// One bus of an audio unit with its current format. Setup threads only.
class AUAudioUnitBus {
public:
  // A bus with `format`; nullptr, with an error, when the format is absent.
  static std::shared_ptr<AUAudioUnitBus> initWithFormat(std::shared_ptr<const AVAudioFormat> format, NSError* outError);

  std::shared_ptr<const AVAudioFormat> format() const { return _format; }

  // Changes the format; refuses (false, with kAudioUnitErr_FormatNotSupported) an
  // absent format or one with more channels than `maximumChannelCount`.
  bool setFormat(std::shared_ptr<const AVAudioFormat> format, NSError* outError);

  // The most channels this bus accepts; unlimited unless the audio unit says otherwise.
  AUAudioChannelCount maximumChannelCount() const { return _maximumChannelCount; }
  void setMaximumChannelCount(AUAudioChannelCount count) { _maximumChannelCount = count; }

  AUAudioUnitBusType busType() const { return _busType; }
  // The unit whose bus array holds this bus, if it still exists.
  std::shared_ptr<AUAudioUnit> ownerAudioUnit() const { return owner.lock(); }

  explicit AUAudioUnitBus(std::shared_ptr<const AVAudioFormat> format) : _format(std::move(format)) {}

private:
  friend class AUAudioUnitBusArray;
  std::shared_ptr<const AVAudioFormat> _format;
  AUAudioChannelCount _maximumChannelCount = ~AUAudioChannelCount(0);
  AUAudioUnitBusType _busType = AUAudioUnitBusType::Input;
  std::weak_ptr<AUAudioUnit> owner;
};

// The buses of one direction of an audio unit.
class AUAudioUnitBusArray {
public:
  AUAudioUnitBusArray(std::weak_ptr<AUAudioUnit> audioUnit, AUAudioUnitBusType busType,
                      std::vector<std::shared_ptr<AUAudioUnitBus>> busses);

  size_t count() const { return _busses.size(); }
  // Element `index` (objectAtIndexedSubscript:), nullptr when out of range.
  std::shared_ptr<AUAudioUnitBus> operator[](size_t index) const {
    return index < _busses.size() ? _busses[index] : nullptr;
  }
  AUAudioUnitBusType busType() const { return _busType; }
  std::shared_ptr<AUAudioUnit> ownerAudioUnit() const { return owner.lock(); }

private:
  std::weak_ptr<AUAudioUnit> owner;
  AUAudioUnitBusType _busType;
  std::vector<std::shared_ptr<AUAudioUnitBus>> _busses;
};

}  // namespace platform
