#include "hosts/common/HostedEditor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace drollicant::hosts {
using namespace platform;

namespace {
// Below this the knobs no longer fit their labels.
constexpr CGFloat kMinimumWidth = 210;
constexpr CGFloat kMinimumHeight = 140;
}  // namespace

HostedEditor::HostedEditor(std::function<float(size_t)> valueOf, std::function<void(size_t, float)> editedTo)
    : value(std::move(valueOf)), edited(std::move(editedTo)) {}

HostedEditor::~HostedEditor() {
  if (unit && unit->parameterTree() && observerToken) unit->parameterTree()->removeParameterObserver(observerToken);
  window.reset();
  viewController.reset();
}

bool HostedEditor::make(const AudioComponentDescription& description) {
  viewController = DrollicantAUViewControllerMac::initWithNibName();
  unit = viewController->createAudioUnitWithComponentDescription(description, nullptr);
  if (!unit || !unit->parameterTree()) return false;
  valuesChanged();
  observerToken = unit->parameterTree()->tokenByAddingParameterObserver(
      [this](AUParameterAddress address, AUValue v) { parameterChanged(address, v); });
  return true;
}

void HostedEditor::valuesChanged() {
  if (!unit) return;
  for (const auto& parameter : unit->parameterTree()->allParameters()) {
    const auto address = parameter->address();
    if (address >= shown.size()) continue;
    shown[address] = value(address);
    // Not back to ourselves: the plug-in already has this value.
    if (parameter->storedValue() != shown[address]) parameter->setValue(shown[address], observerToken);
  }
}

void HostedEditor::parameterChanged(AUParameterAddress address, AUValue v) {
  if (address >= shown.size() || shown[address] == v) return;
  shown[address] = v;
  edited(address, v);
}

bool HostedEditor::setScale(double factor) {
  if (!(factor > 0)) return false;
  _scale = factor;
  return window == nullptr;
}

void HostedEditor::pixelSize(uint32_t& width, uint32_t& height) const {
  const CGSize current = window ? window->size() : points;
  width = uint32_t(std::lround(current.width * _scale));
  height = uint32_t(std::lround(current.height * _scale));
}

bool HostedEditor::setPixelSize(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0) return false;
  points = CGSize{width / _scale, height / _scale};
  if (window) window->resize(points);
  return true;
}

void HostedEditor::constrain(uint32_t& width, uint32_t& height) const {
  width = std::max(width, uint32_t(std::lround(kMinimumWidth * _scale)));
  height = std::max(height, uint32_t(std::lround(kMinimumHeight * _scale)));
}

bool HostedEditor::embed(unsigned long parent) {
  if (window || parent == 0 || !viewController) return false;
  viewController->view()->setFrameSize(points);
  window = X11EmbeddedView::create(parent, viewController->view(), _scale);
  return window != nullptr;
}

void HostedEditor::followValues() {
  for (size_t address = 0; address < shown.size(); ++address)
    if (value(address) != shown[address]) {
      valuesChanged();
      return;
    }
}

void HostedEditor::idle() {
  followValues();
  if (window) window->idle();
}

}  // namespace drollicant::hosts
