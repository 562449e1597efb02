#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <tuple>
#include <vector>

#include "platform/foundation/NSPropertyListSerialization.h"

using namespace platform;

namespace {

std::optional<PlistValue> decode(std::string_view bytes, NSError* error = nullptr) {
  return NSPropertyListSerialization::propertyListWithData(bytes, error);
}

std::string encode(const PlistValue& value, NSPropertyListFormat format) {
  auto bytes = NSPropertyListSerialization::dataWithPropertyList(value, format, nullptr);
  return bytes ? *bytes : std::string();
}

void appendBigEndian(std::string& out, uint64_t value, int width) {
  for (int k = width - 1; k >= 0; --k) out += char((value >> (8 * k)) & 0xFF);
}

// A binary property list of containers only, written by hand so tests can build
// shapes no writer produces: object i is an array holding the references listed.
std::string binaryArrays(const std::vector<std::vector<uint32_t>>& objects, uint64_t top = 0) {
  std::string out = "bplist00";
  std::vector<uint64_t> offsets;
  for (const auto& refs : objects) {
    offsets.push_back(out.size());
    out += char(0xA0 | refs.size());
    for (uint32_t ref : refs) appendBigEndian(out, ref, 4);
  }
  const uint64_t table = out.size();
  for (uint64_t offset : offsets) appendBigEndian(out, offset, 4);
  out += std::string(6, '\0');
  out += char(4);  // offset size
  out += char(4);  // reference size
  appendBigEndian(out, objects.size(), 8);
  appendBigEndian(out, top, 8);
  appendBigEndian(out, table, 8);
  return out;
}

std::string nestedXmlArrays(int depth) {
  std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < depth; ++i) xml += "<array>";
  for (int i = 0; i < depth; ++i) xml += "</array>";
  return xml + "</plist>";
}

PlistValue sampleDictionary() {
  PlistDictionary inner;
  inner["charisma"] = PlistValue::real(0.25);
  inner["flighty"] = PlistValue::boolean(true);
  PlistDictionary root{{"name", PlistValue::string("Grüße & <Tags>")},
                       {"one", PlistValue::integer(1)},
                       {"oneReal", PlistValue::real(1.0)},
                       {"negative", PlistValue::integer(-42)},
                       {"large", PlistValue::integer(int64_t(1) << 40)},
                       {"data", PlistValue::data({0, 1, 2, 255})},
                       {"date", PlistValue::date({86400.0})},
                       {"list", PlistValue(PlistArray{PlistValue::string("a"), PlistValue::integer(2)})}};
  root["params"] = PlistValue(std::move(inner));
  return PlistValue(std::move(root));
}

}  // namespace

TEST(PropertyList, RoundTripsEveryKindThroughXmlAndBinary) {
  const PlistValue original = sampleDictionary();
  for (auto format : {NSPropertyListFormat::XML_v1_0, NSPropertyListFormat::Binary_v1_0}) {
    EXPECT_EQ(decode(encode(original, format)), original);  // integer 1 and real 1.0 stay apart
  }
}

TEST(PropertyList, OutOfRangeNumbersConvertWithoutUndefinedBehaviour) {
  EXPECT_EQ(PlistValue::real(1e300).integerValue(), INT64_MAX);
  EXPECT_EQ(PlistValue::real(std::nan("")).integerValue(), 0);
  EXPECT_NE(PlistValue::integer(1), PlistValue::real(1.0));
  // Found by fuzzing: dates beyond libplist's 32-bit seconds overflowed an int
  // conversion (a far future came back as a far past). They are held at the limits.
  const double latest = INT32_MAX, earliest = INT32_MIN;
  for (const auto& [date, expected] : {std::pair{3e9, latest},
                                       {1e300, latest},
                                       {-2.2e9, earliest},
                                       {-HUGE_VAL, earliest},
                                       {std::nan(""), 0.0},
                                       {86400.5, 86400.5}}) {
    const auto read = decode(encode(PlistValue::date({date}), NSPropertyListFormat::Binary_v1_0));
    ASSERT_TRUE(read && read->dateValue()) << date;
    EXPECT_EQ(read->dateValue()->secondsSinceReferenceDate, expected) << date;
  }
}

TEST(PropertyList, BadBytesFailWithAnErrorNeverACrash) {
  const std::string xml = encode(sampleDictionary(), NSPropertyListFormat::XML_v1_0);
  const std::string binary = encode(sampleDictionary(), NSPropertyListFormat::Binary_v1_0);
  std::vector<std::string> inputs = {"",
                                     "hello, world",
                                     std::string(1000, '\0'),
                                     "bplist00",
                                     "bplist00" + std::string(40, '\xff'),
                                     "<plist><dict><key>a</key>",
                                     "<?xml version=\"1.0\"?><plist><real>"};
  for (size_t cut : {size_t(1), xml.size() / 3, xml.size() / 2, xml.size() - 20}) inputs.push_back(xml.substr(0, cut));
  for (size_t cut : {size_t(9), binary.size() / 2, binary.size() - 1}) inputs.push_back(binary.substr(0, cut));
  // Random corruption is the state_restore fuzz target's, seeded with both formats.
  for (const auto& input : inputs) {
    NSError error;
    EXPECT_FALSE(decode(input, &error)) << input.size() << " bytes";
    EXPECT_EQ(error.domain, NSCocoaErrorDomain);
    EXPECT_EQ(error.code, NSPropertyListReadCorruptError);
  }
}

TEST(PropertyList, InputsBeyondTheSizeLimitAreRefused) {
  std::string huge = "<?xml version=\"1.0\"?><plist version=\"1.0\"><string>";
  huge.append(NSPropertyListSerialization::kMaxInputBytes, 'x');
  huge += "</string></plist>";
  NSError error;
  EXPECT_FALSE(decode(huge, &error));
  EXPECT_EQ(error.code, NSPropertyListReadCorruptError);
}

TEST(PropertyList, DeepNestingIsRefusedInsteadOfOverflowingTheStack) {
  const int limit = NSPropertyListSerialization::kMaxNestingDepth;
  EXPECT_TRUE(decode(nestedXmlArrays(limit)));
  EXPECT_FALSE(decode(nestedXmlArrays(limit + 1)));
  EXPECT_FALSE(decode(nestedXmlArrays(200000)));

  auto chain = [](uint32_t depth) {
    std::vector<std::vector<uint32_t>> objects;
    for (uint32_t i = 0; i < depth; ++i) objects.push_back({i + 1});
    objects.push_back({});
    return binaryArrays(objects);
  };
  EXPECT_TRUE(decode(chain(uint32_t(limit) - 1)));
  EXPECT_FALSE(decode(chain(200000)));
}

TEST(PropertyList, BinaryCyclesAndExpansionBombsAreRefused) {
  EXPECT_FALSE(decode(binaryArrays({{0}})));            // an array holding itself
  EXPECT_FALSE(decode(binaryArrays({{1}, {0}})));       // two arrays holding each other
  EXPECT_FALSE(decode(binaryArrays({{5}})));            // a reference to nothing
  EXPECT_FALSE(decode(binaryArrays({{}}, /*top=*/3)));  // a top object that does not exist
  // 40 levels, each holding the next twice: 2^40 values once expanded.
  std::vector<std::vector<uint32_t>> bomb;
  for (uint32_t i = 0; i < 40; ++i) bomb.push_back({i + 1, i + 1});
  bomb.push_back({});
  EXPECT_FALSE(decode(binaryArrays(bomb)));
  // Shared references that stay small are fine.
  EXPECT_TRUE(decode(binaryArrays({{1, 1, 1}, {}})));
}

// Found by fuzzing: libplist aborted the whole process on such a key.
TEST(PropertyList, BinaryKeysHoldingNulAreRefused) {
  // An ASCII key and a UTF-16 one, each made to hold NUL in the written bytes.
  const std::string utf16 = std::string("\x01\x00\x00", 3) + "b";
  for (const auto& [key, text, nulled] : {std::tuple<std::string, std::string, std::string>{"ab", "ab", {"a\0", 2}},
                                          {"\u0100b", utf16, std::string(4, '\0')}}) {
    std::string binary =
        encode(PlistValue(PlistDictionary{{key, PlistValue::integer(1)}}), NSPropertyListFormat::Binary_v1_0);
    EXPECT_TRUE(decode(binary));
    const size_t at = binary.find(text);
    ASSERT_NE(at, std::string::npos);
    binary.replace(at, text.size(), nulled);
    NSError error;
    EXPECT_FALSE(decode(binary, &error));
    EXPECT_EQ(error.code, NSPropertyListReadCorruptError);
  }
}

TEST(PropertyList, TextThatIsNotUtf8IsWrittenReadably) {
  PlistDictionary root;
  root["name\xff"] = PlistValue::string("Warm\xc3 \xfe");
  const auto decoded = decode(encode(PlistValue(root), NSPropertyListFormat::XML_v1_0));
  ASSERT_TRUE(decoded);
  const PlistValue* name = plistEntry(*decoded->dictionaryValue(), "name\xEF\xBF\xBD");
  ASSERT_TRUE(name);
  EXPECT_EQ(*name->stringValue(), "Warm\xEF\xBF\xBD \xEF\xBF\xBD");
}
