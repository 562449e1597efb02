#pragma once
#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/ParameterTable.h"
#include "hosts/common/FactoryPresetValues.h"
#include "hosts/common/HostedUnit.h"
#include "hosts/common/ParameterChange.h"
#include "hosts/vst3/Vst3Interface.h"

namespace drollicant::vst3 {

class Vst3View;

// One VST3 instance: component, audio processor, edit controller and program list in
// one object (hosts ask the component for its controller first), driving a
// DrollicantAudioUnit through the shared host layer. Parameter changes become the
// layer's changes at their sample offsets; the host's bypass (faded by the layer) and the
// factory preset (program) choice are parameters of their own; the component state is
// the unit's full state with the chosen preset.
//
// Threads: "audio" entries (process) allocate nothing and take no lock; everything
// else runs on the host's main thread. Values both sides read live in atomics.
class Vst3Plugin {
public:
  static constexpr size_t kParameterCount = kParameterTable.size();
  static constexpr size_t kMaxPoints = 1024;  // parameter points one process call can take

  // Main thread. nullptr when the unit cannot be made.
  static Vst3Plugin* create();
  // The interface `iid` with one more reference, or nullptr.
  void* queryInterface(const v3_tuid iid);
  uint32_t ref() { return ++refs; }
  uint32_t unref();

  // ---- Used by the editor (main thread) ----
  const DrollicantAudioUnit& audioUnit() const { return *unit; }
  float controllerValue(size_t address) const { return controllerValues[address]; }
  // An edit in the editor: told to the host, which sends it back to the processor.
  void editorChanged(size_t address, float value);
  void viewClosed(Vst3View* view);

  // ---- Component ----
  v3_result initialize();
  int32_t busCount(int32_t mediaType) const { return mediaType == V3_AUDIO ? 1 : 0; }
  v3_result busInfo(int32_t mediaType, int32_t direction, int32_t index, v3_bus_info* info) const;
  v3_result setActive(bool active);
  v3_result setState(v3_bstream** stream);
  v3_result getState(v3_bstream** stream);

  // ---- Audio processor ----
  v3_result setBusArrangements(const v3_speaker_arrangement* inputs, int32_t inputCount,
                               const v3_speaker_arrangement* outputs, int32_t outputCount) const;
  v3_result setupProcessing(const v3_process_setup* setup);
  v3_result process(v3_process_data* data);

  // ---- Edit controller ----
  int32_t parameterCount() const;
  v3_result parameterInfo(int32_t index, v3_param_info* info) const;
  v3_result stringForValue(v3_param_id id, double normalised, int16_t* text) const;
  v3_result valueForString(v3_param_id id, const int16_t* text, double* normalised) const;
  double normalisedToPlain(v3_param_id id, double normalised) const;
  double plainToNormalised(v3_param_id id, double plain) const;
  double parameterNormalised(v3_param_id id) const;
  v3_result setParameterNormalised(v3_param_id id, double normalised);
  v3_result setComponentHandler(v3_component_handler** handler);
  v3_plugin_view** createView(const char* name);

  // ---- Program list ----
  size_t programCount() const { return presets.size(); }
  v3_result programName(int32_t listId, int32_t index, int16_t* name) const;

private:
  Vst3Plugin() = default;
  ~Vst3Plugin();
  bool make();
  struct Point {
    int32_t offset;
    v3_param_id id;
    double value;
  };
  // Audio thread.
  size_t gatherPoints(v3_param_changes** changes);
  void takeParameter(v3_param_id id, double normalised, uint32_t frame);
  void addChange(uint32_t frame, uint64_t address, float value);
  void reportProgramValues(v3_param_changes** changes);
  // Main thread: a preset chosen on the audio thread goes into the unit's record.
  void settlePreset();
  // Main thread: the unit's values after a state or preset change off the audio thread.
  void adoptUnitValues();
  size_t programIndex(double normalised) const;

  std::atomic<uint32_t> refs{1};
  bool initialized = false;
  std::unique_ptr<hosts::HostedUnit> hosted;
  DrollicantAudioUnit* unit = nullptr;  // the layer's
  FactoryPresetValues presets;
  double sampleRate = DrollicantAudioUnit::kBusSampleRate;
  uint32_t maxFrames = 0;
  bool active = false;
  v3_component_handler** handler = nullptr;
  Vst3View* view = nullptr;

  std::atomic<bool> bypassed{false};
  std::atomic<int> presetNumber{-1};
  std::atomic<bool> presetPending{false};
  bool programReport = false;
  // The thread of the last process call: the controller leaves the tree alone there.
  std::atomic<std::thread::id> processThread{};  // audio thread: the eight values go out after this block
  // Values as the controller side knows them (main thread), normalised, by id.
  std::array<double, kParameterCount + 2> controllerValues{};
  std::array<Point, kMaxPoints> points{};
  std::array<hosts::ParameterChange, kMaxPoints> changes{};
  uint32_t changeCount = 0;

  // The interfaces, in the order query_interface hands them out.
  Face<v3_component_cpp, Vst3Plugin> component;
  Face<v3_audio_processor_cpp, Vst3Plugin> processor;
  Face<v3_edit_controller_cpp, Vst3Plugin> controller;
  Face<v3_unit_information_cpp, Vst3Plugin> unitInformation;
  Face<v3_process_context_requirements_cpp, Vst3Plugin> contextRequirements;
  friend struct Vst3Tables;
};

}  // namespace drollicant::vst3
