#include "platform/foundation/PlistValue.h"

#include <cmath>
#include <limits>

namespace platform {

double PlistValue::doubleValue() const {
  switch (type()) {
    case Type::Integer:
      return static_cast<double>(std::get<int64_t>(storage));
    case Type::Real:
      return std::get<double>(storage);
    case Type::Boolean:
      return std::get<bool>(storage) ? 1.0 : 0.0;
    default:
      return 0.0;
  }
}

int64_t PlistValue::integerValue() const {
  switch (type()) {
    case Type::Integer:
      return std::get<int64_t>(storage);
    case Type::Boolean:
      return std::get<bool>(storage) ? 1 : 0;
    case Type::Real: {
      const double x = std::get<double>(storage);
      if (std::isnan(x)) return 0;
      // 2^63 is exactly representable; anything at or beyond it saturates.
      constexpr double kLimit = 9223372036854775808.0;
      if (x >= kLimit) return std::numeric_limits<int64_t>::max();
      if (x < -kLimit) return std::numeric_limits<int64_t>::min();
      return static_cast<int64_t>(x);
    }
    default:
      return 0;
  }
}

const PlistValue* plistEntry(const PlistDictionary& dictionary, const std::string& key) {
  const auto found = dictionary.find(key);
  return found == dictionary.end() ? nullptr : &found->second;
}

}  // namespace platform
