#pragma once
#include <memory>
#include <optional>
#include <vector>

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include "editor/DrollicantAUViewControllerMac.h"
#include "platform/ui/X11Backend.h"

namespace drollicant::lv2 {

// The plug-in's editor inside an LV2 host: the view controller makes a unit of its own
// through its factory, and that unit's parameter tree is kept in step with the host's
// control ports both ways (port_event sets parameters; a parameter observer writes the
// ports). The editor lives in a child window of the host's (ui:parent) and is driven from
// the host's idle callback, where all event handling, main-queue work and drawing happen.
//
// Threads: everything here runs on the host's UI thread.
class LV2UI {
public:
  // Nothing when the unit or the window cannot be made.
  static std::unique_ptr<LV2UI> instantiate(const char* bundlePath, LV2UI_Write_Function write,
                                            LV2UI_Controller controller, LV2UI_Widget* widget,
                                            const LV2_Feature* const* features);
  ~LV2UI();
  LV2UI(const LV2UI&) = delete;
  LV2UI& operator=(const LV2UI&) = delete;

  // A control port changed in the host. Only sets the parameter; drawing waits for idle().
  void portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer);
  // Handles window events, runs the main queue and redraws. Returns 0 (the UI stays open).
  int idle();
  // The host gives the editor a new size in pixels; applied at the next idle().
  int hostResized(int width, int height);

private:
  LV2UI() = default;
  bool makeEditor(const char* bundlePath);
  void listenToParameters();
  // The parameter shown on a control port, or nothing for the other ports.
  std::shared_ptr<platform::AUParameter> parameterForPort(uint32_t port) const;
  void parameterChanged(platform::AUParameterAddress address, platform::AUValue value);

  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller hostController = nullptr;
  std::shared_ptr<DrollicantAUViewControllerMac> viewController;
  std::shared_ptr<platform::AUAudioUnit> unit;
  std::unique_ptr<platform::X11EmbeddedView> window;
  platform::AUParameterObserverToken observerToken = nullptr;
  // The value each control port has in the host as far as we know, by parameter position;
  // a parameter change that matches it is not written back (no echo).
  std::vector<std::optional<float>> portValues;
  std::optional<platform::CGSize> pendingSize;  // points
};

}  // namespace drollicant::lv2
