#pragma once
#include <array>
#include <atomic>
#include <memory>

#include "audiounit/ParameterTable.h"
#include "editor/DrollicantAUViewControllerMac.h"
#include "hosts/vst3/Vst3Interface.h"
#include "platform/ui/X11Backend.h"

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
  void valuesChanged();

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
  void parameterChanged(platform::AUParameterAddress address, platform::AUValue value);

  std::atomic<uint32_t> refs{1};
  Vst3Plugin& plugin;
  v3_plugin_frame** frame = nullptr;
  v3_run_loop** runLoop = nullptr;
  bool timerRunning = false;
  double scale = 1;
  platform::CGSize points{DrollicantAUViewControllerMac::kPreferredWidth,
                          DrollicantAUViewControllerMac::kPreferredHeight};
  std::shared_ptr<DrollicantAUViewControllerMac> viewController;
  std::shared_ptr<platform::AUAudioUnit> unit;
  std::unique_ptr<platform::X11EmbeddedView> window;
  platform::AUParameterObserverToken observerToken = nullptr;
  std::array<float, kParameterTable.size()> shown{};

  Face<v3_plugin_view_cpp, Vst3View> view;
  Face<v3_plugin_view_content_scale_cpp, Vst3View> contentScale;
  Face<v3_timer_handler_cpp, Vst3View> timer;
  friend struct Vst3ViewTables;
};

}  // namespace drollicant::vst3
