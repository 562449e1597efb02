#include "hosts/clap/ClapEditor.h"

#include <cstring>

#include "hosts/clap/ClapPlugin.h"

namespace drollicant::clap {
using namespace platform;

struct ClapEditorCallbacks {
  static ClapPlugin& plugin(const clap_plugin_t* p) { return ClapPlugin::of(p); }
  static ClapEditor* editor(const clap_plugin_t* p) { return plugin(p).editor.get(); }

  static constexpr clap_plugin_gui_t kGui{
      [](const clap_plugin_t*, const char* api, bool floating) {
        return !floating && api && !std::strcmp(api, CLAP_WINDOW_API_X11);
      },
      [](const clap_plugin_t*, const char** api, bool* floating) {
        *api = CLAP_WINDOW_API_X11;
        *floating = false;
        return true;
      },
      [](const clap_plugin_t* p, const char* api, bool floating) {
        if (floating || !api || std::strcmp(api, CLAP_WINDOW_API_X11) || editor(p)) return false;
        auto made = std::make_unique<ClapEditor>(plugin(p));
        if (!made->make()) return false;
        plugin(p).editor = std::move(made);
        return true;
      },
      [](const clap_plugin_t* p) { plugin(p).editor.reset(); },
      [](const clap_plugin_t* p, double scale) { return editor(p) && editor(p)->editor.setScale(scale); },
      [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
        if (!editor(p)) return false;
        editor(p)->editor.pixelSize(*width, *height);
        return true;
      },
      [](const clap_plugin_t*) { return true; },
      [](const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
        hints->can_resize_horizontally = true;
        hints->can_resize_vertically = true;
        hints->preserve_aspect_ratio = false;
        return true;
      },
      [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
        if (editor(p)) editor(p)->editor.constrain(*width, *height);
        return true;
      },
      [](const clap_plugin_t* p, uint32_t width, uint32_t height) {
        return editor(p) && editor(p)->editor.setPixelSize(width, height);
      },
      [](const clap_plugin_t* p, const clap_window_t* window) {
        return editor(p) && window && window->api && !std::strcmp(window->api, CLAP_WINDOW_API_X11) &&
               editor(p)->editor.embed(window->x11);
      },
      [](const clap_plugin_t*, const clap_window_t*) { return false; },
      [](const clap_plugin_t*, const char*) {},
      [](const clap_plugin_t* p) { return editor(p) && editor(p)->editor.embedded(); },
      [](const clap_plugin_t* p) { return editor(p) != nullptr; }};
  static constexpr clap_plugin_timer_support_t kTimer{[](const clap_plugin_t* p, clap_id) {
    if (auto* e = editor(p)) e->editor.idle();
  }};
};

const void* ClapEditor::extension(const char* id) {
  if (!std::strcmp(id, CLAP_EXT_GUI)) return &ClapEditorCallbacks::kGui;
  if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return &ClapEditorCallbacks::kTimer;
  return nullptr;
}

ClapEditor::ClapEditor(ClapPlugin& owner)
    : plugin(owner),
      editor([this](size_t address) { return plugin.parameter(address); },
             [this](size_t address, float value) { plugin.editorChanged(clap_id(address), value); }) {}

ClapEditor::~ClapEditor() {
  if (timerRegistered) timers->unregister_timer(plugin.host(), timer);
}

bool ClapEditor::make() {
  const clap_host_t* host = plugin.host();
  timers = static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
  if (!timers || !timers->register_timer || !timers->unregister_timer) return false;
  if (!editor.make(plugin.unit->componentDescription())) return false;
  timerRegistered = timers->register_timer(host, hosts::HostedEditor::kIdlePeriodMs, &timer);
  return timerRegistered;
}

}  // namespace drollicant::clap
