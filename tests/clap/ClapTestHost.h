#pragma once
#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>
#include <clap/plugin-factory.h>
#include <clap/plugin.h>
#include <clap/process.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// A CLAP host small enough to read in one sitting: loads one .clap file, makes one
// plug-in instance, runs it block by block on stereo buffers with parameter events at
// chosen frames, and saves and loads its state through memory streams. It offers the
// host extensions plug-ins commonly ask for (params, state, latency, thread-check), and
// records what the plug-in tells it. Everything runs on the calling thread, which
// counts as both main and audio thread.
class ClapTestHost {
public:
  struct ParameterEvent {
    uint32_t frame;
    clap_id id;
    double value;
  };

  // Loads `path` and calls its entry's init; `loaded()` says whether that worked.
  explicit ClapTestHost(const std::string& path);
  ~ClapTestHost();
  ClapTestHost(const ClapTestHost&) = delete;
  ClapTestHost& operator=(const ClapTestHost&) = delete;

  bool loaded() const { return factory != nullptr; }
  std::vector<const clap_plugin_descriptor_t*> descriptors() const;

  // Creates and initialises the plug-in with `id` (the first one when empty).
  bool create(const std::string& id = {});
  // activate + start_processing.
  bool activate(double sampleRate, uint32_t maxFrames);
  // stop_processing + deactivate.
  void deactivate();
  const clap_plugin_t* plugin() const { return instance; }

  template <typename Extension>
  const Extension* extension(const char* id) const {
    return instance ? static_cast<const Extension*>(instance->get_extension(instance, id)) : nullptr;
  }

  // One process call over `frames` frames: `left`/`right` are processed into the
  // output vectors (resized to `frames`). Returns the process status.
  clap_process_status process(const float* left, const float* right, uint32_t frames,
                              const std::vector<ParameterEvent>& events = {});
  const std::vector<float>& outputLeft() const { return outLeft; }
  const std::vector<float>& outputRight() const { return outRight; }
  // The parameter values the plug-in sent out, in order (process and flush).
  const std::vector<clap_event_param_value_t>& outputEvents() const { return sentEvents; }
  void clearOutputEvents() { sentEvents.clear(); }

  // Through clap.params flush (no audio).
  void flush(const std::vector<ParameterEvent>& events);
  bool parameterValue(clap_id id, double* value) const;

  // Through clap.state, whole blobs at once; `chunk` limits each read and write to
  // that many bytes, as some hosts stream state in pieces.
  bool saveState(std::vector<uint8_t>* blob, uint64_t chunk = UINT64_MAX) const;
  bool loadState(const std::vector<uint8_t>& blob, uint64_t chunk = UINT64_MAX) const;

  // clap.timer-support: calls the plug-in's timers once each (what a host's run loop does
  // every period), `times` times with 10 ms between.
  void tick(int times = 1);
  size_t timerCount() const { return timers.size(); }

  // How often the plug-in asked for a flush, from any thread.
  std::atomic<int> flushRequests{0};

  // Makes the plug-in's process call; a test may wrap it to see what the plug-in alone
  // does, apart from the host's own work around it.
  std::function<clap_process_status(const clap_plugin_t*, const clap_process_t*)> callProcess =
      [](const clap_plugin_t* plugin, const clap_process_t* process) { return plugin->process(plugin, process); };

private:
  static const void* getExtension(const clap_host_t* host, const char* id);
  static ClapTestHost& self(const clap_host_t* host) { return *static_cast<ClapTestHost*>(host->host_data); }
  void fillInputEvents(const std::vector<ParameterEvent>& events);
  std::vector<uint32_t> portChannels(bool input) const;

  void* library = nullptr;
  const clap_plugin_entry_t* entry = nullptr;
  const clap_plugin_factory_t* factory = nullptr;
  const clap_plugin_t* instance = nullptr;
  bool active = false;
  clap_host_t host{};
  std::vector<clap_event_param_value_t> inputEvents;
  std::vector<clap_event_param_value_t> sentEvents;
  std::vector<clap_id> timers;
  std::vector<float> inLeft, inRight, outLeft, outRight, spareIn, spareOut;
};

}  // namespace testing_support
