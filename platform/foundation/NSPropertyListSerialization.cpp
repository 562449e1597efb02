#include "platform/foundation/NSPropertyListSerialization.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/foundation/PlistStructureCheck.h"
#include "platform/foundation/Utf8.h"

namespace platform {

namespace {

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistFree>;

constexpr double kMicrosecondsPerSecond = 1e6;

bool fromNode(plist_t node, int depth, PlistValue& out);

bool fromArray(plist_t node, int depth, PlistValue& out) {
  PlistArray items;
  const uint32_t count = plist_array_get_size(node);
  items.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    items.emplace_back();
    if (!fromNode(plist_array_get_item(node, i), depth + 1, items.back())) return false;
  }
  out = PlistValue(std::move(items));
  return true;
}

bool fromDictionary(plist_t node, int depth, PlistValue& out) {
  PlistDictionary entries;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  if (!iterator) return false;
  bool ok = true;
  for (;;) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(node, iterator, &key, &value);
    if (!value) {
      std::free(key);
      break;
    }
    PlistValue converted;
    ok = key && fromNode(value, depth + 1, converted);
    if (ok) entries.insert_or_assign(std::string(key), std::move(converted));
    std::free(key);
    if (!ok) break;
  }
  std::free(iterator);
  if (ok) out = PlistValue(std::move(entries));
  return ok;
}

bool fromNode(plist_t node, int depth, PlistValue& out) {
  if (!node || depth > NSPropertyListSerialization::kMaxNestingDepth) return false;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t flag = 0;
      plist_get_bool_val(node, &flag);
      out = PlistValue::boolean(flag != 0);
      return true;
    }
    case PLIST_UINT: {
      uint64_t number = 0;
      plist_get_uint_val(node, &number);
      // Negative integers are kept in two's complement.
      out = PlistValue::integer(static_cast<int64_t>(number));
      return true;
    }
    case PLIST_UID: {
      uint64_t number = 0;
      plist_get_uid_val(node, &number);
      out = PlistValue::integer(static_cast<int64_t>(number));
      return true;
    }
    case PLIST_REAL: {
      double number = 0.0;
      plist_get_real_val(node, &number);
      out = PlistValue::real(number);
      return true;
    }
    case PLIST_STRING: {
      uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      out = PlistValue::string(text ? std::string(text, size_t(length)) : std::string());
      return true;
    }
    case PLIST_DATA: {
      uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      const auto* begin = reinterpret_cast<const uint8_t*>(bytes);
      out = PlistValue::data(bytes ? PlistData(begin, begin + length) : PlistData());
      return true;
    }
    case PLIST_DATE: {
      int32_t seconds = 0, microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      out = PlistValue::date({double(seconds) + double(microseconds) / kMicrosecondsPerSecond});
      return true;
    }
    case PLIST_ARRAY:
      return fromArray(node, depth, out);
    case PLIST_DICT:
      return fromDictionary(node, depth, out);
    default:
      return false;
  }
}

plist_t toNode(const PlistValue& value) {
  switch (value.type()) {
    case PlistValue::Type::String:
      return plist_new_string(sanitizedUtf8(*value.stringValue()).c_str());
    case PlistValue::Type::Integer:
      return plist_new_uint(static_cast<uint64_t>(value.integerValue()));
    case PlistValue::Type::Real:
      return plist_new_real(value.doubleValue());
    case PlistValue::Type::Boolean:
      return plist_new_bool(value.boolValue() ? 1 : 0);
    case PlistValue::Type::Data: {
      const PlistData& bytes = *value.dataValue();
      return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case PlistValue::Type::Date: {
      // libplist holds 32-bit seconds: a date further than about 68 years from 2001
      // is written as the nearest one it can hold, a NaN date as the epoch.
      const double stored = value.dateValue()->secondsSinceReferenceDate;
      const double seconds = std::isnan(stored) ? 0.0 : std::clamp(stored, double(INT32_MIN), double(INT32_MAX));
      const double whole = std::trunc(seconds);
      return plist_new_date(int32_t(whole), int32_t((seconds - whole) * kMicrosecondsPerSecond));
    }
    case PlistValue::Type::Array: {
      plist_t array = plist_new_array();
      for (const PlistValue& item : *value.arrayValue()) plist_array_append_item(array, toNode(item));
      return array;
    }
    case PlistValue::Type::Dictionary: {
      plist_t dictionary = plist_new_dict();
      for (const auto& [key, item] : *value.dictionaryValue())
        plist_dict_set_item(dictionary, sanitizedUtf8(key).c_str(), toNode(item));
      return dictionary;
    }
  }
  return nullptr;
}

bool corrupt(NSError* outError, const char* why) {
  return NSError::fail(outError, NSCocoaErrorDomain, NSPropertyListReadCorruptError, why);
}

}  // namespace

std::optional<PlistValue> NSPropertyListSerialization::propertyListWithData(std::string_view data, NSError* outError) {
  if (data.empty()) {
    corrupt(outError, "The data is empty.");
    return std::nullopt;
  }
  if (data.size() > kMaxInputBytes) {
    corrupt(outError, "The data is too large to be a property list.");
    return std::nullopt;
  }
  // A terminated copy: the XML reader must never look past the end.
  const std::string bytes(data);
  const auto length = static_cast<uint32_t>(bytes.size());
  const bool binary = plist_is_binary(bytes.data(), length) != 0;
  const bool sound = binary ? detail::binaryStructureWithin(bytes, kMaxNestingDepth, kMaxExpandedObjects)
                            : detail::xmlNestingWithin(bytes, kMaxNestingDepth);
  if (!sound) {
    corrupt(outError, "The property list is malformed or nested too deeply.");
    return std::nullopt;
  }
  plist_t root = nullptr;
  if (binary)
    plist_from_bin(bytes.data(), length, &root);
  else
    plist_from_xml(bytes.data(), length, &root);
  PlistHandle handle(root);
  if (!root) {
    corrupt(outError, "The data is not a property list.");
    return std::nullopt;
  }
  PlistValue value;
  if (!fromNode(root, 0, value)) {
    corrupt(outError, "The property list holds a value of an unknown kind.");
    return std::nullopt;
  }
  return std::optional<PlistValue>(std::move(value));
}

std::optional<std::string> NSPropertyListSerialization::dataWithPropertyList(const PlistValue& value,
                                                                             NSPropertyListFormat format,
                                                                             NSError* outError) {
  PlistHandle root(toNode(value));
  char* bytes = nullptr;
  uint32_t length = 0;
  if (format == NSPropertyListFormat::Binary_v1_0)
    plist_to_bin(root.get(), &bytes, &length);
  else
    plist_to_xml(root.get(), &bytes, &length);
  if (!bytes) {
    NSError::fail(outError, NSCocoaErrorDomain, NSPropertyListWriteInvalidError,
                  "The property list cannot be encoded.");
    return std::nullopt;
  }
  std::string encoded(bytes, length);
  if (format == NSPropertyListFormat::Binary_v1_0)
    plist_to_bin_free(bytes);
  else
    plist_to_xml_free(bytes);
  return encoded;
}

}  // namespace platform
