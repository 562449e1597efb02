#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace platform {

class PlistValue;
// Keys are strings; property lists only allow string keys.
using PlistDictionary = std::map<std::string, PlistValue>;
using PlistArray = std::vector<PlistValue>;
using PlistData = std::vector<uint8_t>;

// A point in time, in seconds since 2001-01-01 00:00:00 UTC (the property-list epoch).
struct PlistDate {
  double secondsSinceReferenceDate = 0.0;
  bool operator==(const PlistDate&) const = default;
};

// One property-list value: the stand-in for NSString, NSNumber (integer, real and
// boolean kept apart), NSData, NSDate, NSArray and NSDictionary. A plain value type:
// copying copies the whole tree. Default-constructed, it is an empty dictionary.
class PlistValue {
public:
  enum class Type { String, Integer, Real, Boolean, Data, Date, Array, Dictionary };

  PlistValue() : storage(PlistDictionary{}) {}
  PlistValue(PlistDictionary dictionary) : storage(std::move(dictionary)) {}
  PlistValue(PlistArray array) : storage(std::move(array)) {}

  static PlistValue string(std::string text) { return PlistValue(Storage(std::move(text))); }
  static PlistValue integer(int64_t number) { return PlistValue(Storage(number)); }
  static PlistValue real(double number) { return PlistValue(Storage(number)); }
  static PlistValue boolean(bool flag) { return PlistValue(Storage(flag)); }
  static PlistValue data(PlistData bytes) { return PlistValue(Storage(std::move(bytes))); }
  static PlistValue date(PlistDate when) { return PlistValue(Storage(when)); }

  Type type() const { return static_cast<Type>(storage.index()); }
  bool isString() const { return type() == Type::String; }
  bool isDictionary() const { return type() == Type::Dictionary; }
  bool isArray() const { return type() == Type::Array; }
  // NSNumber: integers, reals and booleans are all numbers.
  bool isNumber() const { return type() == Type::Integer || type() == Type::Real || type() == Type::Boolean; }

  // NSNumber conversions; 0 for values that are not numbers. A boolean is 0 or 1.
  float floatValue() const { return static_cast<float>(doubleValue()); }
  double doubleValue() const;
  // Reals are truncated towards zero and saturate at the int64 range; NaN gives 0.
  int64_t integerValue() const;
  // Any nonzero number is true.
  bool boolValue() const { return doubleValue() != 0.0; }

  // Typed views; nullptr when the value is of another type.
  const std::string* stringValue() const { return std::get_if<std::string>(&storage); }
  const PlistData* dataValue() const { return std::get_if<PlistData>(&storage); }
  const PlistDate* dateValue() const { return std::get_if<PlistDate>(&storage); }
  const PlistArray* arrayValue() const { return std::get_if<PlistArray>(&storage); }
  const PlistDictionary* dictionaryValue() const { return std::get_if<PlistDictionary>(&storage); }
  PlistArray* arrayValue() { return std::get_if<PlistArray>(&storage); }
  PlistDictionary* dictionaryValue() { return std::get_if<PlistDictionary>(&storage); }

  // Deep equality; an integer 1 and a real 1.0 are different values.
  bool operator==(const PlistValue& other) const { return storage == other.storage; }

private:
  // The order of the alternatives is the order of Type.
  using Storage = std::variant<std::string, int64_t, double, bool, PlistData, PlistDate, PlistArray, PlistDictionary>;
  explicit PlistValue(Storage value) : storage(std::move(value)) {}
  Storage storage;
};

// The entry `key` of a dictionary, or nullptr when absent.
const PlistValue* plistEntry(const PlistDictionary& dictionary, const std::string& key);

}  // namespace platform
