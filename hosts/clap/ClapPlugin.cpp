#include "hosts/clap/ClapPlugin.h"

#include <clap/plugin-features.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hosts/clap/ClapEditor.h"
#include "hosts/clap/ClapTail.h"
#include "hosts/common/BundledUnit.h"
#include "hosts/common/PluginIdentity.h"
#include "hosts/common/StateBlob.h"

namespace drollicant::clap {
using namespace platform;

namespace {

const char* kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_STEREO, CLAP_PLUGIN_FEATURE_DELAY,
                           nullptr};
constexpr clap_id kBypassId = clap_id(kBypassParameter.address);
// The factory preset choice follows the host's bypass.
constexpr clap_id kPresetId = kBypassId + 1;
constexpr const char* kPresetName = "Preset";
// A state is a property list of a few kilobytes; a stream that goes on beyond this is not ours.
constexpr size_t kMaxStateBytes = 4u << 20;

bool isSwitch(const ParameterDescription& row) { return row.isSwitch(); }

const ParameterDescription* rowFor(clap_id id) { return id < kParameterCount ? &kParameterTable[id] : nullptr; }

// A host value as the unit takes it: finite, inside the range; switches at 0 or 1.
float unitValue(const ParameterDescription& row, double value) {
  return row.heldValue(std::clamp(float(value), kParameterMinimum, kParameterMaximum));
}

void sendParameter(const clap_output_events_t* out, clap_id id, double value, uint32_t frame) {
  if (out == nullptr) return;
  clap_event_param_value_t event{};
  event.header.size = sizeof event;
  event.header.time = frame;
  event.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
  event.header.type = CLAP_EVENT_PARAM_VALUE;
  event.param_id = id;
  event.note_id = -1;
  event.port_index = -1;
  event.channel = -1;
  event.key = -1;
  event.value = value;
  out->try_push(out, &event.header);
}

}  // namespace

// The C entry points, each passing straight to the instance.
struct ClapCallbacks {
  static bool init(const clap_plugin_t* p) { return ClapPlugin::of(p).init(); }
  static void destroy(const clap_plugin_t* p) { delete &ClapPlugin::of(p); }
  static bool activate(const clap_plugin_t* p, double rate, uint32_t, uint32_t maxFrames) {
    return ClapPlugin::of(p).activate(rate, maxFrames);
  }
  static void deactivate(const clap_plugin_t* p) { ClapPlugin::of(p).deactivate(); }
  static bool startProcessing(const clap_plugin_t*) { return true; }
  static void stopProcessing(const clap_plugin_t*) {}
  static void reset(const clap_plugin_t* p) { ClapPlugin::of(p).hosted->reset(); }
  static clap_process_status process(const clap_plugin_t* p, const clap_process_t* process) {
    return ClapPlugin::of(p).process(process);
  }
  static const void* extension(const clap_plugin_t* p, const char* id) { return ClapPlugin::of(p).extension(id); }
  static void onMainThread(const clap_plugin_t* p) { ClapPlugin::of(p).onMainThread(); }

  static constexpr clap_plugin_audio_ports_t kAudioPorts{
      [](const clap_plugin_t*, bool) -> uint32_t { return 1; },
      [](const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
        if (index != 0) return false;
        *info = clap_audio_port_info_t{};
        info->id = 0;
        std::snprintf(info->name, sizeof info->name, "%s", isInput ? "Input" : "Output");
        info->flags = CLAP_AUDIO_PORT_IS_MAIN;
        info->channel_count = DrollicantAudioUnit::kBusChannels;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = 0;
        return true;
      }};
  static constexpr clap_plugin_params_t kParams{
      [](const clap_plugin_t* p) { return ClapPlugin::of(p).parameterCount(); },
      [](const clap_plugin_t* p, uint32_t index, clap_param_info_t* info) {
        return ClapPlugin::of(p).parameterInfo(index, info);
      },
      [](const clap_plugin_t* p, clap_id id, double* value) { return ClapPlugin::of(p).parameterValue(id, value); },
      [](const clap_plugin_t* p, clap_id id, double value, char* text, uint32_t size) {
        return ClapPlugin::of(p).valueToText(id, value, text, size);
      },
      [](const clap_plugin_t* p, clap_id id, const char* text, double* value) {
        return ClapPlugin::of(p).textToValue(id, text, value);
      },
      [](const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
        ClapPlugin::of(p).flush(in, out);
      }};
  static constexpr clap_plugin_state_t kState{
      [](const clap_plugin_t* p, const clap_ostream_t* stream) { return ClapPlugin::of(p).saveState(stream); },
      [](const clap_plugin_t* p, const clap_istream_t* stream) { return ClapPlugin::of(p).loadState(stream); }};
  static constexpr clap_plugin_latency_t kLatency{[](const clap_plugin_t*) -> uint32_t { return 0; }};
  static constexpr clap_plugin_tail_t kTail{
      [](const clap_plugin_t* p) -> uint32_t { return ClapPlugin::of(p).hosted->tailFrames(); }};
};

const clap_plugin_descriptor_t ClapPlugin::kDescriptor{CLAP_VERSION_INIT,
                                                       kPluginIdentity.clapId,
                                                       kPluginIdentity.name,
                                                       kPluginIdentity.maker,
                                                       kPluginIdentity.homepage,
                                                       "",
                                                       "",
                                                       DROLLICANT_VERSION,
                                                       kPluginIdentity.summary,
                                                       kFeatures};

const clap_plugin_t* ClapPlugin::create(const clap_host_t* host) {
  auto* instance = new ClapPlugin(host);
  return &instance->plugin;
}

ClapPlugin::ClapPlugin(const clap_host_t* host) : _host(host) {
  plugin.desc = &kDescriptor;
  plugin.plugin_data = this;
  plugin.init = ClapCallbacks::init;
  plugin.destroy = ClapCallbacks::destroy;
  plugin.activate = ClapCallbacks::activate;
  plugin.deactivate = ClapCallbacks::deactivate;
  plugin.start_processing = ClapCallbacks::startProcessing;
  plugin.stop_processing = ClapCallbacks::stopProcessing;
  plugin.reset = ClapCallbacks::reset;
  plugin.process = ClapCallbacks::process;
  plugin.get_extension = ClapCallbacks::extension;
  plugin.on_main_thread = ClapCallbacks::onMainThread;
  for (auto& value : editorValues) value.store(NAN);
}

ClapPlugin::~ClapPlugin() { editor.reset(); }

bool ClapPlugin::init() {
  // Never assume a host extension: each may be missing.
  hostParams = static_cast<const clap_host_params_t*>(_host->get_extension(_host, CLAP_EXT_PARAMS));
  hostState = static_cast<const clap_host_state_t*>(_host->get_extension(_host, CLAP_EXT_STATE));
  hosted = hosts::hostedUnitFromOwnBundle(presets);
  if (!hosted) return false;
  unit = &hosted->unit();
  adoptUnitValues();
  return true;
}

void ClapPlugin::adoptUnitValues() {
  const auto preset = unit->currentPreset();
  presetNumber.store(
      preset && preset->number() >= 0 && size_t(preset->number()) < presets.size() ? int(preset->number()) : -1);
  bypassed.store(hosted->bypassed());
}

bool ClapPlugin::activate(double sampleRate, uint32_t maxFrames) {
  if (!(sampleRate > 0) || maxFrames == 0) return false;
  if (!hosted->prepare(sampleRate, maxFrames, nullptr)) return false;
  active = true;
  return true;
}

void ClapPlugin::deactivate() { active = false; }

const void* ClapPlugin::extension(const char* id) {
  if (!std::strcmp(id, CLAP_EXT_AUDIO_PORTS)) return &ClapCallbacks::kAudioPorts;
  if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &ClapCallbacks::kParams;
  if (!std::strcmp(id, CLAP_EXT_STATE)) return &ClapCallbacks::kState;
  if (!std::strcmp(id, CLAP_EXT_LATENCY)) return &ClapCallbacks::kLatency;
  if (!std::strcmp(id, CLAP_EXT_TAIL)) return &ClapCallbacks::kTail;
  return ClapEditor::extension(id);
}

// ---- Parameters ----

uint32_t ClapPlugin::parameterCount() const { return uint32_t(kParameterCount) + 1 + (presets.size() ? 1 : 0); }

bool ClapPlugin::parameterInfo(uint32_t index, clap_param_info_t* info) const {
  if (index >= parameterCount()) return false;
  *info = clap_param_info_t{};
  info->min_value = kParameterMinimum;
  info->max_value = kParameterMaximum;
  if (index < kParameterCount) {
    const auto& row = kParameterTable[index];
    info->id = clap_id(row.address);
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (isSwitch(row) ? CLAP_PARAM_IS_STEPPED : 0);
    info->default_value = presets.newUnitValues()[index];
    std::snprintf(info->name, sizeof info->name, "%s", row.displayName);
  } else if (index == kParameterCount) {
    info->id = kBypassId;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_BYPASS;
    info->default_value = 0;
    std::snprintf(info->name, sizeof info->name, "%s", kBypassParameter.displayName);
  } else {
    // A choice, not automated: a preset rewrites the eight parameters the host automates.
    info->id = kPresetId;
    info->flags = CLAP_PARAM_IS_STEPPED;
    info->max_value = double(presets.size() - 1);
    info->default_value = 0;
    std::snprintf(info->name, sizeof info->name, "%s", kPresetName);
  }
  return true;
}

bool ClapPlugin::parameterValue(clap_id id, double* value) const {
  if (const auto* row = rowFor(id))
    *value = parameter(row->address);
  else if (id == kBypassId)
    *value = bypassed.load(std::memory_order_relaxed) ? 1.0 : 0.0;
  else if (id == kPresetId && presets.size())
    *value = std::max(0, presetNumber.load(std::memory_order_relaxed));
  else
    return false;
  return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* text, uint32_t size) const {
  if (size == 0) return false;
  if (const auto* row = rowFor(id)) {
    // The unit's own display string, so every format shows the same text.
    const AUValue v = unitValue(*row, value);
    const auto parameter = unit->parameterTree()->parameterWithAddress(row->address);
    std::snprintf(text, size, "%s", parameter ? parameter->stringFromValue(&v).c_str() : "");
    return true;
  }
  if (id == kBypassId) {
    std::snprintf(text, size, "%s", value >= 0.5 ? "On" : "Off");
    return true;
  }
  if (id == kPresetId && presets.size()) {
    const auto index = size_t(std::clamp(std::lround(value), 0L, long(presets.size() - 1)));
    std::snprintf(text, size, "%s", presets.all()[index].name.c_str());
    return true;
  }
  return false;
}

bool ClapPlugin::textToValue(clap_id id, const char* text, double* value) const {
  if (text == nullptr) return false;
  if (id == kPresetId) {
    for (size_t i = 0; i < presets.size(); ++i)
      if (presets.all()[i].name == text) return (*value = double(i)), true;
  }
  char* end = nullptr;
  const double parsed = std::strtod(text, &end);
  if (end == text || !std::isfinite(parsed)) return false;
  *value = parsed;
  return rowFor(id) || id == kBypassId || id == kPresetId;
}

void ClapPlugin::addChange(uint32_t frame, uint64_t address, float value, bool inBlock) {
  if (!inBlock) {
    // Flush: no block to place it in; the layer's mailbox takes it from any thread.
    if (address == hosts::kBypassAddress)
      hosted->setBypassed(value >= kSwitchThreshold);
    else
      hosted->setParameter(address, value);
    return;
  }
  // Past the capacity the last change of the block takes the last place.
  if (changeCount == changes.size()) --changeCount;
  changes[changeCount++] = {frame, address, value};
}

void ClapPlugin::takeParameter(clap_id id, double value, uint32_t frame, bool inBlock) {
  if (!std::isfinite(value)) return;
  if (const auto* row = rowFor(id)) {
    addChange(frame, row->address, unitValue(*row, value), inBlock);
  } else if (id == kBypassId) {
    bypassed.store(value >= kSwitchThreshold, std::memory_order_relaxed);
    addChange(frame, hosts::kBypassAddress, value >= kSwitchThreshold ? kSwitchOn : kSwitchOff, inBlock);
  } else if (id == kPresetId && presets.size()) {
    const auto index = size_t(std::clamp(std::lround(value), 0L, long(presets.size() - 1)));
    for (size_t address = 0; address < kParameterCount; ++address)
      takeParameter(clap_id(address), presets.all()[index].values[address], frame, inBlock);
    presetNumber.store(int(index), std::memory_order_relaxed);
    presetPending.store(true, std::memory_order_release);
  }
}

bool ClapPlugin::takeEvent(const clap_event_header_t* header, uint32_t frame, bool inBlock) {
  if (header->space_id != CLAP_CORE_EVENT_SPACE_ID || header->type != CLAP_EVENT_PARAM_VALUE ||
      header->size < sizeof(clap_event_param_value_t))
    return false;
  const auto* event = reinterpret_cast<const clap_event_param_value_t*>(header);
  takeParameter(event->param_id, event->value, frame, inBlock);
  return true;
}

void ClapPlugin::sendEditorChanges(const clap_output_events_t* out, bool inBlock) {
  if (!editorPending.exchange(false, std::memory_order_acquire)) return;
  for (size_t address = 0; address < kParameterCount; ++address) {
    const float value = editorValues[address].exchange(NAN, std::memory_order_relaxed);
    if (std::isnan(value)) continue;
    takeParameter(clap_id(address), value, 0, inBlock);
    sendParameter(out, clap_id(address), value, 0);
  }
}

void ClapPlugin::editorChanged(clap_id id, float value) {
  if (!rowFor(id)) return;
  editorValues[id].store(value, std::memory_order_relaxed);
  editorPending.store(true, std::memory_order_release);
  if (hostParams) hostParams->request_flush(_host);
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) {
  const bool presetBefore = presetPending.load();
  const uint32_t count = in ? in->size(in) : 0;
  for (uint32_t i = 0; i < count; ++i)
    if (const auto* header = in->get(in, i)) takeEvent(header, 0, false);
  sendEditorChanges(out, false);
  if (!presetBefore && presetPending.load()) _host->request_callback(_host);
}

// ---- Processing ----

clap_process_status ClapPlugin::process(const clap_process_t* process) {
  const bool presetBefore = presetPending.load(std::memory_order_relaxed);
  renderBlock(process);
  if (!presetBefore && presetPending.load(std::memory_order_relaxed)) _host->request_callback(_host);
  return CLAP_PROCESS_CONTINUE;
}

void ClapPlugin::renderBlock(const clap_process_t* process) {
  const uint32_t frames = process->frames_count;
  changeCount = 0;
  sendEditorChanges(process->out_events, true);
  const clap_input_events_t* in = process->in_events;
  const uint32_t eventCount = in ? in->size(in) : 0;
  // Hosts hand events in time order; one at or past the end holds from the block's end.
  for (uint32_t i = 0; i < eventCount; ++i)
    if (const auto* header = in->get(in, i)) takeEvent(header, std::min(header->time, frames), true);

  const float* input[2] = {nullptr, nullptr};
  if (process->audio_inputs_count > 0 && process->audio_inputs[0].data32) {
    const auto& bus = process->audio_inputs[0];
    input[0] = bus.channel_count > 0 ? bus.data32[0] : nullptr;
    input[1] = bus.channel_count > 1 ? bus.data32[1] : input[0];
  }
  if (process->audio_outputs_count == 0 || !process->audio_outputs[0].data32 ||
      process->audio_outputs[0].channel_count < 2)
    return;
  float* const output[2] = {process->audio_outputs[0].data32[0], process->audio_outputs[0].data32[1]};
  hosted->process(input, output, frames, changes.data(), changeCount);
}

void ClapPlugin::onMainThread() {
  if (!presetPending.exchange(false, std::memory_order_acquire)) return;
  const int number = presetNumber.load();
  if (number < 0 || size_t(number) >= presets.size()) return;
  // Only the record: the audio thread has already asked for the preset's values. The
  // tree asks the layer for the file's values again; edits the host made after choosing
  // the preset are the ones to keep.
  std::array<float, kParameterCount> latest{};
  for (size_t address = 0; address < kParameterCount; ++address) latest[address] = parameter(address);
  unit->setCurrentPreset(AUAudioUnitPreset::make(number, presets.all()[size_t(number)].name));
  for (size_t address = 0; address < kParameterCount; ++address) hosted->setParameter(address, latest[address]);
  if (hostParams) hostParams->rescan(_host, CLAP_PARAM_RESCAN_VALUES);
  if (hostState) hostState->mark_dirty(_host);
}

// ---- State ----

bool ClapPlugin::saveState(const clap_ostream_t* stream) {
  onMainThread();
  const std::string blob = StateBlob::save(*unit);
  if (blob.empty()) return false;
  for (size_t written = 0; written < blob.size();) {
    const int64_t n = stream->write(stream, blob.data() + written, blob.size() - written);
    if (n <= 0) return false;
    written += size_t(n);
  }
  return true;
}

bool ClapPlugin::loadState(const clap_istream_t* stream) {
  std::string blob;
  char chunk[4096];
  for (;;) {
    const int64_t n = stream->read(stream, chunk, sizeof chunk);
    if (n < 0) return false;
    if (n == 0) break;
    blob.append(chunk, size_t(n));
    if (blob.size() > kMaxStateBytes) return false;
  }
  if (!StateBlob::restore(*unit, blob)) return false;
  presetPending.store(false);
  adoptUnitValues();
  if (hostParams) hostParams->rescan(_host, CLAP_PARAM_RESCAN_VALUES);
  if (editor) editor->hostValuesChanged();
  return true;
}

}  // namespace drollicant::clap
