#include "cli/UnitRenderer.h"

#include <algorithm>
#include <cmath>

#include "cli/Interruption.h"
#include "platform/au/AVAudioFormat.h"

namespace drollicant::cli {
using namespace platform;

namespace {

std::string describeRate(double rate) {
  char text[64];
  std::snprintf(text, sizeof text, "%g Hz", rate);
  return text;
}

}  // namespace

std::unique_ptr<UnitRenderer> UnitRenderer::prepare(std::shared_ptr<DrollicantAudioUnit> unit, double sampleRate,
                                                    const RenderSettings& settings, std::string& error) {
  const auto format = settings.interleaved ? AVAudioFormat::interleavedFormat(sampleRate, 2)
                                           : AVAudioFormat::standardFormat(sampleRate, 2);
  if (!format) {
    error = "the sample rate " + describeRate(sampleRate) + " is not supported";
    return nullptr;
  }
  NSError failure;
  if (!(*unit->inputBusses())[0]->setFormat(format, &failure) ||
      !(*unit->outputBusses())[0]->setFormat(format, &failure)) {
    error = "the audio unit refused " + describeRate(sampleRate) + " stereo: " + failure.localizedDescription;
    return nullptr;
  }
  unit->setMaximumFramesToRender(settings.blockFrames);
  if (!unit->allocateRenderResources(&failure)) {
    error = "the audio unit could not prepare to render: " + failure.localizedDescription;
    return nullptr;
  }
  unit->setShouldBypassEffect(settings.bypass);
  int64_t tail = 0;
  if (settings.tail && !settings.bypass)
    tail = int64_t(std::ceil(std::min(unit->tailTime(), RenderSettings::kMaxTailSeconds) * sampleRate));
  return std::unique_ptr<UnitRenderer>(new UnitRenderer(std::move(unit), settings, tail));
}

UnitRenderer::UnitRenderer(std::shared_ptr<DrollicantAudioUnit> unit, const RenderSettings& settings,
                           int64_t tailFrames)
    : unit(std::move(unit)),
      settings(settings),
      tailLength(tailFrames),
      block(this->unit->internalRenderBlock()),
      stretchFrames(std::max<int64_t>(1, kStretchFrames / settings.blockFrames) * settings.blockFrames) {
  const auto n = size_t(stretchFrames);
  inputL.assign(n, 0.0f);
  inputR.assign(n, 0.0f);
  outputL.assign(n, 0.0f);
  outputR.assign(n, 0.0f);
  interleaved.assign(2 * size_t(settings.blockFrames), 0.0f);
  timestamp.mFlags = kAudioTimeStampSampleTimeValid;
}

UnitRenderer::~UnitRenderer() { unit->deallocateRenderResources(); }

bool UnitRenderer::render(AudioSource& source, const std::string& sourceName, AudioFileWriter& writer,
                          ProgressBar* progress, std::string& error) {
  int64_t tailLeft = tailLength;
  for (;;) {
    if (interruptionRequested()) {
      error = sourceName + ": interrupted";
      return false;
    }
    int64_t frames = source.read(inputL.data(), inputR.data(), stretchFrames);
    if (frames < 0) {
      error = source.error();
      return false;
    }
    if (frames == 0) {
      frames = std::min<int64_t>(tailLeft, stretchFrames);
      if (frames == 0) return true;
      tailLeft -= frames;
      std::fill_n(inputL.begin(), frames, 0.0f);
      std::fill_n(inputR.begin(), frames, 0.0f);
    }
    if (const AUAudioUnitStatus status = renderStretch(frames); status != noErr) {
      error = sourceName + ": the audio unit failed to render (status " + std::to_string(status) + ")";
      return false;
    }
    if (!writer.write(outputL.data(), outputR.data(), frames, error)) return false;
    if (progress) progress->advance(frames);
  }
}

AUAudioUnitStatus UnitRenderer::renderStretch(int64_t frames) {
  for (int64_t done = 0; done < frames; done += settings.blockFrames) {
    const auto n = uint32_t(std::min<int64_t>(settings.blockFrames, frames - done));
    if (const AUAudioUnitStatus status = renderBlock(done, n); status != noErr) return status;
  }
  return noErr;
}

AUAudioUnitStatus UnitRenderer::renderBlock(int64_t offset, uint32_t frames) {
  StereoBufferList buffers(settings.interleaved ? 1 : 2);
  if (settings.interleaved)
    buffers.setBuffer(0, interleaved.data(), 2, frames);
  else {
    buffers.setBuffer(0, outputL.data() + offset, 1, frames);
    buffers.setBuffer(1, outputR.data() + offset, 1, frames);
  }
  // The host's side of the cycle: hand the unit this block of the source, in whatever
  // layout the buffer list it passes has.
  const float* sourceL = inputL.data() + offset;
  const float* sourceR = inputR.data() + offset;
  auto pullInput = [sourceL, sourceR](AudioUnitRenderActionFlags*, const AudioTimeStamp*, AUAudioFrameCount count,
                                      NSInteger, AudioBufferList* list) -> AUAudioUnitStatus {
    if (list->mNumberBuffers == 1 && list->mBuffers[0].mNumberChannels == 2) {
      auto* out = static_cast<float*>(list->mBuffers[0].mData);
      for (uint32_t i = 0; i < count; ++i) {
        out[2 * i] = sourceL[i];
        out[2 * i + 1] = sourceR[i];
      }
      return noErr;
    }
    const float* channels[2] = {sourceL, sourceR};
    for (uint32_t b = 0; b < list->mNumberBuffers && b < 2; ++b)
      std::copy_n(channels[b], count, static_cast<float*>(list->mBuffers[b].mData));
    return noErr;
  };
  AudioUnitRenderActionFlags flags = 0;
  const AUAudioUnitStatus status = block(&flags, &timestamp, frames, 0, buffers.get(), nullptr, pullInput);
  timestamp.mSampleTime += frames;
  if (status == noErr && settings.interleaved) {
    for (uint32_t i = 0; i < frames; ++i) {
      outputL[size_t(offset) + i] = interleaved[2 * i];
      outputR[size_t(offset) + i] = interleaved[2 * i + 1];
    }
  }
  return status;
}

}  // namespace drollicant::cli
