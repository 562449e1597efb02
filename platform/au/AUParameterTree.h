#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/au/AudioTypes.h"

namespace platform {

class AUParameter;

// Unit of a parameter's value.
enum AudioUnitParameterUnit : uint32_t {
  kAudioUnitParameterUnit_Generic = 0,
  kAudioUnitParameterUnit_Indexed = 1,
  kAudioUnitParameterUnit_Boolean = 2,
  kAudioUnitParameterUnit_Percent = 3,
  kAudioUnitParameterUnit_Seconds = 4,
  kAudioUnitParameterUnit_Hertz = 8,
  kAudioUnitParameterUnit_Decibels = 13,
};

inline constexpr AudioUnitParameterOptions kAudioUnitParameterFlag_IsReadable = 1u << 30;
inline constexpr AudioUnitParameterOptions kAudioUnitParameterFlag_IsWritable = 1u << 31;

// Opaque; identifies one registered parameter observer.
using AUParameterObserverToken = void*;

// Called synchronously, on the setting thread, for every value set through the tree.
using AUImplementorValueObserver = std::function<void(AUParameter* parameter, AUValue value)>;
// Asked for a parameter's current value whenever it is read.
using AUImplementorValueProvider = std::function<AUValue(AUParameter* parameter)>;
// Formats `value` (or the parameter's current value when nullptr) for display.
using AUImplementorStringFromValueCallback = std::function<std::string(AUParameter* parameter, const AUValue* value)>;
// Hears every change of a parameter, after it happened, on the thread that made it.
using AUParameterObserver = std::function<void(AUParameterAddress address, AUValue value)>;

// A node of a parameter tree: the tree itself or one parameter. Implementor callbacks
// set on a node apply to the parameters below it unless they have their own; install
// them before the tree is shared between threads. Parameter observers may be added and
// removed from any thread at any time.
class AUParameterNode {
public:
  virtual ~AUParameterNode() = default;

  const std::string& identifier() const { return _identifier; }
  const std::string& displayName() const { return _displayName; }

  void setImplementorValueObserver(AUImplementorValueObserver observer) { valueObserver = std::move(observer); }
  void setImplementorValueProvider(AUImplementorValueProvider provider) { valueProvider = std::move(provider); }
  void setImplementorStringFromValueCallback(AUImplementorStringFromValueCallback callback) {
    stringFromValueCallback = std::move(callback);
  }

  // Registers `observer` for every parameter at or below this node; the token removes it.
  AUParameterObserverToken tokenByAddingParameterObserver(AUParameterObserver observer);
  // Removes an observer; unknown tokens are ignored. Calls already under way may finish.
  void removeParameterObserver(AUParameterObserverToken token);

protected:
  AUParameterNode(std::string identifier, std::string displayName)
      : _identifier(std::move(identifier)), _displayName(std::move(displayName)) {}

  // The nearest callback on the path from this node up to the root, or nullptr.
  const AUImplementorValueObserver* effectiveValueObserver() const;
  const AUImplementorValueProvider* effectiveValueProvider() const;
  const AUImplementorStringFromValueCallback* effectiveStringFromValueCallback() const;
  // Tells the observers of this node and of every node above it, except `originator`.
  void notifyObservers(AUParameterAddress address, AUValue value, AUParameterObserverToken originator) const;

  std::weak_ptr<AUParameterNode> parent;

private:
  friend class AUParameterTree;
  using Observers = std::vector<std::pair<AUParameterObserverToken, AUParameterObserver>>;

  std::string _identifier;
  std::string _displayName;
  AUImplementorValueObserver valueObserver;
  AUImplementorValueProvider valueProvider;
  AUImplementorStringFromValueCallback stringFromValueCallback;
  // Replaced as a whole on every change, so notifying walks a snapshot outside the lock.
  mutable std::mutex observersMutex;
  std::shared_ptr<const Observers> observers;
};

// One parameter. `value`/`setValue` may be called from any thread but the audio thread.
class AUParameter : public AUParameterNode {
public:
  AUParameterAddress address() const { return _address; }
  AUValue minValue() const { return _minValue; }
  AUValue maxValue() const { return _maxValue; }
  AudioUnitParameterUnit unit() const { return _unit; }
  const std::optional<std::string>& unitName() const { return _unitName; }
  AudioUnitParameterOptions flags() const { return _flags; }
  const std::vector<std::string>& valueStrings() const { return _valueStrings; }
  const std::vector<AUParameterAddress>& dependentParameters() const { return _dependentParameters; }

  // The implementor's value provider's answer when one is installed, else the stored value.
  AUValue value();
  // The value last set, without asking the provider.
  AUValue storedValue() const { return _value.load(std::memory_order_relaxed); }

  // Stores `value` unchanged (no clamping), calls the implementor's value observer
  // synchronously on this thread, then tells every parameter observer except
  // `originator` (nullptr: tell them all).
  void setValue(AUValue value, AUParameterObserverToken originator = nullptr);

  // Formats `value` (or the current value when nullptr) through the implementor's
  // callback; "%g" without one.
  std::string stringFromValue(const AUValue* value);

  AUParameter(std::string identifier, std::string name, AUParameterAddress address, AUValue min, AUValue max,
              AudioUnitParameterUnit unit, std::optional<std::string> unitName, AudioUnitParameterOptions flags,
              std::vector<std::string> valueStrings, std::vector<AUParameterAddress> dependentParameters);

private:
  AUParameterAddress _address;
  AUValue _minValue;
  AUValue _maxValue;
  AudioUnitParameterUnit _unit;
  std::optional<std::string> _unitName;
  AudioUnitParameterOptions _flags;
  std::vector<std::string> _valueStrings;
  std::vector<AUParameterAddress> _dependentParameters;
  std::atomic<AUValue> _value{0.0f};
};

// A flat tree of parameters: the root node with its parameters as children.
class AUParameterTree : public AUParameterNode {
public:
  static std::shared_ptr<AUParameter> createParameter(std::string identifier, std::string name,
                                                      AUParameterAddress address, AUValue min, AUValue max,
                                                      AudioUnitParameterUnit unit, std::optional<std::string> unitName,
                                                      AudioUnitParameterOptions flags,
                                                      std::vector<std::string> valueStrings,
                                                      std::vector<AUParameterAddress> dependentParameters);

  // A tree whose `allParameters` lists `children` in the order given. Each parameter
  // belongs to one tree; giving it to a second tree moves it there.
  static std::shared_ptr<AUParameterTree> createTree(std::vector<std::shared_ptr<AUParameter>> children);

  const std::vector<std::shared_ptr<AUParameter>>& allParameters() const { return children; }
  // The first parameter with `address`, or nullptr.
  std::shared_ptr<AUParameter> parameterWithAddress(AUParameterAddress address) const;

  AUParameterTree() : AUParameterNode("", "") {}

private:
  std::vector<std::shared_ptr<AUParameter>> children;
};

}  // namespace platform
