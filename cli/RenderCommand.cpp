// drollicant render [INPUT...] -o OUTPUT
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/DemoClip.h"
#include "cli/ExitStatus.h"
#include "cli/Interruption.h"
#include "cli/OutputFormat.h"
#include "cli/RenderJob.h"

namespace drollicant::cli {
namespace fs = std::filesystem;

namespace {

constexpr const char* kCommandName = "render";
constexpr const char* kDemoFileName = "drollicant-demo.wav";
constexpr const char* kRenderedExtension = ".wav";

constexpr std::array kRenderOptions{
    Option{"output", 'o', "OUTPUT", "output file, or folder for several inputs (required)"},
    Option{"block", 0, "N", "frames per render call and maximumFramesToRender (default 512)"},
    Option{"interleaved", 0, "", "hand the unit one interleaved stereo buffer instead of two"},
    Option{"bypass", 0, "", "render with the effect bypassed"},
    Option{"tail", 0, "", "append the effect's tail (its tail time, at most 30 s)"},
    Option{"subtype", 0, "TYPE", "WAV/AIFF samples: float (default), double, pcm16, pcm24, pcm32; FLAC: pcm16, pcm24"},
    Option{"jobs", 'j', "N", "render N files at once (default 1)"},
    Option{"help", 'h', "", "show this help"},
};

std::vector<Option> allOptions() {
  std::vector<Option> all(kRenderOptions.begin(), kRenderOptions.end());
  all.insert(all.end() - 1, UnitRecipe::kOptions.begin(), UnitRecipe::kOptions.end());
  return all;
}

void printHelp(const std::string& describedOptions) {
  std::printf(
      "Usage: drollicant render [INPUT...] -o OUTPUT [OPTION]...\n"
      "Renders audio files through a new Drollicant unit, as a host would. Without INPUT,\n"
      "renders a built-in demo clip (%g s of synthesised stereo music).\n"
      "Mono input becomes two identical channels. The output keeps the input's sample\n"
      "rate; its format follows the extension of OUTPUT. This build writes\n  %s.\n"
      "WAV and AIFF hold 32-bit float samples and FLAC 24-bit integers unless --subtype\n"
      "says otherwise; the lossy formats take no --subtype. Into a folder, files are WAV.\n"
      "Opus keeps only rates of 8, 12, 16, 24 and 48 kHz.\n"
      "Several inputs need an existing folder or a name ending in '/' for OUTPUT.\n"
      "Settings apply in this order: factory preset 0, --preset, --state, --set.\n\n"
      "Options:\n%s\n"
      "Examples:\n"
      "  drollicant render -o demo.wav\n"
      "  drollicant render guitar.wav -o wet.wav --preset 'Wide Flanger' --set whimsy=0.8\n"
      "  drollicant render takes/*.wav -o rendered/ -j 4 --tail\n",
      DemoClip::kSeconds, OutputFormat::writtenFormats().c_str(), describedOptions.c_str());
}

bool isFolderRequest(const std::string& output) {
  std::error_code ec;
  return output.ends_with('/') || fs::is_directory(output, ec);
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

// Where each input goes and in which format. Returns the exit status of a failure
// (with `error`) when the output cannot take the inputs, two inputs would collide, an
// output would replace its own input or a name gives no format this command writes.
// Nothing is created here.
int planJobs(const std::vector<std::string>& inputs, const std::string& output, const std::string& subtype,
             std::vector<RenderJob>& jobs, std::string& error) {
  const bool intoFolder = isFolderRequest(output);
  if (inputs.size() > 1 && !intoFolder) {
    error = "-o " + output + ": several inputs need an existing folder or a name ending in '/'";
    return kExitUsage;
  }
  std::vector<std::optional<fs::path>> sources(inputs.begin(), inputs.end());
  if (sources.empty()) sources.push_back(std::nullopt);
  std::set<fs::path> taken;
  std::error_code ec;
  for (const auto& input : sources) {
    const fs::path name = input ? input->stem().concat(kRenderedExtension) : fs::path(kDemoFileName);
    fs::path target = intoFolder ? fs::path(output) / name : fs::path(output);
    const auto format = OutputFormat::choose(target, subtype, error);
    if (!format) return kExitUsage;
    if (!taken.insert(fs::weakly_canonical(target, ec)).second) {
      error = target.string() + ": more than one input would be written here";
      return kExitFailure;
    }
    if (input && sameFile(*input, target)) {
      error = target.string() + ": the output would replace its own input";
      return kExitFailure;
    }
    jobs.push_back({input, std::move(target), *format});
  }
  return kExitSuccess;
}

bool createOutputFolder(const std::string& output, std::string& error) {
  std::error_code ec;
  fs::create_directories(output, ec);
  if (ec || !fs::is_directory(output, ec)) {
    error = output + ": cannot create the output folder (" + (ec ? ec.message() : "not a folder") + ")";
    return false;
  }
  return true;
}

}  // namespace

int runRenderCommand(std::span<char* const> argv) {
  const auto options = allOptions();
  int status = kExitSuccess;
  const auto args = parseCommandLine(kCommandName, options, argv, printHelp, true, status);
  if (!args) return status;
  std::string error;
  const auto output = args->value("output");
  if (!output || output->empty()) return reportUsageError(kCommandName, "no output given (-o OUTPUT)");

  RenderSettings settings;
  if (auto text = args->value("block")) {
    const auto n = parseInteger(*text);
    if (!n || *n < 1 || *n > long(platform::AUAudioUnit::kFramesToRenderLimit))
      return reportUsageError(kCommandName, "--block must be a whole number from 1 to " +
                                                std::to_string(platform::AUAudioUnit::kFramesToRenderLimit));
    settings.blockFrames = uint32_t(*n);
  }
  settings.interleaved = args->has("interleaved");
  settings.bypass = args->has("bypass");
  settings.tail = args->has("tail");
  long jobCount = 1;
  if (auto text = args->value("jobs")) {
    const auto n = parseInteger(*text);
    if (!n || *n < 1 || *n > 256) return reportUsageError(kCommandName, "--jobs must be a whole number from 1 to 256");
    jobCount = *n;
  }
  const std::string subtype = args->value("subtype").value_or("");
  std::vector<RenderJob> planned;
  if (const int planStatus = planJobs(args->operands(), *output, subtype, planned, error); planStatus != kExitSuccess) {
    if (planStatus == kExitUsage) return reportUsageError(kCommandName, error);
    reportError(error);
    return planStatus;
  }

  const auto recipe = recipeFromArguments(kCommandName, *args, UnitRecipe::Presets::kRequired, status);
  if (!recipe) return status;
  if (isFolderRequest(*output) && !createOutputFolder(*output, error)) {
    reportError(error);
    return kExitFailure;
  }
  bool failed = false;
  std::vector<RenderJob> jobs;
  int64_t totalFrames = 0;
  for (auto& job : planned) {
    if (job.inspect(error)) {
      totalFrames += job.frames;
      jobs.push_back(std::move(job));
    } else {
      reportError(error);
      failed = true;
    }
  }

  catchInterruptions();
  std::vector<std::string> errors(jobs.size()), damages(jobs.size());
  {
    ProgressBar progress(jobs.size() == 1 ? "Rendering " + jobs[0].output.filename().string()
                                          : "Rendering " + std::to_string(jobs.size()) + " files",
                         totalFrames);
    std::atomic<size_t> next{0};
    auto work = [&] {
      for (size_t i; (i = next.fetch_add(1)) < jobs.size() && !interruptionRequested();)
        jobs[i].run(*recipe, settings, &progress, errors[i], damages[i]);
    };
    std::vector<std::thread> workers;
    for (long w = 1; w < std::min<long>(jobCount, long(jobs.size())); ++w) workers.emplace_back(work);
    work();
    for (auto& w : workers) w.join();
  }
  for (const auto& d : damages)
    if (!d.empty()) reportError("warning: " + d);
  for (const auto& e : errors) {
    if (e.empty()) continue;
    reportError(e);
    failed = true;
  }
  if (interruptionRequested()) return kExitInterrupted;
  return failed ? kExitFailure : kExitSuccess;
}

}  // namespace drollicant::cli
