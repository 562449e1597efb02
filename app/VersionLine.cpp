#include "app/VersionLine.h"

namespace drollicant {

namespace {

std::string stringEntry(const platform::PlistDictionary* info, const char* key) {
  if (!info) return kUnknownVersionPart;
  const platform::PlistValue* value = platform::plistEntry(*info, key);
  if (!value || !value->isString()) return kUnknownVersionPart;
  return *value->stringValue();
}

}  // namespace

std::string versionLine(const platform::PlistDictionary* info) {
  return "v" + stringEntry(info, kShortVersionKey) + " (" + stringEntry(info, kBuildVersionKey) + ")";
}

}  // namespace drollicant
