// Drollicant.vst3 loaded in-process by a small host of the test's own, over the same
// packaged VST3-compatible headers: what Ardour cannot show (changes inside a block,
// heap use while processing, state in small pieces).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <travesty/audio_processor.h>
#include <travesty/bstream.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/factory.h>
#include <travesty/view.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "AllocationCounter.h"
#include "platform/ui/XvfbServer.h"
#include "support/X11Client.h"  // last

namespace {

constexpr double kRate = 48000;
constexpr int32_t kMaxFrames = 512;
constexpr v3_param_id kBypass = 8;

std::string modulePath() {
#if defined(__aarch64__)
  return std::string(DROLLICANT_VST3_BUNDLE) + "/Contents/aarch64-linux/Drollicant.so";
#else
  return std::string(DROLLICANT_VST3_BUNDLE) + "/Contents/x86_64-linux/Drollicant.so";
#endif
}

// Host objects: one queue per parameter, points in a fixed array (no heap in process).
struct Queue {
  const v3_param_value_queue_cpp* table;
  v3_param_id id;
  int32_t count;
  int32_t offsets[16];
  double values[16];
};
struct Changes {
  const v3_param_changes_cpp* table;
  int32_t count;
  Queue queues[16];
};

v3_result V3_API noQuery(void*, const v3_tuid, void** obj) {
  *obj = nullptr;
  return V3_NO_INTERFACE;
}
uint32_t V3_API one(void*) { return 1; }

const v3_param_value_queue_cpp kQueueTable{{noQuery, one, one},
                                           {[](void* self) { return static_cast<Queue*>(self)->id; },
                                            [](void* self) { return static_cast<Queue*>(self)->count; },
                                            [](void* self, int32_t i, int32_t* offset, double* value) -> v3_result {
                                              auto* q = static_cast<Queue*>(self);
                                              if (i < 0 || i >= q->count) return V3_INVALID_ARG;
                                              *offset = q->offsets[i];
                                              *value = q->values[i];
                                              return V3_OK;
                                            },
                                            [](void* self, int32_t offset, double value, int32_t* index) -> v3_result {
                                              auto* q = static_cast<Queue*>(self);
                                              if (q->count == 16) return V3_NOMEM;
                                              q->offsets[q->count] = offset;
                                              q->values[q->count] = value;
                                              *index = q->count++;
                                              return V3_OK;
                                            }}};
const v3_param_changes_cpp kChangesTable{
    {noQuery, one, one},
    {[](void* self) { return static_cast<Changes*>(self)->count; },
     [](void* self, int32_t i) -> v3_param_value_queue** {
       auto* c = static_cast<Changes*>(self);
       return i >= 0 && i < c->count ? reinterpret_cast<v3_param_value_queue**>(&c->queues[i]) : nullptr;
     },
     [](void* self, v3_param_id* id, int32_t* index) -> v3_param_value_queue** {
       auto* c = static_cast<Changes*>(self);
       for (int32_t i = 0; i < c->count; ++i)
         if (c->queues[i].id == *id) return *index = i, reinterpret_cast<v3_param_value_queue**>(&c->queues[i]);
       if (c->count == 16) return nullptr;
       c->queues[c->count] = Queue{&kQueueTable, *id, 0, {}, {}};
       *index = c->count;
       return reinterpret_cast<v3_param_value_queue**>(&c->queues[c->count++]);
     }}};

struct Point {
  v3_param_id id;
  int32_t offset;
  double value;
};

void fill(Changes& changes, const std::vector<Point>& points) {
  changes = Changes{&kChangesTable, 0, {}};
  for (const auto& p : points) {
    v3_param_id id = p.id;
    int32_t index = 0, at = 0;
    auto** queue = kChangesTable.changes.add_param_data(&changes, &id, &index);
    kQueueTable.queue.add_point(queue, p.offset, p.value, &at);
  }
}

struct StreamTable;
struct Stream {
  const StreamTable* table;
  std::vector<uint8_t> bytes;
  size_t position = 0;
  int32_t chunk = 1 << 30;
};
struct StreamTable {
  v3_funknown unknown;
  v3_bstream stream;
};
const StreamTable kStreamTable{
    {noQuery, one, one},
    {[](void* self, void* buffer, int32_t n, int32_t* read) -> v3_result {
       auto* s = static_cast<Stream*>(self);
       const auto count = std::min<size_t>({size_t(n), size_t(s->chunk), s->bytes.size() - s->position});
       std::memcpy(buffer, s->bytes.data() + s->position, count);
       s->position += count;
       *read = int32_t(count);
       return V3_OK;
     },
     [](void* self, void* buffer, int32_t n, int32_t* written) -> v3_result {
       auto* s = static_cast<Stream*>(self);
       const auto count = std::min(n, s->chunk);
       s->bytes.insert(s->bytes.end(), static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + count);
       *written = count;
       return V3_OK;
     },
     [](void*, int64_t, int32_t, int64_t*) -> v3_result { return V3_NOT_IMPLEMENTED; },
     [](void* self, int64_t* pos) -> v3_result {
       *pos = int64_t(static_cast<Stream*>(self)->position);
       return V3_OK;
     }}};

// One instance: component, processor and controller of the same object.
class Instance {
public:
  Instance() {
    library = dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto get = reinterpret_cast<void* (*)()>(dlsym(library, "GetPluginFactory"));
    auto** factory = static_cast<v3_plugin_factory_cpp**>(get());
    v3_class_info info{};
    (*factory)->v1.get_class_info(factory, 0, &info);
    void* obj = nullptr;
    if ((*factory)->v1.create_instance(factory, info.class_id, v3_component_iid, &obj) != V3_OK) return;
    component = static_cast<v3_component_cpp**>(obj);
    (*component)->base.initialize(component, nullptr);
    (*component)->query_interface(component, v3_audio_processor_iid, reinterpret_cast<void**>(&processor));
    (*component)->query_interface(component, v3_edit_controller_iid, reinterpret_cast<void**>(&controller));
  }
  ~Instance() {
    if (processor) (*processor)->unref(processor);
    if (controller) (*controller)->unref(controller);
    if (component) {
      (*component)->comp.set_active(component, false);
      (*component)->unref(component);
    }
  }
  bool activate() {
    v3_process_setup setup{V3_REALTIME, V3_SAMPLE_32, kMaxFrames, kRate};
    return (*processor)->proc.setup_processing(processor, &setup) == V3_OK &&
           (*component)->comp.set_active(component, true) == V3_OK &&
           (*processor)->proc.set_processing(processor, true) == V3_OK;
  }
  // Processes `left`/`right` in place with `points`.
  void process(std::vector<float>& left, std::vector<float>& right, const std::vector<Point>& points) {
    // Audio thread for the plug-in; `fill` and the buffers here allocate nothing.
    fill(changes, points);
    outChanges = Changes{&kChangesTable, 0, {}};
    float* channels[2] = {left.data(), right.data()};
    v3_audio_bus_buffers in{2, 0, {channels}}, out{2, 0, {channels}};
    v3_process_data data{V3_REALTIME, V3_SAMPLE_32, int32_t(left.size()), 1, 1, &in, &out,
                         // An object's address is its table field's: what the plug-in calls through.
                         reinterpret_cast<v3_param_changes**>(&changes),
                         reinterpret_cast<v3_param_changes**>(&outChanges), nullptr, nullptr, nullptr};
    (*processor)->proc.process(processor, &data);
  }
  bool saveState(Stream& stream) {
    stream.table = &kStreamTable;
    return (*component)->comp.get_state(component, reinterpret_cast<v3_bstream**>(&stream)) == V3_OK;
  }
  bool loadState(Stream& stream) {
    stream.table = &kStreamTable;
    stream.position = 0;
    return (*component)->comp.set_state(component, reinterpret_cast<v3_bstream**>(&stream)) == V3_OK;
  }
  double value(v3_param_id id) { return (*controller)->ctrl.get_parameter_normalised(controller, id); }
  v3_edit_controller_cpp** editController() const { return controller; }
  bool ready() const { return component && processor && controller; }
  Changes outChanges{};

private:
  void* library = nullptr;
  v3_component_cpp** component = nullptr;
  v3_audio_processor_cpp** processor = nullptr;
  v3_edit_controller_cpp** controller = nullptr;
  Changes changes{};
};

std::vector<float> sine(size_t frames, double frequency, size_t start = 0) {
  std::vector<float> s(frames);
  for (size_t i = 0; i < frames; ++i) s[i] = float(0.5 * std::sin(2 * M_PI * frequency * double(start + i) / kRate));
  return s;
}

TEST(Vst3Instance, ChangesTakeEffectAtTheirOffsetsWithoutHeapOrLock) {
  Instance timed, cut;
  ASSERT_TRUE(timed.ready() && cut.ready());
  ASSERT_TRUE(timed.activate() && cut.activate());
  auto left = sine(kMaxFrames, 220), right = sine(kMaxFrames, 330);
  auto cutLeft = left, cutRight = right;
  timed.process(left, right, {{0, 100, 0.9}, {5, 300, 0.1}});
  // The same as three blocks cut at the offsets, each change at its block's start.
  std::vector<float> expected;
  const int32_t cuts[] = {0, 100, 300, kMaxFrames};
  const std::vector<std::vector<Point>> changes{{}, {{0, 0, 0.9}}, {{5, 0, 0.1}}};
  for (int p = 0; p < 3; ++p) {
    std::vector<float> l(cutLeft.begin() + cuts[p], cutLeft.begin() + cuts[p + 1]);
    std::vector<float> r(cutRight.begin() + cuts[p], cutRight.begin() + cuts[p + 1]);
    cut.process(l, r, changes[size_t(p)]);
    expected.insert(expected.end(), l.begin(), l.end());
  }
  EXPECT_EQ(left, expected);

  long heap = 0, locks = 0;
  for (int block = 1; block <= 8; ++block) {
    auto l = sine(kMaxFrames, 220, size_t(block) * kMaxFrames), r = sine(kMaxFrames, 330, size_t(block) * kMaxFrames);
    const std::vector<Point> points{
        {0, 7, 0.2 + 0.05 * block}, {kBypass, 64, double(block % 2)}, {9, 65, 0.25}, {6, 400, 1}};
    {
      // Only the plug-in's process call: the host's vectors are made outside the scope.
      drollicant::test::AllocationCounter counter;
      timed.process(l, r, points);
      heap += counter.count();
      locks += counter.locks();
    }
    for (float s : l) ASSERT_TRUE(std::isfinite(s));
  }
  EXPECT_EQ(heap, 0);
  EXPECT_EQ(locks, 0);
}

TEST(Vst3Instance, StateInSmallPiecesRestoresTheValuesAndTheProgram) {
  Instance first, second;
  ASSERT_TRUE(first.ready() && second.ready());
  ASSERT_TRUE(first.activate() && second.activate());
  auto left = sine(kMaxFrames, 220), right = sine(kMaxFrames, 330);
  // Program 3 of the nine (normalised 3/8), then an edit at the same offset.
  first.process(left, right, {{2, 0, 0.8125}, {9, 0, 3.0 / 8.0}, {7, 200, 1.0}});
  Stream saved;
  saved.chunk = 5;
  ASSERT_TRUE(first.saveState(saved));
  ASSERT_TRUE(second.loadState(saved));
  // The controller of `first` knows nothing of what its processor was sent (a host keeps
  // it in step); the state is what the processor took.
  EXPECT_NEAR(second.value(0), 0.2, 1e-6);  // Tape Memories' own value
  EXPECT_EQ(second.value(2), 0.8125);       // the edit wins over the program at the same offset
  EXPECT_EQ(second.value(7), 1.0);
  EXPECT_NEAR(second.value(9), 3.0 / 8.0, 1e-9);
  Stream again;
  ASSERT_TRUE(second.saveState(again));
  EXPECT_EQ(again.bytes, saved.bytes);
  // The program change was reported to the host as the eight values it set.
  EXPECT_EQ(first.outChanges.count, 8);
}

// The host side of an editor: a plug frame with a run loop (its timers are called by the
// test) and a component handler that records the edits.
struct HostSide {
  struct Frame {
    const void* table;
    HostSide* host;
  };
  Frame frame{nullptr, this}, loop{nullptr, this}, handler{nullptr, this};
  std::vector<v3_timer_handler**> timers;
  std::vector<std::pair<v3_param_id, double>> edits;

  static HostSide& of(void* self) { return *static_cast<Frame*>(self)->host; }
  static v3_result V3_API query(void* self, const v3_tuid iid, void** obj) {
    if (v3_tuid_match(iid, v3_run_loop_iid)) return *obj = &of(self).loop, V3_OK;
    *obj = nullptr;
    return V3_NO_INTERFACE;
  }
  static constexpr v3_plugin_frame_cpp kFrame{
      {query, one, one}, {[](void*, v3_plugin_view**, v3_view_rect*) -> v3_result { return V3_OK; }}};
  static constexpr v3_run_loop_cpp kLoop{{query, one, one},
                                         {[](void*, v3_event_handler**, int) -> v3_result { return V3_OK; },
                                          [](void*, v3_event_handler**) -> v3_result { return V3_OK; },
                                          [](void* self, v3_timer_handler** timer, uint64_t) -> v3_result {
                                            of(self).timers.push_back(timer);
                                            return V3_OK;
                                          },
                                          [](void* self, v3_timer_handler** timer) -> v3_result {
                                            auto& timers = of(self).timers;
                                            timers.erase(std::remove(timers.begin(), timers.end(), timer),
                                                         timers.end());
                                            return V3_OK;
                                          }}};
  struct HandlerTable {
    v3_funknown unknown;
    v3_component_handler handler;
  };
  static constexpr HandlerTable kHandler{
      {query, one, one},
      {[](void*, v3_param_id) -> v3_result { return V3_OK; },
       [](void* self, v3_param_id id, double value) -> v3_result {
         of(self).edits.emplace_back(id, value);
         return V3_OK;
       },
       [](void*, v3_param_id) -> v3_result { return V3_OK; }, [](void*, int32_t) -> v3_result { return V3_OK; }}};
  HostSide() {
    frame.table = &kFrame;
    loop.table = &kLoop;
    handler.table = &kHandler;
  }
  void tick(int times) {
    for (int i = 0; i < times; ++i) {
      for (auto** timer : std::vector<v3_timer_handler**>(timers)) v3_cpp_obj(timer)->on_timer(timer);
      usleep(10000);
    }
  }
};

TEST(Vst3Instance, EditorEmbedsAtTheHostsScaleAndSendsEditsToTheHost) {
  if (!testing_ui::xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed";
  testing_ui::XvfbServer server;
  ASSERT_TRUE(server.running());
  setenv("DISPLAY", server.display().c_str(), 1);
  Display* x = XOpenDisplay(server.display().c_str());
  ASSERT_NE(x, nullptr);
  const Window parent = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 900, 600, 0, 0, 0);
  XMapWindow(x, parent);
  XSync(x, False);
  {
    Instance instance;
    ASSERT_TRUE(instance.ready());
    HostSide host;
    auto** controller = instance.editController();
    (*controller)->ctrl.set_component_handler(controller, reinterpret_cast<v3_component_handler**>(&host.handler));
    auto** view = reinterpret_cast<v3_plugin_view_cpp**>((*controller)->ctrl.create_view(controller, "editor"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ((*view)->view.is_platform_type_supported(view, "X11EmbedWindowID"), V3_TRUE);
    v3_plugin_view_content_scale_cpp** scale = nullptr;
    ASSERT_EQ((*view)->query_interface(view, v3_plugin_view_content_scale_iid, reinterpret_cast<void**>(&scale)),
              V3_OK);
    EXPECT_EQ((*scale)->scale.set_content_scale_factor(scale, 2.0f), V3_OK);
    (*view)->view.set_frame(view, reinterpret_cast<v3_plugin_frame**>(&host.frame));
    ASSERT_EQ((*view)->view.attached(view, reinterpret_cast<void*>(uintptr_t(parent)), "X11EmbedWindowID"), V3_OK);
    ASSERT_EQ(host.timers.size(), 1u) << "the editor runs from the host's run loop";
    host.tick(5);
    v3_view_rect rect{};
    ASSERT_EQ((*view)->view.get_size(view, &rect), V3_OK);
    EXPECT_EQ(rect.right - rect.left, 840);
    EXPECT_EQ(rect.bottom - rect.top, 560);

    const Window editor = testing_x11::firstChild(x, parent);
    ASSERT_NE(editor, 0u);
    testing_x11::click(x, editor, 226, 502);  // flighty, at 2 pixels a point
    host.tick(5);
    ASSERT_FALSE(host.edits.empty());
    EXPECT_EQ(host.edits.back(), (std::pair<v3_param_id, double>{6, 1.0}));

    v3_view_rect smaller{0, 0, 100, 100};
    EXPECT_EQ((*view)->view.check_size_constraint(view, &smaller), V3_OK);
    EXPECT_GE(smaller.bottom, 280);
    v3_view_rect wanted{0, 0, 600, 400};
    EXPECT_EQ((*view)->view.on_size(view, &wanted), V3_OK);
    host.tick(3);
    EXPECT_EQ(testing_x11::size(x, editor), std::pair(600, 400));

    EXPECT_EQ((*view)->view.removed(view), V3_OK);
    EXPECT_TRUE(host.timers.empty());
    (*scale)->unref(scale);
    (*view)->unref(view);
  }
  XCloseDisplay(x);
}

}  // namespace
