#include "platform/au/AudioComponentInfo.h"

namespace platform {

namespace {

constexpr int64_t kInvalidInfoError = 3840;

bool invalid(NSError* outError, const std::string& why) {
  return NSError::fail(outError, NSCocoaErrorDomain, kInvalidInfoError, "Info.plist: " + why);
}

const PlistDictionary* dictionaryEntry(const PlistDictionary& dictionary, const char* key) {
  const PlistValue* entry = plistEntry(dictionary, key);
  return entry ? entry->dictionaryValue() : nullptr;
}

std::optional<OSType> codeEntry(const PlistDictionary& component, const char* key) {
  const PlistValue* entry = plistEntry(component, key);
  const std::string* text = entry ? entry->stringValue() : nullptr;
  return text ? fourCharCodeFromString(*text) : std::nullopt;
}

}  // namespace

std::optional<OSType> fourCharCodeFromString(std::string_view text) {
  if (text.size() != 4) return std::nullopt;
  OSType code = 0;
  for (char c : text) code = (code << 8) | uint8_t(c);
  return code;
}

std::string stringFromFourCharCode(OSType code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[size_t(i)] = char((code >> (24 - 8 * i)) & 0xFF);
  return text;
}

std::optional<AudioComponentInfo> audioComponentFromInfoDictionary(const PlistDictionary& info, NSError* outError) {
  const PlistDictionary* extension = dictionaryEntry(info, "NSExtension");
  const PlistDictionary* attributes = extension ? dictionaryEntry(*extension, "NSExtensionAttributes") : nullptr;
  const PlistValue* components = attributes ? plistEntry(*attributes, "AudioComponents") : nullptr;
  const PlistArray* list = components ? components->arrayValue() : nullptr;
  if (!list || list->empty() || !list->front().dictionaryValue()) {
    invalid(outError, "no NSExtension/NSExtensionAttributes/AudioComponents entry.");
    return std::nullopt;
  }
  const PlistDictionary& component = *list->front().dictionaryValue();
  const auto type = codeEntry(component, "type");
  const auto subtype = codeEntry(component, "subtype");
  const auto manufacturer = codeEntry(component, "manufacturer");
  if (!type || !subtype || !manufacturer) {
    invalid(outError, "the audio component needs four-character type, subtype and manufacturer codes.");
    return std::nullopt;
  }
  AudioComponentInfo result;
  result.description.componentType = *type;
  result.description.componentSubType = *subtype;
  result.description.componentManufacturer = *manufacturer;
  if (const PlistValue* name = plistEntry(component, "name"); name && name->stringValue())
    result.name = *name->stringValue();
  if (const PlistValue* version = plistEntry(component, "version"); version && version->isNumber())
    result.version = uint32_t(version->integerValue());
  return result;
}

std::optional<AudioComponentInfo> audioComponentFromBundle(const NSBundle& bundle, NSError* outError) {
  return audioComponentFromInfoDictionary(bundle.infoDictionary(), outError);
}

}  // namespace platform
