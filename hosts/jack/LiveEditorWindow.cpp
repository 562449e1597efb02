#include "hosts/jack/LiveEditorWindow.h"

#include "platform/ui/Application.h"
#include "platform/ui/X11Backend.h"

namespace drollicant::jack {
using namespace platform;

namespace {
constexpr unsigned kWindowStyle =
    NSWindowStyleMaskTitled | NSWindowStyleMaskClosable | NSWindowStyleMaskMiniaturizable | NSWindowStyleMaskResizable;
}

std::unique_ptr<LiveEditorWindow> LiveEditorWindow::open(hosts::HostedUnit& layer, const std::string& title) {
  auto app = NSApplication::sharedApplication();
  if (!app->backend()) {
    auto backend = X11Backend::open(nullptr);
    if (!backend) return nullptr;
    app->setBackend(backend);
  }
  std::unique_ptr<LiveEditorWindow> editor(new LiveEditorWindow(layer));
  editor->viewController = DrollicantAUViewControllerMac::initWithNibName();
  editor->unit =
      editor->viewController->createAudioUnitWithComponentDescription(layer.unit().componentDescription(), nullptr);
  if (!editor->unit || !editor->unit->parameterTree()) return nullptr;
  editor->followLayer();
  auto* self = editor.get();
  editor->observerToken =
      editor->unit->parameterTree()->tokenByAddingParameterObserver([self](AUParameterAddress address, AUValue value) {
        if (address >= self->shown.size() || self->shown[address] == value) return;
        self->shown[address] = value;
        self->layer.setParameter(address, value);
      });
  const CGRect frame{{0, 0},
                     {DrollicantAUViewControllerMac::kPreferredWidth, DrollicantAUViewControllerMac::kPreferredHeight}};
  editor->window = NSWindow::initWithContentRect(frame, kWindowStyle, NSBackingStoreBuffered, false);
  editor->window->setTitle(title);
  editor->window->setContentView(editor->viewController->view());
  editor->window->center();
  editor->window->makeKeyAndOrderFront(nullptr);
  return editor;
}

LiveEditorWindow::~LiveEditorWindow() {
  if (unit && unit->parameterTree() && observerToken) unit->parameterTree()->removeParameterObserver(observerToken);
  if (window) window->close();
}

void LiveEditorWindow::followLayer() {
  for (const auto& parameter : unit->parameterTree()->allParameters()) {
    const auto address = parameter->address();
    if (address >= shown.size()) continue;
    const float value = layer.parameter(address);
    if (value == shown[address] && parameter->storedValue() == value) continue;
    shown[address] = value;
    parameter->setValue(value, observerToken);
  }
}

void LiveEditorWindow::runFor(double seconds) {
  followLayer();
  NSApplication::sharedApplication()->runOnce(seconds);
}

}  // namespace drollicant::jack
