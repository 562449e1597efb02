#include "cli/RenderJob.h"

#include "cli/AtomicOutputFile.h"
#include "cli/AudioFileReader.h"
#include "cli/AudioFileWriter.h"
#include "cli/DemoClip.h"

namespace drollicant::cli {

bool RenderJob::inspect(std::string& error) {
  if (!input) {
    frames = DemoClip::frameCountAt(DemoClip::kDefaultSampleRate);
    return true;
  }
  auto reader = AudioFileReader::open(*input, error);
  if (!reader) return false;
  frames = reader->frameCount();
  return true;
}

bool RenderJob::run(const UnitRecipe& recipe, const RenderSettings& settings, ProgressBar* progress, std::string& error,
                    std::string& damage) const {
  std::unique_ptr<AudioSource> source;
  if (input) {
    source = AudioFileReader::open(*input, error);
    if (!source) return false;
  } else {
    source = std::make_unique<DemoClip>();
  }
  const std::string name = input ? input->string() : std::string("demo clip");

  auto unit = recipe.makeUnit(error);
  if (!unit) return false;
  auto renderer = UnitRenderer::prepare(unit, source->sampleRate(), settings, error);
  if (!renderer) {
    error = name + ": " + error;
    return false;
  }
  auto file = AtomicOutputFile::create(output, error);
  if (!file) return false;
  auto writer = AudioFileWriter::open(file->temporaryPath(), output.string(), format, source->sampleRate(), error);
  if (!writer) return false;
  if (!renderer->render(*source, name, *writer, progress, error)) return false;
  damage = source->damage();
  return writer->close(error) && file->commit(error);
}

}  // namespace drollicant::cli
