#pragma once
// Plain data types of the audio-unit interface, laid out like the platform's C types.
#include <cstddef>
#include <cstdint>
#include <new>

namespace platform {

using OSType = uint32_t;
using OSStatus = int32_t;
using NSInteger = int64_t;
using AUAudioUnitStatus = OSStatus;
using AUAudioFrameCount = uint32_t;
using AUAudioChannelCount = uint32_t;
using AVAudioChannelCount = uint32_t;
using AUEventSampleTime = int64_t;
using AUParameterAddress = uint64_t;
using AUValue = float;
using AudioUnitRenderActionFlags = uint32_t;
using AudioComponentInstantiationOptions = uint32_t;
using AudioUnitParameterOptions = uint32_t;

// Status codes.
inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus kAudio_ParamError = -50;
inline constexpr OSStatus kAudioUnitErr_FormatNotSupported = -10868;
inline constexpr OSStatus kAudioUnitErr_TooManyFramesToProcess = -10874;
inline constexpr OSStatus kAudioUnitErr_NoConnection = -10876;

// Identifies a component: type, subtype and manufacturer are four-character codes.
struct AudioComponentDescription {
  OSType componentType = 0;
  OSType componentSubType = 0;
  OSType componentManufacturer = 0;
  uint32_t componentFlags = 0;
  uint32_t componentFlagsMask = 0;
  bool operator==(const AudioComponentDescription&) const = default;
};

// The four characters of a code, big-endian ('aufx' is 0x61756678).
constexpr OSType fourCharCode(const char (&code)[5]) {
  return (OSType(uint8_t(code[0])) << 24) | (OSType(uint8_t(code[1])) << 16) | (OSType(uint8_t(code[2])) << 8) |
         OSType(uint8_t(code[3]));
}

struct AudioTimeStamp {
  double mSampleTime = 0.0;
  uint64_t mHostTime = 0;
  double mRateScalar = 1.0;
  uint64_t mWordClockTime = 0;
  uint32_t mFlags = 0;
};
inline constexpr uint32_t kAudioTimeStampSampleTimeValid = 1;

struct AudioBuffer {
  uint32_t mNumberChannels = 0;
  uint32_t mDataByteSize = 0;
  void* mData = nullptr;
};

// A buffer count followed by that many buffers, as in the platform's C layout.
// Never create one by value: use AudioBufferListStorage (or memory of
// audioBufferListSize(n) bytes) so the buffers have room.
struct AudioBufferList {
  uint32_t mNumberBuffers;
  AudioBuffer mBuffers[];
};

constexpr size_t audioBufferListSize(uint32_t bufferCount) {
  return sizeof(AudioBufferList) + sizeof(AudioBuffer) * bufferCount;
}

// Room for an AudioBufferList of up to MaxBuffers buffers, on the stack or inside
// another object; nothing is allocated. Audio thread safe.
template <uint32_t MaxBuffers>
class AudioBufferListStorage {
public:
  explicit AudioBufferListStorage(uint32_t bufferCount = MaxBuffers) {
    list = new (storage) AudioBufferList;
    list->mNumberBuffers = bufferCount <= MaxBuffers ? bufferCount : MaxBuffers;
    for (uint32_t i = 0; i < MaxBuffers; ++i) new (&list->mBuffers[i]) AudioBuffer{};
  }
  AudioBufferListStorage(const AudioBufferListStorage&) = delete;
  AudioBufferListStorage& operator=(const AudioBufferListStorage&) = delete;

  AudioBufferList* get() { return list; }
  AudioBufferList* operator->() { return list; }

  // Points buffer `index` at `frames` frames of `channels` interleaved float channels.
  void setBuffer(uint32_t index, float* data, uint32_t channels, AUAudioFrameCount frames) {
    if (index >= MaxBuffers) return;
    list->mBuffers[index].mNumberChannels = channels;
    list->mBuffers[index].mDataByteSize = uint32_t(sizeof(float)) * channels * frames;
    list->mBuffers[index].mData = data;
  }

private:
  alignas(AudioBufferList) alignas(AudioBuffer) unsigned char storage[audioBufferListSize(MaxBuffers)];
  AudioBufferList* list;
};

// Stereo as two non-interleaved buffers, or as one interleaved buffer.
using StereoBufferList = AudioBufferListStorage<2>;

// Realtime events: a singly linked list of records whose header is shared.
enum class AURenderEventType : uint8_t {
  Parameter = 1,
  ParameterRamp = 2,
  MIDI = 8,
  MIDISysEx = 9,
};

union AURenderEvent;

struct AURenderEventHeader {
  AURenderEvent* next;
  AUEventSampleTime eventSampleTime;
  AURenderEventType eventType;
  uint8_t reserved;
};

struct AUParameterEvent {
  AURenderEvent* next;
  AUEventSampleTime eventSampleTime;
  AURenderEventType eventType;
  uint8_t reserved[3];
  AUAudioFrameCount rampDurationSampleFrames;
  AUParameterAddress parameterAddress;
  AUValue value;
};

struct AUMIDIEvent {
  AURenderEvent* next;
  AUEventSampleTime eventSampleTime;
  AURenderEventType eventType;
  uint8_t reserved;
  uint16_t length;
  uint8_t cable;
  uint8_t data[3];
};

union AURenderEvent {
  AURenderEventHeader head;
  AUParameterEvent parameter;
  AUMIDIEvent MIDI;
};

}  // namespace platform
