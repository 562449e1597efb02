#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "ExtensionBundle.h"
#include "audiounit/KernelParameters.h"

using namespace drollicant;
using namespace platform;
using namespace testing_support;

namespace {

constexpr AUAudioFrameCount kFrames = 512;

// A host's side of rendering: input signal, output buffers and the pull block.
struct Host {
  std::vector<float> inputL, inputR, left, right;
  AUAudioUnitStatus pullStatus = noErr;
  bool connected = true;
  bool pullFills = true;  // false: the pull succeeds but writes nothing, as a careless host's may
  std::function<void()> duringPull;

  explicit Host(AUAudioFrameCount frames) : inputL(frames), inputR(frames), left(frames), right(frames) {
    for (size_t i = 0; i < frames; ++i) {
      inputL[i] = 0.5f * std::sin(0.03f * float(i));
      inputR[i] = 0.4f * std::sin(0.05f * float(i) + 1.0f);
    }
  }

  // Copies the input into whatever list it is given: left first, then right.
  AUAudioUnitStatus pull(AudioUnitRenderActionFlags* flags, AUAudioFrameCount frames, NSInteger bus,
                         AudioBufferList* list) {
    EXPECT_EQ(*flags, 0u);
    EXPECT_EQ(bus, 0);
    if (duringPull) duringPull();
    if (pullStatus != noErr || !pullFills) return pullStatus;
    for (uint32_t b = 0; b < list->mNumberBuffers; ++b) {
      auto* out = static_cast<float*>(list->mBuffers[b].mData);
      const uint32_t channels = list->mBuffers[b].mNumberChannels;
      for (size_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c) out[i * channels + c] = (b + c == 0 ? inputL : inputR)[i];
    }
    return noErr;
  }

  AUAudioUnitStatus render(const AUInternalRenderBlock& block, AudioBufferList* list, AUAudioFrameCount frames,
                           const AURenderEvent* events = nullptr) {
    auto pullBlock = [this](AudioUnitRenderActionFlags* f, const AudioTimeStamp*, AUAudioFrameCount n, NSInteger b,
                            AudioBufferList* l) { return pull(f, n, b, l); };
    AudioUnitRenderActionFlags flags = 0;
    AudioTimeStamp timestamp;
    return block(&flags, &timestamp, frames, 0, list, events,
                 connected ? AURenderPullInputBlock(pullBlock) : AURenderPullInputBlock());
  }

  AUAudioUnitStatus renderStereo(const AUInternalRenderBlock& block, AUAudioFrameCount frames,
                                 const AURenderEvent* events = nullptr, AUAudioFrameCount bufferFrames = 0) {
    StereoBufferList list;
    list.setBuffer(0, left.data(), 1, bufferFrames ? bufferFrames : frames);
    list.setBuffer(1, right.data(), 1, bufferFrames ? bufferFrames : frames);
    return render(block, list.get(), frames, events);
  }
};

// Parameter events linked in the order given; a list's address is its head.
struct EventList : std::vector<AURenderEvent> {
  EventList(std::initializer_list<std::pair<AUParameterAddress, AUValue>> parameters,
            AURenderEventType type = AURenderEventType::Parameter) {
    for (const auto& [address, value] : parameters) {
      auto& event = emplace_back().parameter;
      event.eventType = type;
      event.parameterAddress = address;
      event.value = value;
    }
    for (size_t i = 0; i + 1 < size(); ++i) (*this)[i].head.next = &(*this)[i + 1];
  }
  const AURenderEvent* head() const { return data(); }
};

std::shared_ptr<DrollicantAudioUnit> allocatedUnit(AUAudioFrameCount maxFrames = 1024) {
  auto unit = makeUnit();
  unit->setMaximumFramesToRender(maxFrames);
  EXPECT_TRUE(unit->allocateRenderResources(nullptr));
  return unit;
}

// A kernel set like the unit's and allocated the same way: what the output must be.
std::unique_ptr<DrollicantDSPKernel> referenceKernel(DrollicantAudioUnit& unit, int64_t maxFrames, double rate) {
  auto kernel = std::make_unique<DrollicantDSPKernel>();
  for (const auto& row : kParameterTable)
    writeKernelParameter(*kernel, row.address, unit.kernelParameterValue(row.address));
  kernel->allocate(maxFrames, rate);
  return kernel;
}

}  // namespace

// Every failure leaves the host's buffers as they were and applies no event.
TEST(RenderBlock, FailuresReturnTheirStatusTouchNothingAndApplyNoEvent) {
  const auto unit = allocatedUnit();
  Host host(kFrames);
  const std::vector<float> untouched(kFrames, 7.0f);
  const EventList events{{kCharisma, 0.1f}, {kGenteel, 1.0f}};
  struct Case {
    const char* name;
    bool connected;
    AUAudioUnitStatus pullStatus;
    bool listGiven, secondBufferHasMemory;  // without memory, the pull succeeds but leaves it so
    AUAudioUnitStatus expected;
  };
  for (const Case& c :
       {Case{"no pull block", false, noErr, true, true, -10876}, Case{"failing pull", true, -50, true, true, -50},
        Case{"no buffer list", true, noErr, false, true, kAudio_ParamError},
        Case{"buffer without memory", true, noErr, true, false, kAudio_ParamError}}) {
    host.left = host.right = untouched;
    host.connected = c.connected;
    host.pullStatus = c.pullStatus;
    host.pullFills = c.secondBufferHasMemory;
    StereoBufferList list;
    list.setBuffer(0, host.left.data(), 1, kFrames);
    list.setBuffer(1, c.secondBufferHasMemory ? host.right.data() : nullptr, 1, kFrames);
    EXPECT_EQ(host.render(unit->internalRenderBlock(), c.listGiven ? list.get() : nullptr, kFrames, events.head()),
              c.expected)
        << c.name;
    EXPECT_EQ(host.left, untouched) << c.name;
    EXPECT_EQ(kernelFields(*unit->dspKernel), kDefaultValues) << c.name;
  }
}

// Processing only the first maximumFramesToRender frames would leave the rest raw
// under a success status.
TEST(RenderBlock, MoreFramesThanAllocatedForAreRefusedBeforeThePull) {
  const auto unit = allocatedUnit(256);
  const auto block = unit->internalRenderBlock();
  Host host(kFrames);
  bool pulled = false;
  host.duringPull = [&] { pulled = true; };
  const std::vector<float> untouched(kFrames, 7.0f);
  host.left = host.right = untouched;
  const EventList events{{kCharisma, 0.1f}};
  EXPECT_EQ(host.renderStereo(block, 257, events.head()), kAudioUnitErr_TooManyFramesToProcess);
  EXPECT_FALSE(pulled);
  EXPECT_EQ(host.left, untouched);
  EXPECT_EQ(unit->dspKernel->charisma.load(), 0.5f);
  EXPECT_EQ(host.renderStereo(block, 256), noErr);
  EXPECT_TRUE(pulled);
}

// The interleaved entry is compared with this one by the command's --interleaved test.
TEST(RenderBlock, SeparateBuffersGetTheKernelsOutput) {
  const auto unit = allocatedUnit(1024);
  const auto reference = referenceKernel(*unit, 1024, 44100.0);
  Host host(kFrames);
  const auto block = unit->internalRenderBlock();
  for (int cycle = 0; cycle < 2; ++cycle) {
    ASSERT_EQ(host.renderStereo(block, kFrames), noErr);
    std::vector<float> expectedL(kFrames), expectedR(kFrames);
    reference->process(host.inputL.data(), host.inputR.data(), expectedL.data(), expectedR.data(), kFrames);
    EXPECT_EQ(host.left, expectedL);
    EXPECT_EQ(host.right, expectedR);
    EXPECT_NE(host.left, host.inputL);
  }
}

TEST(RenderBlock, ProcessesNoMoreThanTheBuffersHold) {
  const auto unit = allocatedUnit(1024);
  Host host(kFrames);
  // The host claims 512 frames but the buffers say they hold 100: only 100 are
  // processed and nothing past them is written.
  host.left = host.right = std::vector<float>(kFrames, 3.0f);
  host.pullFills = false;
  ASSERT_EQ(host.renderStereo(unit->internalRenderBlock(), kFrames, nullptr, 100), noErr);
  EXPECT_NE(host.left[99], 3.0f);
  EXPECT_EQ(host.left[100], 3.0f);
  EXPECT_EQ(host.right[kFrames - 1], 3.0f);
}

TEST(RenderBlock, ParameterEventsReachTheKernelBeforeProcessing) {
  const auto unit = allocatedUnit();
  Host host(kFrames);
  const auto block = unit->internalRenderBlock();
  const EventList all{{kCharisma, 0.1f}, {kNaivete, 0.2f}, {kNostalgia, 0.3f}, {kSurprise, 1.4f}, {kSweetness, -0.5f},
                      {kWhimsy, 0.2f},   {kFlighty, 0.5f}, {kGenteel, 0.5f},   {12, 0.7f},        {kWhimsy, 0.9f}};
  ASSERT_EQ(host.renderStereo(block, kFrames, all.head()), noErr);
  const DrollicantDSPKernel& kernel = *unit->dspKernel;
  // Unclamped; the last event for an address wins; switches on at 0.5.
  EXPECT_EQ(kernelFields(kernel), (std::vector<AUValue>{0.1f, 0.2f, 0.3f, 1.4f, -0.5f, 0.9f, 1.0f, 1.0f}));
  // Events change the kernel only, never the tree.
  EXPECT_EQ(unit->parameterTree()->parameterWithAddress(kCharisma)->storedValue(), 0.5f);

  const EventList off{{kGenteel, 0.4999f}};
  ASSERT_EQ(host.renderStereo(block, kFrames, off.head()), noErr);
  EXPECT_FALSE(kernel.genteel.load());

  const EventList ramps({{kCharisma, 0.9f}}, AURenderEventType::ParameterRamp);
  const EventList midi({{kCharisma, 0.9f}}, AURenderEventType::MIDI);
  ASSERT_EQ(host.renderStereo(block, kFrames, ramps.head()), noErr);
  ASSERT_EQ(host.renderStereo(block, kFrames, midi.head()), noErr);
  EXPECT_EQ(kernel.charisma.load(), 0.1f);
}

TEST(RenderBlock, UnallocatedBypassedMonoOrEmptyTheInputPassesUnchanged) {
  const auto unit = makeUnit();
  Host host(kFrames);
  EXPECT_EQ(host.renderStereo(unit->internalRenderBlock(), kFrames), noErr);
  EXPECT_EQ(host.left, host.inputL);
  EXPECT_EQ(host.right, host.inputR);

  unit->setMaximumFramesToRender(kFrames);
  ASSERT_TRUE(unit->allocateRenderResources(nullptr));
  StereoBufferList mono(1), none(0);
  mono.setBuffer(0, host.left.data(), 1, kFrames);
  std::fill(host.left.begin(), host.left.end(), 0.0f);
  EXPECT_EQ(host.render(unit->internalRenderBlock(), mono.get(), kFrames), noErr);
  EXPECT_EQ(host.left, host.inputL);
  EXPECT_EQ(host.render(unit->internalRenderBlock(), none.get(), kFrames), noErr);

  unit->setShouldBypassEffect(true);
  const EventList events{{kNostalgia, 0.8f}};
  EXPECT_EQ(host.renderStereo(unit->internalRenderBlock(), kFrames, events.head()), noErr);
  EXPECT_EQ(host.left, host.inputL);
  EXPECT_EQ(unit->dspKernel->nostalgia.load(), 0.8f);  // still applied while bypassed
  unit->reset();
  EXPECT_TRUE(unit->shouldBypassEffect());
  EXPECT_TRUE(unit->dspKernel->bypass.load());
}

TEST(RenderResources, AllocationFollowsTheInputFormat) {
  const auto unit = makeUnit();
  const auto output = (*unit->outputBusses())[0];
  ASSERT_TRUE(output->setFormat(AVAudioFormat::standardFormat(48000.0, 2), nullptr));
  for (const auto& [rate, frames] : {std::pair{44100.0, 256}, {96000.0, 4096}}) {
    ASSERT_TRUE((*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(rate, 2), nullptr));
    unit->setMaximumFramesToRender(AUAudioFrameCount(frames));
    ASSERT_TRUE(unit->allocateRenderResources(nullptr));
    EXPECT_EQ(output->format()->sampleRate(), rate);
    EXPECT_EQ(unit->dspKernel->sampleRate, rate);
    EXPECT_EQ(unit->dspKernel->maxFrames, frames);
    unit->deallocateRenderResources();
  }
}

TEST(RenderResources, RefusedFormatsAndFrameCountsFailWithoutTouchingTheKernel) {
  const auto unit = makeUnit();
  NSError error;
  (*unit->outputBusses())[0]->setMaximumChannelCount(2);
  ASSERT_TRUE((*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(44100.0, 4), nullptr));
  EXPECT_FALSE(unit->allocateRenderResources(&error));
  EXPECT_EQ(error.domain, NSOSStatusErrorDomain);
  EXPECT_EQ(error.code, kAudioUnitErr_FormatNotSupported);
  EXPECT_FALSE(unit->renderResourcesAllocated());
  EXPECT_EQ(unit->dspKernel->maxFrames, 0);

  ASSERT_TRUE((*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(44100.0, 1), nullptr));
  EXPECT_FALSE(unit->allocateRenderResources(&error));  // mono is not among the capabilities
  EXPECT_EQ(error.code, kAudioUnitErr_FormatNotSupported);

  ASSERT_TRUE((*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(44100.0, 2), nullptr));
  unit->setMaximumFramesToRender(512);
  ASSERT_TRUE(unit->allocateRenderResources(nullptr));
  unit->setMaximumFramesToRender(0);
  EXPECT_FALSE(unit->allocateRenderResources(&error));
  EXPECT_EQ(error.code, kAudioUnitErr_TooManyFramesToProcess);
  EXPECT_EQ(unit->dspKernel->maxFrames, 512);
}

TEST(RenderResources, ResetAndDeallocationClearTheTailButKeepTheSettings) {
  const auto unit = allocatedUnit(kFrames);
  unit->parameterTree()->parameterWithAddress(kCharisma)->setValue(0.2f);
  Host music(kFrames), silence(kFrames);
  silence.inputL = silence.inputR = std::vector<float>(kFrames, 0.0f);
  const auto block = unit->internalRenderBlock();
  auto tailEnergy = [&] {
    EXPECT_EQ(silence.renderStereo(block, kFrames), noErr);
    double energy = 0.0;
    for (float x : silence.left) energy += double(x) * x;
    return energy;
  };
  for (bool deallocate : {false, true}) {
    ASSERT_EQ(music.renderStereo(block, kFrames), noErr);
    EXPECT_GT(tailEnergy(), 0.0);  // the delays ring on after the input stops
    ASSERT_EQ(music.renderStereo(block, kFrames), noErr);
    deallocate ? unit->deallocateRenderResources() : unit->reset();
    EXPECT_EQ(tailEnergy(), 0.0);
  }
  EXPECT_EQ(unit->parameterTree()->parameterWithAddress(kCharisma)->value(), 0.2f);
}

// Half the smallest normal float is a denormal number, or zero when the CPU flushes.
bool flushesDenormals() {
  volatile float smallest = std::numeric_limits<float>::min();
  return smallest * 0.5f == 0.0f;
}

TEST(RenderBlock, FlushesDenormalsOnlyForItsOwnDuration) {
  const auto unit = allocatedUnit();
  Host host(kFrames);
  ASSERT_FALSE(flushesDenormals()) << "the test process starts in the default mode";
  bool flushedDuringPull = true;
  host.duringPull = [&] { flushedDuringPull = flushesDenormals(); };
  ASSERT_EQ(host.renderStereo(unit->internalRenderBlock(), kFrames), noErr);
  EXPECT_FALSE(flushesDenormals());
  EXPECT_FALSE(flushedDuringPull);  // the host's pull runs in the host's own mode
}
