#include "hosts/clap/ClapEditor.h"

#include <cmath>
#include <cstring>

#include "hosts/clap/ClapPlugin.h"

namespace drollicant::clap {
using namespace platform;

namespace {
constexpr uint32_t kIdlePeriodMs = 16;
// Below this the knobs no longer fit their labels.
constexpr CGFloat kMinimumWidth = 210;
constexpr CGFloat kMinimumHeight = 140;
}  // namespace

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
      [](const clap_plugin_t* p, double scale) { return editor(p) && editor(p)->setScale(scale); },
      [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
        return editor(p) && editor(p)->size(width, height);
      },
      [](const clap_plugin_t*) { return true; },
      [](const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
        hints->can_resize_horizontally = true;
        hints->can_resize_vertically = true;
        hints->preserve_aspect_ratio = false;
        return true;
      },
      [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
        const double scale = editor(p) ? editor(p)->scale : 1.0;
        *width = std::max(*width, uint32_t(std::lround(kMinimumWidth * scale)));
        *height = std::max(*height, uint32_t(std::lround(kMinimumHeight * scale)));
        return true;
      },
      [](const clap_plugin_t* p, uint32_t width, uint32_t height) {
        return editor(p) && editor(p)->setSize(width, height);
      },
      [](const clap_plugin_t* p, const clap_window_t* window) {
        return editor(p) && window && window->api && !std::strcmp(window->api, CLAP_WINDOW_API_X11) &&
               editor(p)->setParent(window->x11);
      },
      [](const clap_plugin_t*, const clap_window_t*) { return false; },
      [](const clap_plugin_t*, const char*) {},
      [](const clap_plugin_t* p) { return editor(p) && editor(p)->window; },
      [](const clap_plugin_t* p) { return editor(p) != nullptr; }};
  static constexpr clap_plugin_timer_support_t kTimer{[](const clap_plugin_t* p, clap_id) {
    if (auto* e = editor(p)) e->idle();
  }};
};

const void* ClapEditor::extension(const char* id) {
  if (!std::strcmp(id, CLAP_EXT_GUI)) return &ClapEditorCallbacks::kGui;
  if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return &ClapEditorCallbacks::kTimer;
  return nullptr;
}

ClapEditor::ClapEditor(ClapPlugin& owner) : plugin(owner) {}

ClapEditor::~ClapEditor() {
  if (timerRegistered) timers->unregister_timer(plugin.host(), timer);
  if (unit && unit->parameterTree() && observerToken) unit->parameterTree()->removeParameterObserver(observerToken);
  window.reset();
  viewController.reset();
}

bool ClapEditor::make() {
  const clap_host_t* host = plugin.host();
  timers = static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
  if (!timers || !timers->register_timer || !timers->unregister_timer) return false;
  viewController = DrollicantAUViewControllerMac::initWithNibName();
  unit = viewController->createAudioUnitWithComponentDescription(plugin.unit->componentDescription(), nullptr);
  if (!unit || !unit->parameterTree()) return false;
  hostValuesChanged();
  observerToken = unit->parameterTree()->tokenByAddingParameterObserver(
      [this](AUParameterAddress address, AUValue value) { parameterChanged(address, value); });
  timerRegistered = timers->register_timer(host, kIdlePeriodMs, &timer);
  return timerRegistered;
}

void ClapEditor::hostValuesChanged() {
  if (!unit) return;
  for (const auto& parameter : unit->parameterTree()->allParameters()) {
    const auto address = parameter->address();
    if (address >= shown.size()) continue;
    shown[address] = plugin.parameter(address);
    // Not back to ourselves: the plug-in already has this value.
    if (parameter->storedValue() != shown[address]) parameter->setValue(shown[address], observerToken);
  }
}

void ClapEditor::parameterChanged(AUParameterAddress address, AUValue value) {
  if (address >= shown.size() || shown[address] == value) return;
  shown[address] = value;
  plugin.editorChanged(clap_id(address), value);
}

bool ClapEditor::setScale(double factor) {
  if (!(factor > 0)) return false;
  // Taken when the window is made; an open window keeps the scale it has.
  scale = factor;
  return window == nullptr;
}

bool ClapEditor::size(uint32_t* width, uint32_t* height) const {
  const CGSize current = window ? window->size() : points;
  *width = uint32_t(std::lround(current.width * scale));
  *height = uint32_t(std::lround(current.height * scale));
  return true;
}

bool ClapEditor::setSize(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0) return false;
  points = CGSize{width / scale, height / scale};
  if (window) window->resize(points);
  return true;
}

bool ClapEditor::setParent(unsigned long parent) {
  if (window || parent == 0) return false;
  viewController->view()->setFrameSize(points);
  window = X11EmbeddedView::create(parent, viewController->view(), scale);
  return window != nullptr;
}

void ClapEditor::idle() {
  // Values the host or the audio thread moved since the last tick.
  for (size_t address = 0; address < shown.size(); ++address)
    if (plugin.parameter(address) != shown[address]) {
      hostValuesChanged();
      break;
    }
  if (window) window->idle();
}

}  // namespace drollicant::clap
