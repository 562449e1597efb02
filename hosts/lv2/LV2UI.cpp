#include "hosts/lv2/LV2UI.h"

#include <cmath>
#include <cstdint>

#include "hosts/lv2/PortLayout.h"
#include "hosts/lv2/UIHostFeatures.h"
#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/NSBundle.h"

namespace drollicant::lv2 {
using namespace platform;

namespace {

// The codes the shipped Info.plist registers, for a bundle whose Info.plist is unreadable.
constexpr AudioComponentDescription kFallbackDescription{fourCharCode("aufx"), fourCharCode("drlc"),
                                                         fourCharCode("Drol"), 0, 0};
constexpr uint32_t kFloatProtocol = 0;

AudioComponentDescription componentDescription(const char* bundlePath) {
  if (bundlePath)
    if (const auto bundle = NSBundle::bundleWithURL(bundlePath))
      if (const auto info = audioComponentFromBundle(*bundle, nullptr)) return info->description;
  return kFallbackDescription;
}

}  // namespace

std::unique_ptr<LV2UI> LV2UI::instantiate(const char* bundlePath, LV2UI_Write_Function write,
                                          LV2UI_Controller controller, LV2UI_Widget* widget,
                                          const LV2_Feature* const* features) {
  std::unique_ptr<LV2UI> ui(new LV2UI());
  ui->write = write;
  ui->hostController = controller;
  if (!ui->makeEditor(bundlePath)) return nullptr;
  const auto host = UIHostFeatures::read(features);
  // The window has to exist now: the host embeds it as soon as we return.
  ui->window = X11EmbeddedView::create(host.parentWindow, ui->viewController->view(), host.scaleFactor);
  if (!ui->window) return nullptr;
  if (widget) *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(ui->window->windowID()));
  if (host.resize && host.resize->ui_resize) {
    const CGSize points = ui->window->size();
    host.resize->ui_resize(host.resize->handle, int(std::lround(points.width * ui->window->scale())),
                           int(std::lround(points.height * ui->window->scale())));
  }
  return ui;
}

bool LV2UI::makeEditor(const char* bundlePath) {
  viewController = DrollicantAUViewControllerMac::initWithNibName();
  unit = viewController->createAudioUnitWithComponentDescription(componentDescription(bundlePath), nullptr);
  if (!unit || !unit->parameterTree()) return false;
  // Until the host tells us otherwise, take its ports to hold the unit's values: the editor's
  // own first connection then writes nothing, and nothing of ours overrides the host's state.
  for (const auto& parameter : unit->parameterTree()->allParameters()) portValues.push_back(parameter->value());
  listenToParameters();
  return true;
}

LV2UI::~LV2UI() {
  if (unit && unit->parameterTree() && observerToken) unit->parameterTree()->removeParameterObserver(observerToken);
  window.reset();
  viewController.reset();
}

void LV2UI::listenToParameters() {
  // The unit belongs to this UI and is only touched on the host's UI thread, so the
  // observer may write to the host directly.
  observerToken = unit->parameterTree()->tokenByAddingParameterObserver(
      [this](AUParameterAddress address, AUValue value) { parameterChanged(address, value); });
}

std::shared_ptr<AUParameter> LV2UI::parameterForPort(uint32_t port) const {
  const auto& parameters = unit->parameterTree()->allParameters();
  if (port < PortLayout::kFirstParameter || port - PortLayout::kFirstParameter >= parameters.size()) return nullptr;
  return parameters[port - PortLayout::kFirstParameter];
}

void LV2UI::portEvent(uint32_t port, uint32_t bufferSize, uint32_t format, const void* buffer) {
  if (format != kFloatProtocol || bufferSize != sizeof(float) || !buffer) return;
  const auto parameter = parameterForPort(port);
  if (!parameter) return;
  // A value outside the parameter's range (or no number at all) is shown at the end the
  // plug-in takes it for, and counts as that value: otherwise the knob's own bounding
  // would come back as a write, overwriting the host's value without the user's doing.
  float value = *static_cast<const float*>(buffer);
  if (!(value >= parameter->minValue())) value = parameter->minValue();
  if (value > parameter->maxValue()) value = parameter->maxValue();
  portValues[port - PortLayout::kFirstParameter] = value;
  // Set without telling our own observer: the host already has this value.
  if (parameter->value() != value) parameter->setValue(value, observerToken);
}

void LV2UI::parameterChanged(AUParameterAddress address, AUValue value) {
  const auto& parameters = unit->parameterTree()->allParameters();
  for (uint32_t position = 0; position < parameters.size(); ++position) {
    if (parameters[position]->address() != address) continue;
    if (portValues[position] == value) return;
    portValues[position] = value;
    if (write) write(hostController, PortLayout::parameterPort(position), sizeof(float), kFloatProtocol, &value);
    return;
  }
}

int LV2UI::idle() {
  if (pendingSize) {
    window->resize(*pendingSize);
    pendingSize.reset();
  }
  window->idle();
  return 0;
}

int LV2UI::hostResized(int width, int height) {
  if (width <= 0 || height <= 0) return 1;
  pendingSize = CGSize{width / window->scale(), height / window->scale()};
  return 0;
}

}  // namespace drollicant::lv2
