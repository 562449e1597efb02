#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "audiounit/ParameterTable.h"
#include "editor/DrollicantAUViewControllerMac.h"
#include "platform/ui/X11Backend.h"

namespace drollicant::hosts {

// The editor as a host format shows it: the view controller makes a unit of its own
// through its factory, as with every host, and its tree is kept in step with the
// plug-in's values both ways. Formats that embed it in a host's X11 window use `embed`;
// sizes given to and taken from hosts are pixels, the host's scale times the view's
// points, the scale taken when the window is made. Others put `view()` in a window of
// their own.
//
// Threads: the host's main thread, all of it.
class HostedEditor {
public:
  // How often hosts should call `idle`.
  static constexpr uint32_t kIdlePeriodMs = 16;

  // `value(address)` reads the plug-in's value; `edited(address, value)` takes an edit
  // made in the editor.
  HostedEditor(std::function<float(size_t)> value, std::function<void(size_t, float)> edited);
  ~HostedEditor();
  HostedEditor(const HostedEditor&) = delete;
  HostedEditor& operator=(const HostedEditor&) = delete;

  // Makes the view controller and its unit for the plug-in described so; false when it
  // cannot.
  bool make(const platform::AudioComponentDescription& description);
  // The plug-in's values changed other than through this editor (state, preset, host).
  void valuesChanged();
  // Shows the values that moved elsewhere since the last call.
  void followValues();
  std::shared_ptr<platform::NSView> view() const { return viewController->view(); }

  // False for a scale that is no scale, and once the window is open (it keeps its own).
  bool setScale(double factor);
  double scale() const { return _scale; }
  void pixelSize(uint32_t& width, uint32_t& height) const;
  bool setPixelSize(uint32_t width, uint32_t height);
  // Grows a size the host proposes to the smallest the knobs fit in.
  void constrain(uint32_t& width, uint32_t& height) const;

  bool embed(unsigned long parent);
  void close() { window.reset(); }
  bool embedded() const { return window != nullptr; }
  // `followValues`, then the embedded window's events, queue and drawing.
  void idle();

private:
  void parameterChanged(platform::AUParameterAddress address, platform::AUValue value);

  std::function<float(size_t)> value;
  std::function<void(size_t, float)> edited;
  double _scale = 1;
  platform::CGSize points{DrollicantAUViewControllerMac::kPreferredWidth,
                          DrollicantAUViewControllerMac::kPreferredHeight};
  std::shared_ptr<DrollicantAUViewControllerMac> viewController;
  std::shared_ptr<platform::AUAudioUnit> unit;
  std::unique_ptr<platform::X11EmbeddedView> window;
  platform::AUParameterObserverToken observerToken = nullptr;
  std::array<float, kParameterTable.size()> shown{};
};

}  // namespace drollicant::hosts
