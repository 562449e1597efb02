#include "hosts/vst3/Vst3Plugin.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "hosts/common/BundledUnit.h"
#include "hosts/common/PluginIdentity.h"
#include "hosts/common/StateBlob.h"
#include "hosts/vst3/Vst3Identity.h"
#include "hosts/vst3/Vst3View.h"

namespace drollicant::vst3 {
using namespace platform;

namespace {

constexpr v3_speaker_arrangement kStereo = V3_SPEAKER_L | V3_SPEAKER_R;
// A state is a property list of a few kilobytes; a stream that goes on beyond this is not ours.
constexpr size_t kMaxStateBytes = 4u << 20;
constexpr const char* kProgramName = "Preset";
constexpr const char* kProgramListName = "Factory Presets";

bool isSwitch(const ParameterDescription& row) { return row.isSwitch(); }

const ParameterDescription* rowFor(v3_param_id id) {
  return id < kParameterTable.size() ? &kParameterTable[id] : nullptr;
}

// A host value as the unit takes it: inside the range; switches at 0 or 1.
float unitValue(const ParameterDescription& row, double normalised) {
  return row.heldValue(std::clamp(float(normalised), kParameterMinimum, kParameterMaximum));
}

}  // namespace

// The function tables behind the interfaces; each entry passes straight to the object.
struct Vst3Tables {
  static Vst3Plugin& of(void* self) { return ownerOf<Vst3Plugin>(self); }

  static v3_result V3_API query(void* self, const v3_tuid iid, void** obj) {
    void* face = of(self).queryInterface(iid);
    *obj = face;
    return face ? V3_OK : V3_NO_INTERFACE;
  }
  static uint32_t V3_API ref(void* self) { return of(self).ref(); }
  static uint32_t V3_API unref(void* self) { return of(self).unref(); }
  static v3_result V3_API initialize(void* self, v3_funknown**) { return of(self).initialize(); }
  static v3_result V3_API terminate(void*) { return V3_OK; }

  static constexpr v3_component_cpp kComponent{
      {query, ref, unref},
      {initialize, terminate},
      {[](void*, v3_tuid) -> v3_result { return V3_NOT_IMPLEMENTED; },  // the controller is this object
       [](void*, int32_t) -> v3_result { return V3_OK; },
       [](void* self, int32_t type, int32_t) { return of(self).busCount(type); },
       [](void* self, int32_t type, int32_t direction, int32_t index, v3_bus_info* info) {
         return of(self).busInfo(type, direction, index, info);
       },
       [](void*, v3_routing_info*, v3_routing_info*) -> v3_result { return V3_NOT_IMPLEMENTED; },
       [](void*, int32_t type, int32_t, int32_t index, v3_bool) -> v3_result {
         return type == V3_AUDIO && index == 0 ? V3_OK : V3_INVALID_ARG;
       },
       [](void* self, v3_bool state) { return of(self).setActive(state); },
       [](void* self, v3_bstream** stream) { return of(self).setState(stream); },
       [](void* self, v3_bstream** stream) { return of(self).getState(stream); }}};

  static constexpr v3_audio_processor_cpp kProcessor{
      {query, ref, unref},
      {[](void* self, v3_speaker_arrangement* in, int32_t inCount, v3_speaker_arrangement* out, int32_t outCount) {
         return of(self).setBusArrangements(in, inCount, out, outCount);
       },
       [](void*, int32_t, int32_t index, v3_speaker_arrangement* arrangement) -> v3_result {
         if (index != 0) return V3_INVALID_ARG;
         *arrangement = kStereo;
         return V3_OK;
       },
       [](void*, int32_t size) -> v3_result { return size == V3_SAMPLE_32 ? V3_OK : V3_NOT_IMPLEMENTED; },
       [](void*) -> uint32_t { return 0; },
       [](void* self, v3_process_setup* setup) { return of(self).setupProcessing(setup); },
       [](void*, v3_bool) -> v3_result { return V3_OK; },
       [](void* self, v3_process_data* data) { return of(self).process(data); },
       [](void* self) -> uint32_t { return of(self).hosted ? of(self).hosted->tailFrames() : 0; }}};

  static constexpr v3_edit_controller_cpp kController{
      {query, ref, unref},
      {initialize, terminate},
      {// The component state carries everything; this side has nothing of its own to save.
       [](void*, v3_bstream**) -> v3_result { return V3_OK; }, [](void*, v3_bstream**) -> v3_result { return V3_OK; },
       [](void*, v3_bstream**) -> v3_result { return V3_OK; }, [](void* self) { return of(self).parameterCount(); },
       [](void* self, int32_t index, v3_param_info* info) { return of(self).parameterInfo(index, info); },
       [](void* self, v3_param_id id, double value, v3_str_128 text) {
         return of(self).stringForValue(id, value, text);
       },
       [](void* self, v3_param_id id, int16_t* text, double* value) {
         return of(self).valueForString(id, text, value);
       },
       [](void* self, v3_param_id id, double value) { return of(self).normalisedToPlain(id, value); },
       [](void* self, v3_param_id id, double value) { return of(self).plainToNormalised(id, value); },
       [](void* self, v3_param_id id) { return of(self).parameterNormalised(id); },
       [](void* self, v3_param_id id, double value) { return of(self).setParameterNormalised(id, value); },
       [](void* self, v3_component_handler** handler) { return of(self).setComponentHandler(handler); },
       [](void* self, const char* name) { return of(self).createView(name); }}};

  static constexpr v3_unit_information_cpp kUnitInformation{
      {query, ref, unref},
      {[](void*) -> int32_t { return 1; },
       [](void* self, int32_t index, v3_unit_info* info) -> v3_result {
         if (index != 0) return V3_INVALID_ARG;
         info->id = kRootUnitId;
         info->parent_unit_id = -1;
         copyText(info->name, 128, "Root");
         info->program_list_id = of(self).programCount() ? kProgramListId : -1;
         return V3_OK;
       },
       [](void* self) -> int32_t { return of(self).programCount() ? 1 : 0; },
       [](void* self, int32_t index, v3_program_list_info* info) -> v3_result {
         if (index != 0 || !of(self).programCount()) return V3_INVALID_ARG;
         info->id = kProgramListId;
         copyText(info->name, 128, kProgramListName);
         info->programCount = int32_t(of(self).programCount());
         return V3_OK;
       },
       [](void* self, int32_t list, int32_t index, v3_str_128 name) { return of(self).programName(list, index, name); },
       [](void*, int32_t, int32_t, const char*, v3_str_128) -> v3_result { return V3_NOT_IMPLEMENTED; },
       [](void*, int32_t, int32_t) -> v3_result { return V3_FALSE; },
       [](void*, int32_t, int32_t, int16_t, v3_str_128) -> v3_result { return V3_NOT_IMPLEMENTED; },
       [](void*) -> int32_t { return kRootUnitId; }, [](void*, int32_t) -> v3_result { return V3_OK; },
       [](void*, int32_t, int32_t, int32_t, int32_t, int32_t* unit) -> v3_result {
         *unit = kRootUnitId;
         return V3_OK;
       },
       [](void*, int32_t, int32_t, v3_bstream**) -> v3_result { return V3_NOT_IMPLEMENTED; }}};

  static constexpr v3_process_context_requirements_cpp kContextRequirements{{query, ref, unref},
                                                                            {[](void*) -> uint32_t { return 0; }}};
};

Vst3Plugin* Vst3Plugin::create() {
  auto* plugin = new Vst3Plugin();
  plugin->component = {&Vst3Tables::kComponent, plugin};
  plugin->processor = {&Vst3Tables::kProcessor, plugin};
  plugin->controller = {&Vst3Tables::kController, plugin};
  plugin->unitInformation = {&Vst3Tables::kUnitInformation, plugin};
  plugin->contextRequirements = {&Vst3Tables::kContextRequirements, plugin};
  if (!plugin->make()) {
    delete plugin;
    return nullptr;
  }
  return plugin;
}

Vst3Plugin::~Vst3Plugin() {
  if (handler) v3_cpp_obj_unref(handler);
}

uint32_t Vst3Plugin::unref() {
  const uint32_t left = --refs;
  if (left == 0) delete this;
  return left;
}

void* Vst3Plugin::queryInterface(const v3_tuid iid) {
  void* face = nullptr;
  if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_base_iid) ||
      v3_tuid_match(iid, v3_component_iid))
    face = &component;
  else if (v3_tuid_match(iid, v3_audio_processor_iid))
    face = &processor;
  else if (v3_tuid_match(iid, v3_edit_controller_iid))
    face = &controller;
  else if (v3_tuid_match(iid, v3_unit_information_iid))
    face = &unitInformation;
  else if (v3_tuid_match(iid, v3_process_context_requirements_iid))
    face = &contextRequirements;
  if (face) ref();
  return face;
}

bool Vst3Plugin::make() {
  hosted = hosts::hostedUnitFromOwnBundle(presets);
  if (!hosted) return false;
  unit = &hosted->unit();
  adoptUnitValues();
  return true;
}

v3_result Vst3Plugin::initialize() {
  // Hosts may initialise the component and the controller (one object here) each once.
  initialized = true;
  return V3_OK;
}

void Vst3Plugin::adoptUnitValues() {
  for (size_t address = 0; address < kParameterCount; ++address) controllerValues[address] = hosted->parameter(address);
  const auto preset = unit->currentPreset();
  const int number =
      preset && preset->number() >= 0 && size_t(preset->number()) < presets.size() ? int(preset->number()) : -1;
  presetNumber.store(number);
  controllerValues[kProgramId] = presets.size() > 1 && number > 0 ? double(number) / double(presets.size() - 1) : 0.0;
  bypassed.store(hosted->bypassed());
  controllerValues[kBypassId] = bypassed.load() ? 1.0 : 0.0;
}

v3_result Vst3Plugin::busInfo(int32_t mediaType, int32_t direction, int32_t index, v3_bus_info* info) const {
  if (mediaType != V3_AUDIO || index != 0) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  info->media_type = V3_AUDIO;
  info->direction = direction;
  info->channel_count = DrollicantAudioUnit::kBusChannels;
  copyText(info->bus_name, 128, direction == V3_INPUT ? "Input" : "Output");
  info->bus_type = V3_MAIN;
  info->flags = V3_DEFAULT_ACTIVE;
  return V3_OK;
}

v3_result Vst3Plugin::setBusArrangements(const v3_speaker_arrangement* inputs, int32_t inputCount,
                                         const v3_speaker_arrangement* outputs, int32_t outputCount) const {
  // Stereo in, stereo out, nothing else.
  const bool stereo =
      inputCount == 1 && outputCount == 1 && inputs && outputs && inputs[0] == kStereo && outputs[0] == kStereo;
  return stereo ? V3_OK : V3_FALSE;
}

v3_result Vst3Plugin::setupProcessing(const v3_process_setup* setup) {
  if (!setup || !(setup->sample_rate > 0) || setup->max_block_size <= 0) return V3_INVALID_ARG;
  if (setup->symbolic_sample_size != V3_SAMPLE_32) return V3_NOT_IMPLEMENTED;
  sampleRate = setup->sample_rate;
  maxFrames = uint32_t(setup->max_block_size);
  return V3_OK;
}

v3_result Vst3Plugin::setActive(bool activate) {
  if (!activate) {
    active = false;
    return V3_OK;
  }
  if (active) return V3_OK;
  if (maxFrames == 0) return V3_NOT_INITIALIZED;
  if (!hosted->prepare(sampleRate, maxFrames, nullptr)) return V3_INTERNAL_ERR;
  active = true;
  return V3_OK;
}

// ---- Processing ----

size_t Vst3Plugin::gatherPoints(v3_param_changes** changes) {
  if (changes == nullptr) return 0;
  size_t count = 0;
  const int32_t queues = v3_cpp_obj(changes)->get_param_count(changes);
  for (int32_t q = 0; q < queues; ++q) {
    v3_param_value_queue** queue = v3_cpp_obj(changes)->get_param_data(changes, q);
    if (queue == nullptr) continue;
    const v3_param_id id = v3_cpp_obj(queue)->get_param_id(queue);
    const int32_t n = v3_cpp_obj(queue)->get_point_count(queue);
    for (int32_t p = 0; p < n; ++p) {
      Point point{0, id, 0.0};
      if (v3_cpp_obj(queue)->get_point(queue, p, &point.offset, &point.value) != V3_OK) continue;
      // Past the capacity only a queue's last point is kept, in place of the one before.
      if (count == points.size()) {
        if (p + 1 < n) continue;
        --count;
      }
      points[count++] = point;
    }
  }
  // In time order; one parameter's points keep theirs (insertion sort is stable). At one
  // instant a program change comes first: it sets the ground the other changes edit.
  auto later = [](const Point& a, const Point& b) {
    return a.offset > b.offset || (a.offset == b.offset && a.id != kProgramId && b.id == kProgramId);
  };
  for (size_t i = 1; i < count; ++i)
    for (size_t j = i; j > 0 && later(points[j - 1], points[j]); --j) std::swap(points[j - 1], points[j]);
  return count;
}

void Vst3Plugin::addChange(uint32_t frame, uint64_t address, float value) {
  // Past the capacity the block's last change takes the last place.
  if (changeCount == changes.size()) --changeCount;
  changes[changeCount++] = {frame, address, value};
}

void Vst3Plugin::takeParameter(v3_param_id id, double normalised, uint32_t frame) {
  if (!std::isfinite(normalised)) return;
  if (const auto* row = rowFor(id)) {
    addChange(frame, row->address, unitValue(*row, normalised));
  } else if (id == kBypassId) {
    bypassed.store(normalised >= kSwitchThreshold, std::memory_order_relaxed);
    addChange(frame, hosts::kBypassAddress, normalised >= kSwitchThreshold ? kSwitchOn : kSwitchOff);
  } else if (id == kProgramId && presets.size()) {
    const size_t index = programIndex(normalised);
    for (size_t address = 0; address < kParameterCount; ++address)
      takeParameter(v3_param_id(address), presets.all()[index].values[address], frame);
    presetNumber.store(int(index), std::memory_order_relaxed);
    presetPending.store(true, std::memory_order_release);
    programReport = true;
  }
}

v3_result Vst3Plugin::process(v3_process_data* data) {
  processThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
  if (data->symbolic_sample_size != V3_SAMPLE_32) return V3_INVALID_ARG;
  const size_t count = gatherPoints(data->input_params);
  const uint32_t frames = data->nframes > 0 ? uint32_t(data->nframes) : 0;
  changeCount = 0;
  // One at or past the end holds from the block's end.
  for (size_t i = 0; i < count; ++i)
    takeParameter(points[i].id, points[i].value, std::min(uint32_t(std::max(points[i].offset, 0)), frames));

  const float* input[2] = {nullptr, nullptr};
  if (data->num_input_buses > 0 && data->inputs && data->inputs[0].channel_buffers_32) {
    const auto& bus = data->inputs[0];
    input[0] = bus.num_channels > 0 ? bus.channel_buffers_32[0] : nullptr;
    input[1] = bus.num_channels > 1 ? bus.channel_buffers_32[1] : input[0];
  }
  if (data->num_output_buses > 0 && data->outputs && data->outputs[0].channel_buffers_32 &&
      data->outputs[0].num_channels >= 2) {
    float* const output[2] = {data->outputs[0].channel_buffers_32[0], data->outputs[0].channel_buffers_32[1]};
    data->outputs[0].channel_silence_bitset = 0;
    hosted->process(input, output, frames, changes.data(), changeCount);
  } else {
    // No audio to render (a parameter flush): the changes still count.
    for (uint32_t i = 0; i < changeCount; ++i) {
      if (changes[i].address == hosts::kBypassAddress)
        hosted->setBypassed(changes[i].value >= kSwitchThreshold);
      else
        hosted->setParameter(changes[i].address, changes[i].value);
    }
  }
  reportProgramValues(data->output_params);
  return V3_OK;
}

void Vst3Plugin::reportProgramValues(v3_param_changes** changes) {
  // A program change rewrote the eight parameters; hosts learn the values this way (the
  // processor's output changes), as they would from any other change the plug-in makes.
  if (!programReport || changes == nullptr) return;
  programReport = false;
  for (size_t address = 0; address < kParameterCount; ++address) {
    v3_param_id id = v3_param_id(address);
    int32_t index = 0;
    v3_param_value_queue** queue = v3_cpp_obj(changes)->add_param_data(changes, &id, &index);
    if (queue == nullptr) continue;
    int32_t point = 0;
    v3_cpp_obj(queue)->add_point(queue, 0, hosted->parameter(address), &point);
  }
}

// ---- State ----

void Vst3Plugin::settlePreset() {
  if (!presetPending.exchange(false, std::memory_order_acquire)) return;
  const int number = presetNumber.load();
  if (number < 0 || size_t(number) >= presets.size()) return;
  // The tree asks the layer for the preset file's values again; the latest values asked
  // (edits after the preset included) are the ones to keep.
  std::array<float, kParameterCount> latest{};
  for (size_t address = 0; address < kParameterCount; ++address) latest[address] = hosted->parameter(address);
  unit->setCurrentPreset(AUAudioUnitPreset::make(number, presets.all()[size_t(number)].name));
  for (size_t address = 0; address < kParameterCount; ++address) hosted->setParameter(address, latest[address]);
}

v3_result Vst3Plugin::getState(v3_bstream** stream) {
  if (stream == nullptr) return V3_INVALID_ARG;
  settlePreset();
  std::string blob = StateBlob::save(*unit);
  if (blob.empty()) return V3_INTERNAL_ERR;
  for (size_t written = 0; written < blob.size();) {
    int32_t n = 0;
    const auto size = int32_t(std::min<size_t>(blob.size() - written, INT32_MAX));
    if (v3_cpp_obj(stream)->write(stream, blob.data() + written, size, &n) != V3_OK || n <= 0) return V3_INTERNAL_ERR;
    written += size_t(n);
  }
  return V3_OK;
}

v3_result Vst3Plugin::setState(v3_bstream** stream) {
  if (stream == nullptr) return V3_INVALID_ARG;
  std::string blob;
  char chunk[4096];
  for (;;) {
    int32_t n = 0;
    if (v3_cpp_obj(stream)->read(stream, chunk, sizeof chunk, &n) != V3_OK || n <= 0) break;
    blob.append(chunk, size_t(n));
    if (blob.size() > kMaxStateBytes) return V3_INVALID_ARG;
  }
  if (!StateBlob::restore(*unit, blob)) return V3_INVALID_ARG;
  presetPending.store(false);
  adoptUnitValues();
  if (view) view->valuesChanged();
  return V3_OK;
}

// ---- Controller ----

int32_t Vst3Plugin::parameterCount() const { return int32_t(kParameterCount + 1 + (presets.size() ? 1 : 0)); }

v3_result Vst3Plugin::parameterInfo(int32_t index, v3_param_info* info) const {
  if (index < 0 || index >= parameterCount()) return V3_INVALID_ARG;
  std::memset(info, 0, sizeof *info);
  info->unit_id = kRootUnitId;
  if (size_t(index) < kParameterCount) {
    const auto& row = kParameterTable[size_t(index)];
    info->param_id = v3_param_id(row.address);
    copyText(info->title, 128, row.displayName);
    copyText(info->short_title, 128, row.displayName);
    info->step_count = isSwitch(row) ? 1 : 0;
    info->default_normalised_value = presets.newUnitValues()[size_t(index)];
    info->flags = V3_PARAM_CAN_AUTOMATE;
  } else if (size_t(index) == kParameterCount) {
    info->param_id = kBypassId;
    copyText(info->title, 128, kBypassParameter.displayName);
    copyText(info->short_title, 128, kBypassParameter.displayName);
    info->step_count = 1;
    info->flags = V3_PARAM_CAN_AUTOMATE | V3_PARAM_IS_BYPASS;
  } else {
    info->param_id = kProgramId;
    copyText(info->title, 128, kProgramName);
    copyText(info->short_title, 128, kProgramName);
    info->step_count = int32_t(presets.size() - 1);
    info->flags = V3_PARAM_IS_LIST | V3_PARAM_PROGRAM_CHANGE;
  }
  return V3_OK;
}

size_t Vst3Plugin::programIndex(double normalised) const {
  if (presets.size() < 2) return 0;
  const double scaled = std::clamp(normalised, 0.0, 1.0) * double(presets.size() - 1);
  return size_t(std::lround(scaled));
}

v3_result Vst3Plugin::stringForValue(v3_param_id id, double normalised, int16_t* text) const {
  char buffer[128];
  if (const auto* row = rowFor(id)) {
    // The unit's own display string, the same in every format.
    const AUValue v = unitValue(*row, normalised);
    const auto parameter = unit->parameterTree()->parameterWithAddress(row->address);
    std::snprintf(buffer, sizeof buffer, "%s", parameter ? parameter->stringFromValue(&v).c_str() : "");
  } else if (id == kBypassId) {
    std::snprintf(buffer, sizeof buffer, "%s", normalised >= 0.5 ? "On" : "Off");
  } else if (id == kProgramId && presets.size()) {
    std::snprintf(buffer, sizeof buffer, "%s", presets.all()[programIndex(normalised)].name.c_str());
  } else {
    return V3_INVALID_ARG;
  }
  copyText(text, 128, buffer);
  return V3_OK;
}

v3_result Vst3Plugin::valueForString(v3_param_id id, const int16_t* text, double* normalised) const {
  const std::string ascii = asciiText(text, 128);
  if (id == kProgramId)
    for (size_t i = 0; i < presets.size(); ++i)
      if (presets.all()[i].name == ascii) {
        *normalised = presets.size() > 1 ? double(i) / double(presets.size() - 1) : 0.0;
        return V3_OK;
      }
  char* end = nullptr;
  const double parsed = std::strtod(ascii.c_str(), &end);
  if (end == ascii.c_str() || !std::isfinite(parsed)) return V3_INVALID_ARG;
  *normalised = plainToNormalised(id, parsed);
  return V3_OK;
}

double Vst3Plugin::normalisedToPlain(v3_param_id id, double normalised) const {
  if (id == kProgramId) return double(programIndex(normalised));
  return normalised;  // every other parameter ranges from 0 to 1
}

double Vst3Plugin::plainToNormalised(v3_param_id id, double plain) const {
  if (id == kProgramId) return presets.size() > 1 ? std::clamp(plain / double(presets.size() - 1), 0.0, 1.0) : 0.0;
  return std::clamp(plain, 0.0, 1.0);
}

double Vst3Plugin::parameterNormalised(v3_param_id id) const {
  return id < controllerValues.size() ? controllerValues[id] : 0.0;
}

v3_result Vst3Plugin::setParameterNormalised(v3_param_id id, double normalised) {
  if (id >= controllerValues.size() || !std::isfinite(normalised)) return V3_INVALID_ARG;
  controllerValues[id] = std::clamp(normalised, 0.0, 1.0);
  if (id == kProgramId && presets.size()) {
    // The controller's side of a program change: the eight values follow the preset. The
    // processor gets the change from the host. No restart_component from here: Ardour 7
    // calls this while it holds the lock its restart handler waits for, and re-reads the
    // values itself after a program change.
    const size_t index = programIndex(normalised);
    for (size_t address = 0; address < kParameterCount; ++address)
      controllerValues[address] = presets.all()[index].values[address];
    unit->setCurrentPreset(AUAudioUnitPreset::make(NSInteger(index), presets.all()[index].name));
  } else if (std::this_thread::get_id() != processThread.load(std::memory_order_relaxed)) {
    // Off the audio thread the layer's mailbox takes it at once, so an edit counts even
    // when the host runs no process call before it saves (Ardour with its transport
    // stopped); the same change reaching the processor later changes nothing.
    if (const auto* row = rowFor(id))
      hosted->setParameter(row->address, unitValue(*row, normalised));
    else if (id == kBypassId)
      hosted->setBypassed(normalised >= kSwitchThreshold);
  }
  if (view) view->valuesChanged();
  return V3_OK;
}

v3_result Vst3Plugin::setComponentHandler(v3_component_handler** newHandler) {
  if (newHandler) v3_cpp_obj_ref(newHandler);
  if (handler) v3_cpp_obj_unref(handler);
  handler = newHandler;
  return V3_OK;
}

void Vst3Plugin::editorChanged(size_t address, float value) {
  if (address >= kParameterCount) return;
  controllerValues[address] = value;
  if (!handler) return;
  auto* h = v3_cpp_obj(handler);
  h->begin_edit(handler, v3_param_id(address));
  h->perform_edit(handler, v3_param_id(address), value);
  h->end_edit(handler, v3_param_id(address));
}

v3_result Vst3Plugin::programName(int32_t listId, int32_t index, int16_t* name) const {
  if (listId != kProgramListId || index < 0 || size_t(index) >= presets.size()) return V3_INVALID_ARG;
  copyText(name, 128, presets.all()[size_t(index)].name);
  return V3_OK;
}

v3_plugin_view** Vst3Plugin::createView(const char* name) {
  if (name == nullptr || std::strcmp(name, "editor") != 0 || view != nullptr) return nullptr;
  view = Vst3View::create(*this);
  return view ? view->face() : nullptr;
}

void Vst3Plugin::viewClosed(Vst3View* closed) {
  if (view == closed) view = nullptr;
}

}  // namespace drollicant::vst3
