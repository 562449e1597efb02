#pragma once
#include <memory>
#include <string>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"
#include "cli/AudioFileWriter.h"
#include "cli/AudioSource.h"
#include "cli/ProgressBar.h"

namespace drollicant::cli {

struct RenderSettings {
  static constexpr uint32_t kDefaultBlockFrames = 512;
  // The longest tail --tail appends, whatever the unit reports.
  static constexpr double kMaxTailSeconds = 30.0;

  uint32_t blockFrames = kDefaultBlockFrames;
  bool interleaved = false;
  bool bypass = false;
  bool tail = false;
};

// Drives a unit exactly as a host does: both buses at the source's rate,
// maximumFramesToRender set to the block size, render resources allocated, then one
// render call per block whose pull-input block copies the source into the output
// buffers, processed in place. The files are read and written a stretch of many blocks
// at a time, so that small blocks do not cost a file access each.
class UnitRenderer {
public:
  // Prepares `unit` for `sampleRate`; nullptr with `error` when the unit refuses.
  static std::unique_ptr<UnitRenderer> prepare(std::shared_ptr<DrollicantAudioUnit> unit, double sampleRate,
                                               const RenderSettings& settings, std::string& error);
  ~UnitRenderer();

  // Frames the tail adds after the source ends (0 without --tail or when bypassed).
  int64_t tailFrames() const { return tailLength; }

  // Renders the whole source, then the tail, into `writer`. False with `error` when
  // reading, rendering or writing fails or the user interrupts; `sourceName` is what
  // the error calls the source.
  bool render(AudioSource& source, const std::string& sourceName, AudioFileWriter& writer, ProgressBar* progress,
              std::string& error);

private:
  UnitRenderer(std::shared_ptr<DrollicantAudioUnit> unit, const RenderSettings& settings, int64_t tailFrames);
  // Frames read, rendered and written at a time: about a third of a second at 48 kHz.
  static constexpr int64_t kStretchFrames = 16384;

  // Renders `frames` frames that are already in `inputL`/`inputR` from `offset`; the
  // result is in `outputL`/`outputR` from the same offset.
  platform::AUAudioUnitStatus renderBlock(int64_t offset, uint32_t frames);
  // Renders a stretch of `frames` frames block by block.
  platform::AUAudioUnitStatus renderStretch(int64_t frames);

  std::shared_ptr<DrollicantAudioUnit> unit;
  RenderSettings settings;
  int64_t tailLength;
  platform::AUInternalRenderBlock block;
  platform::AudioTimeStamp timestamp;
  int64_t stretchFrames;  // a whole number of blocks
  std::vector<float> inputL, inputR, outputL, outputR, interleaved;
};

}  // namespace drollicant::cli
