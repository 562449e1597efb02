// Minutes of varied audio through the render block at each common sample rate, in
// blocks of 1 to 8192 frames, with random automation of every parameter (through the
// tree and as render events), resets and re-allocations: the output never leaves
// [−1, 1] and never turns non-finite, and after a burst of NaN, infinity or huge
// samples the effect is itself again — silence in gives near-silence out once the
// tail has passed, and noise in gives neither silence nor a pinned output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "ExtensionBundle.h"

using namespace platform;

namespace {

// Ten minutes of audio in all, fewer seconds at the higher rates to keep the run short.
constexpr double kMinutes = 10.0;
constexpr double kRates[] = {22050.0, 44100.0, 48000.0, 96000.0, 192000.0};
double secondsAt(double rate) {
  double sum = 0.0;
  for (double r : kRates) sum += 1.0 / std::sqrt(r);
  return kMinutes * 60.0 / std::sqrt(rate) / sum;
}
constexpr AUAudioFrameCount kLargestBlock = 8192;
// The recovery check first turns the feedback down to this, so that whatever the delays
// hold (up to 0.25 s long, and gliding there from earlier settings) falls by more than
// 180 dB within kTailSeconds, to near silence.
constexpr float kProbeFeedback = 0.2f;
constexpr double kTailSeconds = 3.0;
constexpr float kNearSilence = 0.01f;

enum class Material { Silence, Noise, Square, DC, Burst };

class Soak {
public:
  explicit Soak(double rate) : rate(rate), rng(uint32_t(rate)) {
    EXPECT_TRUE((*unit->inputBusses())[0]->setFormat(AVAudioFormat::standardFormat(rate, 2), nullptr));
    reallocate();
  }

  double renderedSeconds() const { return double(framesRendered) / rate; }

  void reallocate() {
    // Mostly what hosts use, now and then a tiny maximum.
    const double low = rng() % 10 ? 8.0 : 0.0;
    maximum = std::min(kLargestBlock, AUAudioFrameCount(std::exp2(uniform(low, std::log2(kLargestBlock + 1.0)))));
    unit->setMaximumFramesToRender(maximum);
    ASSERT_TRUE(unit->allocateRenderResources(nullptr));
    block = unit->internalRenderBlock();
  }

  // One stretch of `material`, automated unless `automate` is false; returns the
  // peak of its last `lastFrames` output samples (both channels), or for noise the RMS.
  float play(Material material, double seconds, bool automate = true, int64_t lastFrames = 0) {
    const auto frames = int64_t(seconds * rate);
    const double squareHz = uniform(20.0, 2000.0), level = uniform(-1.0, 1.0);
    double sum = 0.0;
    float peak = 0.0f;
    for (int64_t done = 0; done < frames;) {
      const auto n = AUAudioFrameCount(std::min<int64_t>(frames - done, blockSize()));
      left.resize(n);
      right.resize(n);
      for (AUAudioFrameCount i = 0; i < n; ++i) {
        const int64_t t = done + i;
        if (material == Material::Noise || material == Material::Burst) {
          left[i] = material == Material::Noise ? float(uniform(-0.5, 0.5)) : badSample();
          right[i] = material == Material::Noise ? float(uniform(-0.5, 0.5)) : badSample();
        } else {
          const float square = std::fmod(double(t) * squareHz / rate, 1.0) < 0.5 ? 1.0f : -1.0f;
          left[i] = right[i] = material == Material::Silence ? 0.0f : material == Material::DC ? float(level) : square;
        }
      }
      renderBlock(n, automate);
      for (AUAudioFrameCount i = 0; i < n; ++i)
        for (const float out : {left[i], right[i]}) {
          if (!(std::fabs(out) <= 1.0f)) {
            ADD_FAILURE() << "output " << out << " at " << renderedSeconds() << " s, " << rate << " Hz";
            return 0.0f;
          }
          if (done + i >= frames - lastFrames) {
            peak = std::max(peak, std::fabs(out));
            sum += double(out) * out;
          }
        }
      done += n;
      framesRendered += n;
    }
    return material == Material::Noise ? float(std::sqrt(sum / double(2 * std::max<int64_t>(lastFrames, 1)))) : peak;
  }

  // After bad samples: the tail dies away in silence, and noise comes through.
  void expectRecovery() {
    const auto nostalgia = unit->parameterTree()->parameterWithAddress(drollicant::kNostalgia);
    nostalgia->setValue(std::min(nostalgia->value(), kProbeFeedback));
    const float tailPeak = play(Material::Silence, kTailSeconds, false, int64_t(0.05 * rate));
    EXPECT_LT(tailPeak, kNearSilence) << rate << " Hz at " << renderedSeconds() << " s";
    const int64_t window = int64_t(0.1 * rate);
    const float rms = play(Material::Noise, 0.3, false, window);
    EXPECT_GT(rms, 1e-3f) << rate << " Hz at " << renderedSeconds() << " s";
    EXPECT_LT(rms, 0.99f) << rate << " Hz at " << renderedSeconds() << " s";
  }

  void automateSomething() {
    const auto address = AUParameterAddress(rng() % 8);
    unit->parameterTree()->parameterWithAddress(address)->setValue(float(uniform(0.0, 1.0)));
  }

  void occasionallyResetOrReallocate() {
    const double dice = uniform(0.0, 1.0);
    if (dice < 0.1)
      unit->reset();
    else if (dice < 0.2)
      reallocate();
  }

private:
  double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(rng); }

  // Mostly blocks of half the maximum or more; one in ten of any size down to a single frame.
  AUAudioFrameCount blockSize() {
    const double low = rng() % 10 ? std::log2(double(maximum) / 2) : 0.0;
    return std::clamp(AUAudioFrameCount(std::exp2(uniform(low, std::log2(double(maximum) + 1)))), 1u, maximum);
  }

  float badSample() {
    static constexpr float kBad[] = {std::numeric_limits<float>::quiet_NaN(),
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(),
                                     1e30f,
                                     -std::numeric_limits<float>::max(),
                                     std::numeric_limits<float>::denorm_min(),
                                     0.7f,
                                     -0.7f};
    return kBad[rng() % std::size(kBad)];
  }

  void renderBlock(AUAudioFrameCount frames, bool automate) {
    std::vector<AURenderEvent> events;
    if (automate && rng() % 4 == 0) {
      events.resize(1 + rng() % 3);
      for (size_t e = 0; e < events.size(); ++e) {
        auto& event = events[e].parameter;
        event.eventType = AURenderEventType::Parameter;
        event.parameterAddress = rng() % 8;
        event.value = float(uniform(0.0, 1.0));
        event.next = e + 1 < events.size() ? &events[e + 1] : nullptr;
      }
    }
    if (automate && rng() % 16 == 0) automateSomething();
    // Two buffers, or now and then one interleaved buffer.
    const bool interleave = rng() % 4 == 0;
    if (interleave) {
      interleaved.resize(2 * size_t(frames));
      for (size_t i = 0; i < frames; ++i) interleaved[2 * i] = left[i], interleaved[2 * i + 1] = right[i];
    }
    StereoBufferList list(interleave ? 1 : 2);
    if (interleave) {
      list.setBuffer(0, interleaved.data(), 2, frames);
    } else {
      list.setBuffer(0, left.data(), 1, frames);
      list.setBuffer(1, right.data(), 1, frames);
    }
    auto pull = [](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount, NSInteger, AudioBufferList*) {
      return noErr;
    };  // the input is in the buffers already
    AudioUnitRenderActionFlags flags = 0;
    const AudioTimeStamp timestamp;
    ASSERT_EQ(block(&flags, &timestamp, frames, 0, list.get(), events.empty() ? nullptr : events.data(), pull), noErr);
    if (interleave)
      for (size_t i = 0; i < frames; ++i) left[i] = interleaved[2 * i], right[i] = interleaved[2 * i + 1];
  }

  const double rate;
  std::mt19937 rng;
  const std::shared_ptr<drollicant::DrollicantAudioUnit> unit = testing_support::makeUnit();
  AUInternalRenderBlock block;
  AUAudioFrameCount maximum = 0;
  int64_t framesRendered = 0;
  std::vector<float> left, right, interleaved;
};

class SoakAtRate : public testing::TestWithParam<double> {};

}  // namespace

TEST_P(SoakAtRate, OutputStaysInRangeAndRecoversFromBadSamples) {
  Soak soak(GetParam());
  std::mt19937 choose(7);
  while (soak.renderedSeconds() < secondsAt(GetParam()) && !HasFailure()) {
    soak.occasionallyResetOrReallocate();
    const auto material = choose() % 8 ? Material(choose() % 4) : Material::Burst;
    if (material == Material::Burst) {
      soak.play(material, std::uniform_real_distribution<double>(0.0001, 0.05)(choose));
      soak.expectRecovery();
    } else {
      soak.play(material, std::uniform_real_distribution<double>(0.05, 2.0)(choose));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, SoakAtRate, testing::ValuesIn(kRates),
                         [](const testing::TestParamInfo<double>& info) { return std::to_string(int(info.param)); });
