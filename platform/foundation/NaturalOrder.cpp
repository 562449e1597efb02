#include "platform/foundation/NaturalOrder.h"

#include "platform/foundation/Utf8.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace platform {

namespace {

struct CollatorClose {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorClose>;

Collator makeCollator(UColAttributeValue strength) {
  UErrorCode status = U_ZERO_ERROR;
  const std::string locale = userCollationLocale();
  Collator collator(ucol_open(locale.c_str(), &status));
  if (U_FAILURE(status) || !collator) {
    status = U_ZERO_ERROR;
    collator.reset(ucol_open("", &status));
    if (U_FAILURE(status)) return nullptr;
  }
  ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
  ucol_setAttribute(collator.get(), UCOL_STRENGTH, strength, &status);
  if (U_FAILURE(status)) return nullptr;
  return collator;
}

// Configured once, then only compared with; ICU collators are safe to share for that.
const UCollator* caseInsensitiveCollator() {
  static const Collator collator = makeCollator(UCOL_SECONDARY);
  return collator.get();
}

const UCollator* caseSensitiveCollator() {
  static const Collator collator = makeCollator(UCOL_TERTIARY);
  return collator.get();
}

NSComparisonResult toResult(int order) {
  if (order < 0) return NSComparisonResult::OrderedAscending;
  if (order > 0) return NSComparisonResult::OrderedDescending;
  return NSComparisonResult::OrderedSame;
}

int collate(const UCollator* collator, std::string_view a, std::string_view b) {
  if (!collator) return 0;
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result =
      ucol_strcollUTF8(collator, a.data(), int32_t(a.size()), b.data(), int32_t(b.size()), &status);
  if (U_FAILURE(status)) return 0;
  return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

}  // namespace

std::string userCollationLocale() {
  for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale == "C" || locale == "POSIX") return "";
    return locale;
  }
  return "";
}

NSComparisonResult localizedStandardCompare(std::string_view a, std::string_view b) {
  if (int order = collate(caseInsensitiveCollator(), a, b)) return toResult(order);
  if (int order = collate(caseSensitiveCollator(), a, b)) return toResult(order);
  return toResult(a.compare(b));
}

bool isNumericCharacter(char32_t c) {
  return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isAllNumeric(std::string_view text) {
  if (text.empty()) return false;
  // Invalid bytes decode to U+FFFD, which is not numeric.
  const auto points = utf8CodePoints(text);
  return std::all_of(points.begin(), points.end(), isNumericCharacter);
}

}  // namespace platform
