#pragma once
#include <memory>
#include <string>

#include "platform/au/AudioTypes.h"

namespace platform {

// A plain preset record. Numbers 0 and above are factory presets, negative numbers
// are the user's own presets.
class AUAudioUnitPreset {
public:
  AUAudioUnitPreset() = default;
  AUAudioUnitPreset(NSInteger number, std::string name) : _number(number), _name(std::move(name)) {}

  static std::shared_ptr<AUAudioUnitPreset> make(NSInteger number, std::string name) {
    return std::make_shared<AUAudioUnitPreset>(number, std::move(name));
  }

  NSInteger number() const { return _number; }
  void setNumber(NSInteger number) { _number = number; }
  const std::string& name() const { return _name; }
  void setName(std::string name) { _name = std::move(name); }

private:
  NSInteger _number = 0;
  std::string _name;
};

}  // namespace platform
