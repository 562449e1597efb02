#pragma once
#include <array>
#include <memory>

#include "hosts/common/HostedEditor.h"
#include "hosts/common/HostedUnit.h"
#include "platform/ui/Window.h"

namespace drollicant::jack {

// The editor in a window of its own, for the live effect: the view controller makes its
// own unit, as in every host, kept in step with the running layer both ways.
//
// Threads: the main thread, all of it.
class LiveEditorWindow {
public:
  // Nullptr when no X display can be opened.
  static std::unique_ptr<LiveEditorWindow> open(hosts::HostedUnit& layer, const std::string& title);
  ~LiveEditorWindow();

  // Handles window events for up to `seconds` and follows the layer's values.
  void runFor(double seconds);
  bool closed() const { return !window || !window->isVisible(); }

private:
  explicit LiveEditorWindow(hosts::HostedUnit& layer);

  hosts::HostedEditor editor;
  std::shared_ptr<platform::NSWindow> window;
};

}  // namespace drollicant::jack
