#pragma once
#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/host.h>
#include <clap/plugin.h>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/ParameterTable.h"
#include "hosts/common/FactoryPresetValues.h"
#include "hosts/common/HostedUnit.h"
#include "hosts/common/ParameterChange.h"

namespace drollicant::clap {

class ClapEditor;

// One CLAP instance: a DrollicantAudioUnit, driven through the shared host layer, behind
// the plain C interface. Parameter events become the layer's changes at their frames;
// the host's bypass (faded by the layer) and the factory preset choice are parameters of
// their own; state is the unit's full state with the chosen preset.
//
// Threads are named on each entry: "main" may allocate, "audio" allocates nothing and
// takes no lock. Values the host can read from either side live in atomics.
class ClapPlugin {
public:
  static const clap_plugin_descriptor_t kDescriptor;

  // Main thread. nullptr when the unit cannot be made.
  static const clap_plugin_t* create(const clap_host_t* host);
  static ClapPlugin& of(const clap_plugin_t* plugin) { return *static_cast<ClapPlugin*>(plugin->plugin_data); }

  ~ClapPlugin();
  const clap_plugin_t* clapPlugin() const { return &plugin; }
  const clap_host_t* host() const { return _host; }

  // ---- clap.params, also used by the editor ----
  uint32_t parameterCount() const;
  bool parameterInfo(uint32_t index, clap_param_info_t* info) const;
  // Main thread: the value the host last gave, or the preset chosen.
  bool parameterValue(clap_id id, double* value) const;
  bool valueToText(clap_id id, double value, char* text, uint32_t size) const;
  bool textToValue(clap_id id, const char* text, double* value) const;
  // Main thread when inactive, audio thread when active.
  void flush(const clap_input_events_t* in, const clap_output_events_t* out);
  // Any thread: an edit made in the editor, sent to the host at the next process or flush.
  void editorChanged(clap_id id, float value);

private:
  explicit ClapPlugin(const clap_host_t* host);
  bool init();
  bool activate(double sampleRate, uint32_t maxFrames);
  void deactivate();
  // Audio thread.
  clap_process_status process(const clap_process_t* process);
  const void* extension(const char* id);
  void onMainThread();

  // Audio thread: turns one block's events into the layer's changes at their frames and
  // renders the block.
  void renderBlock(const clap_process_t* process);
  // One event at `frame`; false for events that are not ours. With no block (flush) the
  // value goes to the layer's mailbox instead.
  bool takeEvent(const clap_event_header_t* header, uint32_t frame, bool inBlock);
  void takeParameter(clap_id id, double value, uint32_t frame, bool inBlock);
  void addChange(uint32_t frame, uint64_t address, float value, bool inBlock);
  void sendEditorChanges(const clap_output_events_t* out, bool inBlock);

  // Main thread: after the unit's state changed off the audio thread (a restored state).
  void adoptUnitValues();
  float parameter(size_t address) const { return hosted->parameter(address); }
  bool saveState(const clap_ostream_t* stream);
  bool loadState(const clap_istream_t* stream);

  clap_plugin_t plugin{};
  const clap_host_t* _host;
  const clap_host_params_t* hostParams = nullptr;
  const clap_host_state_t* hostState = nullptr;

  std::unique_ptr<hosts::HostedUnit> hosted;
  DrollicantAudioUnit* unit = nullptr;  // the layer's
  FactoryPresetValues presets;
  std::unique_ptr<ClapEditor> editor;
  bool active = false;

  // The host's bypass and preset choice as the host last gave them (the parameters'
  // values live in the layer).
  std::atomic<bool> bypassed{false};
  std::atomic<int> presetNumber{-1};
  // The audio thread chose a preset: the main thread records it in the unit.
  std::atomic<bool> presetPending{false};
  // Edits from the editor that the host has not heard of yet, by address (NaN: none).
  std::array<std::atomic<float>, kParameterTable.size()> editorValues;
  std::atomic<bool> editorPending{false};
  // The changes of the block being processed, in time order (audio thread).
  static constexpr size_t kMaxChanges = 2048;
  std::array<hosts::ParameterChange, kMaxChanges> changes{};
  uint32_t changeCount = 0;

  friend class ClapEditor;
  friend struct ClapCallbacks;
  friend struct ClapEditorCallbacks;
};

}  // namespace drollicant::clap
