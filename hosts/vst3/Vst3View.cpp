#include "hosts/vst3/Vst3View.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "hosts/vst3/Vst3Plugin.h"

namespace drollicant::vst3 {
using namespace platform;

namespace {
constexpr const char* kX11Embedding = "X11EmbedWindowID";
}  // namespace

struct Vst3ViewTables {
  static Vst3View& of(void* self) { return ownerOf<Vst3View>(self); }
  static v3_result V3_API query(void* self, const v3_tuid iid, void** obj) {
    void* face = of(self).queryInterface(iid);
    *obj = face;
    return face ? V3_OK : V3_NO_INTERFACE;
  }
  static uint32_t V3_API ref(void* self) { return of(self).ref(); }
  static uint32_t V3_API unref(void* self) { return of(self).unref(); }

  static constexpr v3_plugin_view_cpp kView{
      {query, ref, unref},
      {[](void*, const char* type) -> v3_result {
         return type && !std::strcmp(type, kX11Embedding) ? V3_TRUE : V3_FALSE;
       },
       [](void* self, void* parent, const char* type) { return of(self).attached(parent, type); },
       [](void* self) { return of(self).removed(); }, [](void*, float) -> v3_result { return V3_FALSE; },
       [](void*, int16_t, int16_t, int16_t) -> v3_result { return V3_FALSE; },
       [](void*, int16_t, int16_t, int16_t) -> v3_result { return V3_FALSE; },
       [](void* self, v3_view_rect* rect) { return of(self).size(rect); },
       [](void* self, v3_view_rect* rect) { return of(self).onSize(rect); },
       [](void*, v3_bool) -> v3_result { return V3_OK; },
       [](void* self, v3_plugin_frame** frame) { return of(self).setFrame(frame); },
       [](void*) -> v3_result { return V3_TRUE; },
       [](void* self, v3_view_rect* rect) { return of(self).checkSizeConstraint(rect); }}};
  static constexpr v3_plugin_view_content_scale_cpp kContentScale{
      {query, ref, unref}, {[](void* self, float factor) { return of(self).setContentScale(factor); }}};
  static constexpr v3_timer_handler_cpp kTimer{{query, ref, unref}, {[](void* self) { of(self).onTimer(); }}};
};

Vst3View* Vst3View::create(Vst3Plugin& plugin) {
  auto* made = new Vst3View(plugin);
  if (!made->make()) {
    made->unref();
    return nullptr;
  }
  return made;
}

Vst3View::Vst3View(Vst3Plugin& owner)
    : plugin(owner),
      editor([this](size_t address) { return plugin.controllerValue(address); },
             [this](size_t address, float value) { plugin.editorChanged(address, value); }) {
  plugin.ref();
  view = {&Vst3ViewTables::kView, this};
  contentScale = {&Vst3ViewTables::kContentScale, this};
  timer = {&Vst3ViewTables::kTimer, this};
}

Vst3View::~Vst3View() {
  removed();
  if (frame) v3_cpp_obj_unref(frame);
  plugin.viewClosed(this);
  plugin.unref();
}

uint32_t Vst3View::unref() {
  const uint32_t left = --refs;
  if (left == 0) delete this;
  return left;
}

void* Vst3View::queryInterface(const v3_tuid iid) {
  void* face = nullptr;
  if (v3_tuid_match(iid, v3_funknown_iid) || v3_tuid_match(iid, v3_plugin_view_iid))
    face = &view;
  else if (v3_tuid_match(iid, v3_plugin_view_content_scale_iid))
    face = &contentScale;
  else if (v3_tuid_match(iid, v3_timer_handler_iid))
    face = &timer;
  if (face) ref();
  return face;
}

bool Vst3View::make() { return editor.make(plugin.audioUnit().componentDescription()); }

v3_result Vst3View::setFrame(v3_plugin_frame** newFrame) {
  if (newFrame) v3_cpp_obj_ref(newFrame);
  if (frame) v3_cpp_obj_unref(frame);
  frame = newFrame;
  return V3_OK;
}

v3_result Vst3View::attached(void* parent, const char* type) {
  if (editor.embedded() || !parent || !type || std::strcmp(type, kX11Embedding)) return V3_FALSE;
  // Without the host's run loop nothing would ever draw or take a click.
  if (!frame || v3_cpp_obj_query_interface(frame, v3_run_loop_iid, &runLoop) != V3_OK || !runLoop) return V3_FALSE;
  if (!editor.embed(reinterpret_cast<uintptr_t>(parent))) {
    stopTimer();
    return V3_FALSE;
  }
  timerRunning = v3_cpp_obj(runLoop)->register_timer(runLoop, reinterpret_cast<v3_timer_handler**>(&timer),
                                                     hosts::HostedEditor::kIdlePeriodMs) == V3_OK;
  return V3_OK;
}

void Vst3View::stopTimer() {
  if (!runLoop) return;
  if (timerRunning) v3_cpp_obj(runLoop)->unregister_timer(runLoop, reinterpret_cast<v3_timer_handler**>(&timer));
  timerRunning = false;
  v3_cpp_obj_unref(runLoop);
  runLoop = nullptr;
}

v3_result Vst3View::removed() {
  stopTimer();
  editor.close();
  return V3_OK;
}

v3_result Vst3View::size(v3_view_rect* rect) const {
  if (!rect) return V3_INVALID_ARG;
  uint32_t width = 0, height = 0;
  editor.pixelSize(width, height);
  *rect = {0, 0, int32_t(width), int32_t(height)};
  return V3_OK;
}

v3_result Vst3View::onSize(const v3_view_rect* rect) {
  if (!rect || rect->right <= rect->left || rect->bottom <= rect->top) return V3_INVALID_ARG;
  editor.setPixelSize(uint32_t(rect->right - rect->left), uint32_t(rect->bottom - rect->top));
  return V3_OK;
}

v3_result Vst3View::checkSizeConstraint(v3_view_rect* rect) const {
  if (!rect) return V3_INVALID_ARG;
  uint32_t width = uint32_t(std::max(rect->right - rect->left, 0)),
           height = uint32_t(std::max(rect->bottom - rect->top, 0));
  editor.constrain(width, height);
  rect->right = rect->left + int32_t(width);
  rect->bottom = rect->top + int32_t(height);
  return V3_OK;
}

v3_result Vst3View::setContentScale(float factor) {
  if (!(factor > 0)) return V3_INVALID_ARG;
  // Taken when the window is made; an open window keeps its scale.
  return editor.setScale(factor) ? V3_OK : V3_FALSE;
}

void Vst3View::onTimer() { editor.idle(); }

}  // namespace drollicant::vst3
