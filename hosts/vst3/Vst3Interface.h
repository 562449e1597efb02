#pragma once
// The VST3-compatible C interfaces dpf-source packages (travesty, ISC), and the few
// helpers every object of ours needs to stand behind them.
#include <travesty/audio_processor.h>
#include <travesty/base.h>
#include <travesty/bstream.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/factory.h>
#include <travesty/unit.h>
#include <travesty/view.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace drollicant::vst3 {

// An interface pointer as hosts hold it: the address of a field that points to the
// interface's function table. The field sits next to its owner, so every call finds
// the object it belongs to.
template <typename Table, typename Owner>
struct Face {
  const Table* table;
  Owner* owner;
};

template <typename Owner>
Owner& ownerOf(void* self) {
  return *static_cast<Face<void, Owner>*>(self)->owner;
}

// UTF-16 text for the host from UTF-8 (names here are ASCII; anything else becomes '?').
inline void copyText(int16_t* target, size_t capacity, std::string_view text) {
  if (capacity == 0) return;
  size_t i = 0;
  for (; i + 1 < capacity && i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    target[i] = c < 0x80 ? int16_t(c) : int16_t('?');
  }
  target[i] = 0;
}

// The host's UTF-16 text as ASCII (other characters dropped), at most `capacity` characters.
inline std::string asciiText(const int16_t* source, size_t capacity) {
  std::string text;
  for (size_t i = 0; source && i < capacity && source[i] != 0; ++i)
    if (source[i] > 0 && source[i] < 0x80) text.push_back(char(source[i]));
  return text;
}

}  // namespace drollicant::vst3
