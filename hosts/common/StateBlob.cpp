#include "hosts/common/StateBlob.h"

#include "platform/foundation/NSPropertyListSerialization.h"

namespace drollicant {
using namespace platform;

std::string StateBlob::save(DrollicantAudioUnit& unit) {
  PlistDictionary state = unit.fullState().value_or(PlistDictionary{});
  if (const auto preset = unit.currentPreset()) state[kPresetNumberKey] = PlistValue::integer(preset->number());
  return NSPropertyListSerialization::dataWithPropertyList(PlistValue(std::move(state)), NSPropertyListFormat::XML_v1_0,
                                                           nullptr)
      .value_or(std::string{});
}

bool StateBlob::restore(DrollicantAudioUnit& unit, std::string_view bytes) {
  const auto decoded = NSPropertyListSerialization::propertyListWithData(bytes, nullptr);
  if (!decoded || !decoded->isDictionary()) return false;
  const PlistDictionary& state = *decoded->dictionaryValue();
  // The preset first: selecting a factory preset applies its file, and the saved values
  // that follow are what the user had, edits after choosing the preset included.
  const PlistValue* number = plistEntry(state, kPresetNumberKey);
  const PlistValue* name = plistEntry(state, StateKey::kName);
  const std::string presetName = name && name->isString() ? *name->stringValue() : std::string{};
  if (number && number->isNumber())
    unit.setCurrentPreset(AUAudioUnitPreset::make(NSInteger(number->integerValue()), presetName));
  else if (!presetName.empty())
    unit.setCurrentPreset(AUAudioUnitPreset::make(-1, presetName));
  unit.setFullState(state);
  return true;
}

}  // namespace drollicant
