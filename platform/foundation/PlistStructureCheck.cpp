#include "platform/foundation/PlistStructureCheck.h"

#include <cstdint>
#include <vector>

namespace platform::detail {

namespace {

bool startsWith(std::string_view text, size_t at, std::string_view prefix) {
  return text.compare(at, prefix.size(), prefix) == 0;
}

// Index just past the first `terminator` at or after `from`, or the end of the text.
size_t skipPast(std::string_view text, size_t from, std::string_view terminator) {
  const size_t found = text.find(terminator, from);
  return found == std::string_view::npos ? text.size() : found + terminator.size();
}

bool isNameChar(char c) { return c != '>' && c != '/' && c != ' ' && c != '\t' && c != '\r' && c != '\n'; }

}  // namespace

bool xmlNestingWithin(std::string_view xml, int maxDepth) {
  int depth = 0;
  size_t i = 0;
  while ((i = xml.find('<', i)) != std::string_view::npos) {
    if (startsWith(xml, i, "<!--")) {
      i = skipPast(xml, i + 4, "-->");
      continue;
    }
    if (startsWith(xml, i, "<![CDATA[")) {
      i = skipPast(xml, i + 9, "]]>");
      continue;
    }
    if (startsWith(xml, i, "<?") || startsWith(xml, i, "<!")) {
      i = skipPast(xml, i + 2, ">");
      continue;
    }
    const bool closing = startsWith(xml, i, "</");
    size_t nameEnd = i + (closing ? 2 : 1);
    const size_t nameStart = nameEnd;
    while (nameEnd < xml.size() && isNameChar(xml[nameEnd])) ++nameEnd;
    const std::string_view name = xml.substr(nameStart, nameEnd - nameStart);
    const size_t close = xml.find('>', nameEnd);
    if (close == std::string_view::npos) break;
    const bool selfClosing = close > 0 && xml[close - 1] == '/';
    if (name == "array" || name == "dict") {
      if (closing)
        --depth;
      else if (!selfClosing && ++depth > maxDepth)
        return false;
    }
    i = close + 1;
  }
  return true;
}

namespace {

// A view of a binary property list: its trailer fields and object lookup.
class BinaryPlist {
public:
  static constexpr size_t kHeaderSize = 8;
  static constexpr size_t kTrailerSize = 32;

  explicit BinaryPlist(std::string_view data) : bytes(data) {}

  bool readTrailer() {
    if (bytes.size() < kHeaderSize + kTrailerSize) return false;
    const size_t t = bytes.size() - kTrailerSize;
    offsetSize = byteAt(t + 6);
    refSize = byteAt(t + 7);
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8) return false;
    objectCount = readBigEndian(t + 8, 8);
    topObject = readBigEndian(t + 16, 8);
    tableOffset = readBigEndian(t + 24, 8);
    if (objectCount == 0 || topObject >= objectCount) return false;
    if (tableOffset < kHeaderSize || tableOffset > t) return false;
    if (objectCount > (t - tableOffset) / offsetSize) return false;
    return true;
  }

  // Offset of object `index`, or 0 when it lies outside the object area.
  uint64_t offsetOf(uint64_t index) const {
    const uint64_t offset = readBigEndian(tableOffset + index * offsetSize, offsetSize);
    return offset >= kHeaderSize && offset < tableOffset ? offset : 0;
  }

  // For a container object: where its references start and how many there are.
  // Scalars get zero references. False for malformed headers.
  bool references(uint64_t offset, uint64_t& refsStart, uint64_t& refCount) const {
    const uint8_t kind = byteAt(offset) >> 4;
    refCount = 0;
    refsStart = 0;
    if (kind != 0xA && kind != 0xC && kind != 0xD) return true;
    uint64_t count = 0, position = 0;
    if (!lengthOf(offset, count, position)) return false;
    const uint64_t refs = kind == 0xD ? count * 2 : count;
    if (count > tableOffset || refs > (tableOffset - position) / refSize) return false;
    refsStart = position;
    refCount = refs;
    return true;
  }

  // False when object `index` is a string holding a NUL character: libplist aborts
  // the process when such a string is a dictionary key. Other objects pass.
  bool textWithoutNul(uint64_t index) const {
    const uint64_t offset = index < objectCount ? offsetOf(index) : 0;
    if (offset == 0) return false;
    const uint8_t kind = byteAt(offset) >> 4;
    if (kind != kAsciiString && kind != kUtf16String) return true;
    uint64_t count = 0, position = 0;
    if (!lengthOf(offset, count, position)) return false;
    const uint64_t unit = kind == kUtf16String ? 2 : 1;
    if (count > (tableOffset - position) / unit) return false;
    for (uint64_t at = position; at < position + count * unit; at += unit)
      if (byteAt(at) == 0 && byteAt(at + unit - 1) == 0) return false;
    return true;
  }

  bool isDictionary(uint64_t offset) const { return byteAt(offset) >> 4 == 0xD; }

  uint64_t reference(uint64_t refsStart, uint64_t n) const { return readBigEndian(refsStart + n * refSize, refSize); }

  uint64_t objectCount = 0;
  uint64_t topObject = 0;

private:
  static constexpr uint8_t kAsciiString = 0x5;
  static constexpr uint8_t kUtf16String = 0x6;

  // The element count in the low nibble of the marker at `offset`, or in the integer
  // that follows it when the nibble is 0xF; `position` is where the elements start.
  bool lengthOf(uint64_t offset, uint64_t& count, uint64_t& position) const {
    count = byteAt(offset) & 0x0F;
    position = offset + 1;
    if (count != 0x0F) return true;
    if (position >= tableOffset) return false;
    const uint8_t intMarker = byteAt(position);
    if ((intMarker >> 4) != 0x1 || (intMarker & 0x0F) > 3) return false;
    const size_t width = size_t(1) << (intMarker & 0x0F);
    if (position + 1 + width > tableOffset) return false;
    count = readBigEndian(position + 1, width);
    position += 1 + width;
    return true;
  }

  uint8_t byteAt(uint64_t at) const { return static_cast<uint8_t>(bytes[at]); }
  uint64_t readBigEndian(uint64_t at, size_t width) const {
    uint64_t value = 0;
    for (size_t k = 0; k < width; ++k) value = (value << 8) | byteAt(at + k);
    return value;
  }

  std::string_view bytes;
  size_t offsetSize = 0;
  size_t refSize = 0;
  uint64_t tableOffset = 0;
};

enum class Visit : uint8_t { NotSeen, InProgress, Done };

struct Frame {
  uint64_t object;
  uint64_t refsStart;
  uint64_t refCount;
  uint64_t next;
};

}  // namespace

bool binaryStructureWithin(std::string_view bytes, int maxDepth, size_t maxObjects) {
  BinaryPlist plist(bytes);
  if (!plist.readTrailer()) return false;

  // Longest container chain and expanded size per object, computed once each.
  std::vector<Visit> state(plist.objectCount, Visit::NotSeen);
  std::vector<uint16_t> depth(plist.objectCount, 0);
  std::vector<uint32_t> expanded(plist.objectCount, 0);
  const uint64_t saturation = uint64_t(maxObjects) + 1;

  std::vector<Frame> stack;
  auto enter = [&](uint64_t object) {
    if (object >= plist.objectCount) return false;
    if (state[object] == Visit::InProgress) return false;  // a reference cycle
    if (state[object] == Visit::Done) return true;
    const uint64_t offset = plist.offsetOf(object);
    Frame frame{object, 0, 0, 0};
    if (offset == 0 || !plist.references(offset, frame.refsStart, frame.refCount)) return false;
    if (plist.isDictionary(offset))
      for (uint64_t key = 0; key < frame.refCount / 2; ++key)
        if (!plist.textWithoutNul(plist.reference(frame.refsStart, key))) return false;
    state[object] = Visit::InProgress;
    if (stack.size() >= size_t(maxDepth) + 1) return false;
    stack.push_back(frame);
    return true;
  };

  if (!enter(plist.topObject)) return false;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next < frame.refCount) {
      const uint64_t child = plist.reference(frame.refsStart, frame.next++);
      if (!enter(child)) return false;
      continue;
    }
    uint64_t size = 1;
    uint16_t levels = frame.refCount > 0 || frame.refsStart != 0 ? 1 : 0;
    for (uint64_t n = 0; n < frame.refCount; ++n) {
      const uint64_t child = plist.reference(frame.refsStart, n);
      size += expanded[child];
      if (size > saturation) size = saturation;
      if (depth[child] + 1 > levels) levels = uint16_t(depth[child] + 1);
    }
    if (levels > maxDepth || size > maxObjects) return false;
    depth[frame.object] = levels;
    expanded[frame.object] = uint32_t(size);
    state[frame.object] = Visit::Done;
    stack.pop_back();
  }
  return true;
}

}  // namespace platform::detail
