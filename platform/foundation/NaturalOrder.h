#pragma once
#include <string>
#include <string_view>

namespace platform {

enum class NSComparisonResult { OrderedAscending = -1, OrderedSame = 0, OrderedDescending = 1 };

// The natural order of file names in the user's locale (ICU collation): runs of digits
// compare by numeric value ("2" before "10"), letters compare without regard to case
// or character width. Names that are still equal are then ordered by case and finally
// byte by byte, so only identical names compare as the same and listings sort the
// same way on every file system. Invalid UTF-8 compares as U+FFFD. Any thread.
NSComparisonResult localizedStandardCompare(std::string_view a, std::string_view b);

// The locale used for the order: LC_ALL, LC_COLLATE or LANG without encoding and
// modifier ("de_DE.UTF-8" gives "de_DE"); the root locale when unset, "C" or "POSIX".
std::string userCollationLocale();

// True for code points with a Unicode numeric type (decimal digits of any script,
// fullwidth digits, Roman numerals, fractions...), false for everything else.
bool isNumericCharacter(char32_t c);

// True when `text` is not empty and every code point of it is numeric; invalid UTF-8
// is never numeric.
bool isAllNumeric(std::string_view text);

}  // namespace platform
