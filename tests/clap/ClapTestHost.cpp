#include "clap/ClapTestHost.h"

#include <dlfcn.h>

#include <clap/ext/latency.h>
#include <clap/ext/thread-check.h>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace testing_support {

namespace {

constexpr clap_host_latency_t kLatency{[](const clap_host_t*) {}};
constexpr clap_host_thread_check_t kThreadCheck{[](const clap_host_t*) { return true; },
                                                [](const clap_host_t*) { return true; }};

struct InputList {
  const std::vector<clap_event_param_value_t>* events;
};

struct ReadCursor {
  const std::vector<uint8_t>* blob;
  size_t position;
  uint64_t chunk;
};

struct WriteCursor {
  std::vector<uint8_t>* blob;
  uint64_t chunk;
};

clap_input_events_t inputEventsOf(const std::vector<clap_event_param_value_t>* events, InputList* list) {
  list->events = events;
  clap_input_events_t in{};
  in.ctx = list;
  in.size = [](const clap_input_events_t* l) { return uint32_t(static_cast<InputList*>(l->ctx)->events->size()); };
  in.get = [](const clap_input_events_t* l, uint32_t index) -> const clap_event_header_t* {
    const auto& events = *static_cast<InputList*>(l->ctx)->events;
    return index < events.size() ? &events[index].header : nullptr;
  };
  return in;
}

clap_output_events_t outputEventsInto(std::vector<clap_event_param_value_t>* sent) {
  clap_output_events_t out{};
  out.ctx = sent;
  out.try_push = [](const clap_output_events_t* l, const clap_event_header_t* event) {
    if (event->space_id == CLAP_CORE_EVENT_SPACE_ID && event->type == CLAP_EVENT_PARAM_VALUE &&
        event->size >= sizeof(clap_event_param_value_t))
      static_cast<std::vector<clap_event_param_value_t>*>(l->ctx)->push_back(
          *reinterpret_cast<const clap_event_param_value_t*>(event));
    return true;
  };
  return out;
}

}  // namespace

ClapTestHost::ClapTestHost(const std::string& path) {
  host.clap_version = CLAP_VERSION;
  host.host_data = this;
  host.name = "drollicant test host";
  host.vendor = "drollicant";
  host.url = "";
  host.version = "1";
  host.get_extension = getExtension;
  host.request_restart = [](const clap_host_t*) {};
  host.request_process = [](const clap_host_t*) {};
  host.request_callback = [](const clap_host_t*) {};

  library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return;
  entry = static_cast<const clap_plugin_entry_t*>(dlsym(library, "clap_entry"));
  if (!entry || !clap_version_is_compatible(entry->clap_version) || !entry->init(path.c_str())) {
    entry = nullptr;
    return;
  }
  factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

ClapTestHost::~ClapTestHost() {
  if (instance) {
    deactivate();
    instance->destroy(instance);
  }
  if (entry) entry->deinit();
  if (library) dlclose(library);
}

const void* ClapTestHost::getExtension(const clap_host_t*, const char* id) {
  static const clap_host_params_t params{[](const clap_host_t*, clap_param_rescan_flags) {},
                                         [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                         [](const clap_host_t* h) { ++self(h).flushRequests; }};
  static const clap_host_state_t state{[](const clap_host_t*) {}};
  static const clap_host_timer_support_t timerSupport{[](const clap_host_t* h, uint32_t, clap_id* id) {
                                                        auto& timers = self(h).timers;
                                                        *id = clap_id(timers.size() + 1);
                                                        timers.push_back(*id);
                                                        return true;
                                                      },
                                                      [](const clap_host_t* h, clap_id id) {
                                                        auto& timers = self(h).timers;
                                                        const auto found = std::find(timers.begin(), timers.end(), id);
                                                        if (found == timers.end()) return false;
                                                        timers.erase(found);
                                                        return true;
                                                      }};
  if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return &timerSupport;
  if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &params;
  if (!std::strcmp(id, CLAP_EXT_STATE)) return &state;
  if (!std::strcmp(id, CLAP_EXT_LATENCY)) return &kLatency;
  if (!std::strcmp(id, CLAP_EXT_THREAD_CHECK)) return &kThreadCheck;
  return nullptr;
}

std::vector<const clap_plugin_descriptor_t*> ClapTestHost::descriptors() const {
  std::vector<const clap_plugin_descriptor_t*> list;
  if (!factory) return list;
  for (uint32_t i = 0; i < factory->get_plugin_count(factory); ++i)
    list.push_back(factory->get_plugin_descriptor(factory, i));
  return list;
}

bool ClapTestHost::create(const std::string& id) {
  const auto all = descriptors();
  if (all.empty() || instance) return false;
  const std::string chosen = id.empty() ? all.front()->id : id;
  instance = factory->create_plugin(factory, &host, chosen.c_str());
  if (!instance) return false;
  if (!instance->init(instance)) {
    instance->destroy(instance);
    instance = nullptr;
  }
  return instance != nullptr;
}

bool ClapTestHost::activate(double sampleRate, uint32_t maxFrames) {
  if (!instance || active) return false;
  if (!instance->activate(instance, sampleRate, 1, maxFrames)) return false;
  active = true;
  return instance->start_processing(instance);
}

void ClapTestHost::deactivate() {
  if (!active) return;
  instance->stop_processing(instance);
  instance->deactivate(instance);
  active = false;
}

void ClapTestHost::fillInputEvents(const std::vector<ParameterEvent>& events) {
  inputEvents.clear();
  for (const auto& e : events) {
    clap_event_param_value_t event{};
    event.header.size = sizeof event;
    event.header.time = e.frame;
    event.header.space_id = CLAP_CORE_EVENT_SPACE_ID;
    event.header.type = CLAP_EVENT_PARAM_VALUE;
    event.param_id = e.id;
    event.note_id = -1;
    event.port_index = -1;
    event.channel = -1;
    event.key = -1;
    event.value = e.value;
    inputEvents.push_back(event);
  }
  // Hosts hand events in time order.
  std::stable_sort(inputEvents.begin(), inputEvents.end(),
                   [](const auto& a, const auto& b) { return a.header.time < b.header.time; });
}

std::vector<uint32_t> ClapTestHost::portChannels(bool input) const {
  std::vector<uint32_t> channels;
  const auto* ports = extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
  if (!ports) return channels;
  for (uint32_t i = 0; i < ports->count(instance, input); ++i) {
    clap_audio_port_info_t info{};
    channels.push_back(ports->get(instance, i, input, &info) ? info.channel_count : 0);
  }
  return channels;
}

clap_process_status ClapTestHost::process(const float* left, const float* right, uint32_t frames,
                                          const std::vector<ParameterEvent>& events) {
  inLeft.assign(left, left + frames);
  inRight.assign(right, right + frames);
  outLeft.assign(frames, 0.0f);
  outRight.assign(frames, 0.0f);
  // Channels go to the ports in order, left first: a stereo port takes both, two mono
  // ports one each; further channels get silence (inputs) or scratch (outputs).
  spareIn.assign(8 * frames, 0.0f);
  spareOut.assign(8 * frames, 0.0f);
  std::vector<float*> inChannels{inLeft.data(), inRight.data()}, outChannels{outLeft.data(), outRight.data()};
  for (size_t i = 0; i < 8; ++i) {
    inChannels.push_back(spareIn.data() + i * frames);
    outChannels.push_back(spareOut.data() + i * frames);
  }
  auto buses = [frames](const std::vector<uint32_t>& ports, std::vector<float*>& channels) {
    std::vector<clap_audio_buffer_t> list;
    size_t next = 0;
    for (uint32_t count : ports) {
      list.push_back({channels.data() + std::min(next, channels.size() - 1), nullptr, count, 0, 0});
      next += count;
    }
    (void)frames;
    return list;
  };
  std::vector<clap_audio_buffer_t> in = buses(portChannels(true), inChannels);
  std::vector<clap_audio_buffer_t> out = buses(portChannels(false), outChannels);
  fillInputEvents(events);
  InputList list;
  const clap_input_events_t inEvents = inputEventsOf(&inputEvents, &list);
  const clap_output_events_t outEvents = outputEventsInto(&sentEvents);
  clap_process_t process{};
  process.steady_time = -1;
  process.frames_count = frames;
  process.audio_inputs = in.data();
  process.audio_outputs = out.data();
  process.audio_inputs_count = uint32_t(in.size());
  process.audio_outputs_count = uint32_t(out.size());
  process.in_events = &inEvents;
  process.out_events = &outEvents;
  return callProcess(instance, &process);
}

void ClapTestHost::flush(const std::vector<ParameterEvent>& events) {
  const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  if (!params) return;
  fillInputEvents(events);
  InputList list;
  const clap_input_events_t inEvents = inputEventsOf(&inputEvents, &list);
  const clap_output_events_t outEvents = outputEventsInto(&sentEvents);
  params->flush(instance, &inEvents, &outEvents);
}

void ClapTestHost::tick(int times) {
  const auto* timer = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
  for (int i = 0; i < times; ++i) {
    for (const clap_id id : std::vector<clap_id>(timers))
      if (timer) timer->on_timer(instance, id);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool ClapTestHost::parameterValue(clap_id id, double* value) const {
  const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
  return params && params->get_value(instance, id, value);
}

bool ClapTestHost::saveState(std::vector<uint8_t>* blob, uint64_t chunk) const {
  const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
  if (!state) return false;
  blob->clear();
  WriteCursor cursor{blob, chunk};
  clap_ostream_t stream{&cursor, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                          auto& c = *static_cast<WriteCursor*>(s->ctx);
                          const uint64_t n = std::min(size, c.chunk);
                          const auto* bytes = static_cast<const uint8_t*>(data);
                          c.blob->insert(c.blob->end(), bytes, bytes + n);
                          return int64_t(n);
                        }};
  return state->save(instance, &stream);
}

bool ClapTestHost::loadState(const std::vector<uint8_t>& blob, uint64_t chunk) const {
  const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
  if (!state) return false;
  ReadCursor cursor{&blob, 0, chunk};
  clap_istream_t stream{&cursor, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
                          auto& c = *static_cast<ReadCursor*>(s->ctx);
                          const uint64_t n = std::min({size, c.chunk, uint64_t(c.blob->size() - c.position)});
                          std::memcpy(data, c.blob->data() + c.position, n);
                          c.position += n;
                          return int64_t(n);
                        }};
  return state->load(instance, &stream);
}

}  // namespace testing_support
