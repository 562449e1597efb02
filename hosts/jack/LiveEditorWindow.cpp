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
  if (!editor->editor.make(layer.unit().componentDescription())) return nullptr;
  const CGRect frame{{0, 0},
                     {DrollicantAUViewControllerMac::kPreferredWidth, DrollicantAUViewControllerMac::kPreferredHeight}};
  editor->window = NSWindow::initWithContentRect(frame, kWindowStyle, NSBackingStoreBuffered, false);
  editor->window->setTitle(title);
  editor->window->setContentView(editor->editor.view());
  editor->window->center();
  editor->window->makeKeyAndOrderFront(nullptr);
  return editor;
}

LiveEditorWindow::LiveEditorWindow(hosts::HostedUnit& layer)
    : editor([&layer](size_t address) { return layer.parameter(address); },
             [&layer](size_t address, float value) { layer.setParameter(address, value); }) {}

LiveEditorWindow::~LiveEditorWindow() {
  if (window) window->close();
}

void LiveEditorWindow::runFor(double seconds) {
  editor.followValues();
  NSApplication::sharedApplication()->runOnce(seconds);
}

}  // namespace drollicant::jack
