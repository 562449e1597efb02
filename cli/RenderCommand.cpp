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
    Option{"subtype", 0, "TYPE", "output samples: float (default), double, pcm16, pcm24, pcm32"},
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
      "Mono input becomes two identical channels. The output is a 32-bit float WAV at\n"
      "the input's sample rate unless --subtype or an .aiff/.flac name says otherwise.\n"
      "Settings apply in this order: factory preset 0, --preset, --state, --set.\n\n"
      "Options:\n%s\n"
      "Examples:\n"
      "  drollicant render -o demo.wav\n"
      "  drollicant render guitar.wav -o wet.wav --preset 'Wide Flanger' --set whimsy=0.8\n"
      "  drollicant render takes/*.wav -o rendered/ -j 4 --tail\n",
      DemoClip::kSeconds, describedOptions.c_str());
}

bool isFolderRequest(const std::string& output) {
  std::error_code ec;
  return output.ends_with('/') || fs::is_directory(output, ec);
}

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

// Where each input goes; false with `error` when two inputs would collide or an
// output would replace its own input.
bool planJobs(const std::vector<std::string>& inputs, const std::string& output, std::vector<RenderJob>& jobs,
              std::string& error) {
  const bool intoFolder = inputs.size() > 1 || isFolderRequest(output);
  if (intoFolder) {
    std::error_code ec;
    fs::create_directories(output, ec);
    if (ec || !fs::is_directory(output, ec)) {
      error = output + ": cannot create the output folder (" + ec.message() + ")";
      return false;
    }
  }
  if (inputs.empty()) {
    jobs.push_back({std::nullopt, intoFolder ? fs::path(output) / kDemoFileName : fs::path(output)});
    return true;
  }
  std::set<fs::path> taken;
  std::error_code ec;
  for (const auto& input : inputs) {
    fs::path target =
        intoFolder ? fs::path(output) / fs::path(input).stem().concat(kRenderedExtension) : fs::path(output);
    if (!taken.insert(fs::weakly_canonical(target, ec)).second) {
      error = target.string() + ": more than one input would be written here";
      return false;
    }
    if (sameFile(input, target)) {
      error = target.string() + ": the output would replace its own input";
      return false;
    }
    jobs.push_back({fs::path(input), std::move(target)});
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
  if (!OutputFormat::choose(*output, subtype, error)) return reportUsageError(kCommandName, error);

  const auto recipe = recipeFromArguments(kCommandName, *args, UnitRecipe::Presets::kRequired, status);
  if (!recipe) return status;

  std::vector<RenderJob> planned;
  if (!planJobs(args->operands(), *output, planned, error)) {
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
  std::vector<std::string> errors(jobs.size());
  {
    ProgressBar progress(jobs.size() == 1 ? "Rendering " + jobs[0].output.filename().string()
                                          : "Rendering " + std::to_string(jobs.size()) + " files",
                         totalFrames);
    std::atomic<size_t> next{0};
    auto work = [&] {
      for (size_t i; (i = next.fetch_add(1)) < jobs.size() && !interruptionRequested();)
        jobs[i].run(*recipe, settings, subtype, &progress, errors[i]);
    };
    std::vector<std::thread> workers;
    for (long w = 1; w < std::min<long>(jobCount, long(jobs.size())); ++w) workers.emplace_back(work);
    work();
    for (auto& w : workers) w.join();
  }
  for (const auto& e : errors) {
    if (e.empty()) continue;
    reportError(e);
    failed = true;
  }
  if (interruptionRequested()) return kExitInterrupted;
  return failed ? kExitFailure : kExitSuccess;
}

}  // namespace drollicant::cli
