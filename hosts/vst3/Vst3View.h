#pragma once
#include <array>
#include <atomic>
#include <memory>

#include "hosts/common/HostedEditor.h"
#include "hosts/vst3/Vst3Interface.h"

namespace drollicant::vst3 {

class Vst3Plugin;

// The editor in a VST3 host's window (X11 embedding, resizable, the host's content
// scale): the view controller makes a unit of its own, kept in step with the plug-in's
// controller values both ways. Window events, the main queue and drawing run from a
// timer on the host's run loop, which hosts on Linux offer through the plug frame.
//
// Threads: the host's main thread, all of it.
class Vst3View {
public:
  static Vst3View* create(Vst3Plugin& plugin);
  v3_plugin_view** face() { return reinterpret_cast<v3_plugin_view**>(&view); }

  void* queryInterface(const v3_tuid iid);
  uint32_t ref() { return ++refs; }
  uint32_t unref();

  // The controller's values changed other than through this editor.
  void valuesChanged() { editor.valuesChanged(); }

  v3_result attached(void* parent, const char* platformType);
  v3_result removed();
  v3_result size(v3_view_rect* rect) const;
  v3_result onSize(const v3_view_rect* rect);
  v3_result setFrame(v3_plugin_frame** frame);
  v3_result checkSizeConstraint(v3_view_rect* rect) const;
  v3_result setContentScale(float factor);
  void onTimer();

private:
  explicit Vst3View(Vst3Plugin& plugin);
  ~Vst3View();
  bool make();
  void stopTimer();

  std::atomic<uint32_t> refs{1};
  Vst3Plugin& plugin;
  v3_plugin_frame** frame = nullptr;
  v3_run_loop** runLoop = nullptr;
  bool timerRunning = false;
  hosts::HostedEditor editor;

  Face<v3_plugin_view_cpp, Vst3View> view;
  Face<v3_plugin_view_content_scale_cpp, Vst3View> contentScale;
  Face<v3_timer_handler_cpp, Vst3View> timer;
  friend struct Vst3ViewTables;
};

}  // namespace drollicant::vst3
