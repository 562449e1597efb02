// Construction and the parameter tree.
#include "audiounit/DrollicantAudioUnit.h"

#include <cstdio>

#include "audiounit/KernelParameters.h"
#include "audiounit/ParameterTable.h"

namespace drollicant {

using namespace platform;

namespace {

// Its address places the class in its module for NSBundle::bundleForClass.
const char kClassTokenAnchor = 0;

std::shared_ptr<AUAudioUnitBusArray> makeBusArray(const std::weak_ptr<AUAudioUnit>& unit, AUAudioUnitBusType type,
                                                  const std::shared_ptr<AVAudioFormat>& format, NSError* outError) {
  auto bus = AUAudioUnitBus::initWithFormat(format, outError);
  if (!bus) return nullptr;
  return std::make_shared<AUAudioUnitBusArray>(unit, type, std::vector<std::shared_ptr<AUAudioUnitBus>>{bus});
}

std::string threeDecimals(AUValue value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", double(value));
  return text;
}

}  // namespace

NSBundle::ClassToken DrollicantAudioUnit::classToken() { return &kClassTokenAnchor; }

DrollicantAudioUnit::DrollicantAudioUnit() : dspKernel(std::make_shared<DrollicantDSPKernel>()) {}

std::shared_ptr<DrollicantAudioUnit> DrollicantAudioUnit::create(const AudioComponentDescription& description,
                                                                 AudioComponentInstantiationOptions options,
                                                                 NSError* outError) {
  std::shared_ptr<DrollicantAudioUnit> unit(new DrollicantAudioUnit());
  if (!unit->initWithComponentDescription(description, options, outError)) return nullptr;
  return unit;
}

bool DrollicantAudioUnit::initWithComponentDescription(const AudioComponentDescription& description,
                                                       AudioComponentInstantiationOptions options, NSError* outError) {
  if (!AUAudioUnit::initWithComponentDescription(description, options, outError)) return false;

  const auto format = AVAudioFormat::standardFormat(kBusSampleRate, kBusChannels);
  if (!format)
    return NSError::fail(outError, NSOSStatusErrorDomain, kAudioUnitErr_FormatNotSupported,
                         "The standard stereo format is not available.");
  const std::weak_ptr<AUAudioUnit> self = weak_from_this();
  _inputBusArray = makeBusArray(self, AUAudioUnitBusType::Input, format, outError);
  if (!_inputBusArray) return false;
  _outputBusArray = makeBusArray(self, AUAudioUnitBusType::Output, format, outError);
  if (!_outputBusArray) return false;

  setupParameterTree();

  const auto presets = factoryPresets();
  if (!presets.empty()) setCurrentPreset(presets.front());
  return true;
}

void DrollicantAudioUnit::setupParameterTree() {
  std::vector<std::shared_ptr<AUParameter>> parameters;
  for (const ParameterDescription& row : kParameterTable) {
    auto parameter =
        AUParameterTree::createParameter(row.identifier, row.displayName, row.address, kParameterMinimum,
                                         kParameterMaximum, row.unit, std::nullopt, kParameterFlags, {}, {});
    parameter->setValue(row.initialValue);
    parameters.push_back(std::move(parameter));
  }
  _parameterTree = AUParameterTree::createTree(std::move(parameters));

  for (const auto& parameter : _parameterTree->allParameters())
    _defaultParameterValues[parameter->identifier()] = parameter->value();

  const std::weak_ptr<DrollicantAudioUnit> weakSelf = std::static_pointer_cast<DrollicantAudioUnit>(shared_from_this());
  _parameterTree->setImplementorValueObserver([weakSelf](AUParameter* parameter, AUValue value) {
    if (const auto self = weakSelf.lock()) self->setKernelParameter(parameter->address(), value);
  });
  _parameterTree->setImplementorValueProvider([weakSelf](AUParameter* parameter) {
    if (const auto self = weakSelf.lock()) return self->kernelParameterValue(parameter->address());
    return parameter->storedValue();
  });
  _parameterTree->setImplementorStringFromValueCallback(
      [](AUParameter* parameter, const AUValue* value) { return threeDecimals(value ? *value : parameter->value()); });

  pushParametersToKernel();
}

void DrollicantAudioUnit::setParameterTree(std::shared_ptr<AUParameterTree> tree) {
  if (tree) _parameterTree = std::move(tree);
}

void DrollicantAudioUnit::setKernelParameter(AUParameterAddress address, AUValue value) {
  if (!isKernelParameter(address)) return;
  willChangeValueForKey(kTailTimeKey);
  writeKernelParameter(*dspKernel, address, value);
  didChangeValueForKey(kTailTimeKey);
}

AUValue DrollicantAudioUnit::kernelParameterValue(AUParameterAddress address) const {
  return readKernelParameter(*dspKernel, address);
}

void DrollicantAudioUnit::pushParametersToKernel() {
  if (!_parameterTree) return;
  for (const auto& parameter : _parameterTree->allParameters())
    setKernelParameter(parameter->address(), parameter->value());
}

}  // namespace drollicant
