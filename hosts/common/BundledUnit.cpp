#include "hosts/common/BundledUnit.h"

#include <optional>
#include <utility>

#include "platform/au/AudioComponentInfo.h"
#include "platform/foundation/NSBundle.h"

namespace drollicant::hosts {

std::unique_ptr<HostedUnit> hostedUnitFromOwnBundle(FactoryPresetValues& presets) {
  const auto bundle = ::platform::NSBundle::bundleForClass(DrollicantAudioUnit::classToken());
  const auto component = bundle ? ::platform::audioComponentFromBundle(*bundle, nullptr) : std::nullopt;
  if (!component) return nullptr;
  auto unit = DrollicantAudioUnit::create(component->description, 0, nullptr);
  if (!unit) return nullptr;
  presets.read(*unit);
  return HostedUnit::create(std::move(unit));
}

}  // namespace drollicant::hosts
