#include "platform/au/AUParameterTree.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {
std::atomic<uintptr_t> nextObserverToken{1};
}

AUParameterObserverToken AUParameterNode::tokenByAddingParameterObserver(AUParameterObserver observer) {
  auto* token = reinterpret_cast<AUParameterObserverToken>(nextObserverToken.fetch_add(1));
  std::lock_guard<std::mutex> lock(observersMutex);
  auto updated = observers ? std::make_shared<Observers>(*observers) : std::make_shared<Observers>();
  updated->emplace_back(token, std::move(observer));
  observers = std::move(updated);
  return token;
}

void AUParameterNode::removeParameterObserver(AUParameterObserverToken token) {
  std::lock_guard<std::mutex> lock(observersMutex);
  if (!observers) return;
  auto updated = std::make_shared<Observers>();
  for (const auto& entry : *observers)
    if (entry.first != token) updated->push_back(entry);
  observers = std::move(updated);
}

const AUImplementorValueObserver* AUParameterNode::effectiveValueObserver() const {
  if (valueObserver) return &valueObserver;
  const auto above = parent.lock();
  return above ? above->effectiveValueObserver() : nullptr;
}

const AUImplementorValueProvider* AUParameterNode::effectiveValueProvider() const {
  if (valueProvider) return &valueProvider;
  const auto above = parent.lock();
  return above ? above->effectiveValueProvider() : nullptr;
}

const AUImplementorStringFromValueCallback* AUParameterNode::effectiveStringFromValueCallback() const {
  if (stringFromValueCallback) return &stringFromValueCallback;
  const auto above = parent.lock();
  return above ? above->effectiveStringFromValueCallback() : nullptr;
}

void AUParameterNode::notifyObservers(AUParameterAddress address, AUValue value,
                                      AUParameterObserverToken originator) const {
  std::shared_ptr<const Observers> snapshot;
  {
    std::lock_guard<std::mutex> lock(observersMutex);
    snapshot = observers;
  }
  if (snapshot)
    for (const auto& [token, observer] : *snapshot)
      if (token != originator && observer) observer(address, value);
  if (const auto above = parent.lock()) above->notifyObservers(address, value, originator);
}

AUParameter::AUParameter(std::string identifier, std::string name, AUParameterAddress address, AUValue min, AUValue max,
                         AudioUnitParameterUnit unit, std::optional<std::string> unitName,
                         AudioUnitParameterOptions flags, std::vector<std::string> valueStrings,
                         std::vector<AUParameterAddress> dependentParameters)
    : AUParameterNode(std::move(identifier), std::move(name)),
      _address(address),
      _minValue(min),
      _maxValue(max),
      _unit(unit),
      _unitName(std::move(unitName)),
      _flags(flags),
      _valueStrings(std::move(valueStrings)),
      _dependentParameters(std::move(dependentParameters)) {}

AUValue AUParameter::value() {
  if (const auto* provider = effectiveValueProvider()) return (*provider)(this);
  return storedValue();
}

void AUParameter::setValue(AUValue value, AUParameterObserverToken originator) {
  _value.store(value, std::memory_order_relaxed);
  if (const auto* observer = effectiveValueObserver()) (*observer)(this, value);
  notifyObservers(_address, value, originator);
}

std::string AUParameter::stringFromValue(const AUValue* value) {
  if (const auto* callback = effectiveStringFromValueCallback()) return (*callback)(this, value);
  char text[32];
  std::snprintf(text, sizeof text, "%g", double(value ? *value : this->value()));
  return text;
}

std::shared_ptr<AUParameter> AUParameterTree::createParameter(
    std::string identifier, std::string name, AUParameterAddress address, AUValue min, AUValue max,
    AudioUnitParameterUnit unit, std::optional<std::string> unitName, AudioUnitParameterOptions flags,
    std::vector<std::string> valueStrings, std::vector<AUParameterAddress> dependentParameters) {
  return std::make_shared<AUParameter>(std::move(identifier), std::move(name), address, min, max, unit,
                                       std::move(unitName), flags, std::move(valueStrings),
                                       std::move(dependentParameters));
}

std::shared_ptr<AUParameterTree> AUParameterTree::createTree(std::vector<std::shared_ptr<AUParameter>> children) {
  auto tree = std::make_shared<AUParameterTree>();
  for (auto& child : children)
    if (child) {
      child->parent = tree;
      tree->children.push_back(std::move(child));
    }
  return tree;
}

std::shared_ptr<AUParameter> AUParameterTree::parameterWithAddress(AUParameterAddress address) const {
  for (const auto& parameter : children)
    if (parameter->address() == address) return parameter;
  return nullptr;
}

}  // namespace platform
