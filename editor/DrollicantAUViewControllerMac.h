#pragma once
// The plug-in's principal class: the audio unit factory a host calls, and the editor's view
// controller (six knobs over their underlays, two switches with captions, laid out for any
// size). User changes go into the unit's parameters; changes from anywhere else come back
// through a parameter observer and the main queue.
//
// Threads: the factory may be called on any thread (it only stores the unit and posts to the
// main queue); the parameter observer may be called on any thread (it only posts); everything
// else runs on the main thread. Every closure handed out holds the controller weakly, so a
// call that arrives after the controller is gone does nothing.
#include <array>
#include <cstdint>
#include <memory>

#include "audiounit/DrollicantAudioUnit.h"
#include "audiounit/ParameterTable.h"
#include "editor/AURotaryControl.h"
#include "platform/ui/AUViewController.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"

namespace drollicant {

class DrollicantAUViewControllerMac : public platform::AUViewController, public platform::AUAudioUnitFactory {
public:
  static constexpr platform::CGFloat kPreferredWidth = 420;
  static constexpr platform::CGFloat kPreferredHeight = 280;
  static constexpr platform::CGFloat kInitialKnobSize = 90;
  static constexpr platform::CGFloat kInitialRadioSize = 18;
  static constexpr platform::CGFloat kMinimumControlSize = 8;
  static constexpr platform::AUParameterAddress kFlightyAddress = kFlighty;
  static constexpr platform::AUParameterAddress kGenteelAddress = kGenteel;
  // One knob per continuous parameter: addresses 0 up to the first switch.
  static constexpr int kKnobCount = int(kFlighty);

  // A new controller with no unit and no view yet.
  static std::shared_ptr<DrollicantAUViewControllerMac> initWithNibName();
  // Stops listening to the unit's parameters.
  ~DrollicantAUViewControllerMac() override;

  // The factory: a new unit, kept, with the editor's connection posted to the main queue.
  // Null, with the unit's error, when the unit cannot be made (nothing kept, nothing posted).
  std::shared_ptr<DrollicantAudioUnit> createAudioUnit(const platform::AudioComponentDescription& description,
                                                       platform::NSError* outError);
  std::shared_ptr<platform::AUAudioUnit> createAudioUnitWithComponentDescription(
      const platform::AudioComponentDescription& description, platform::NSError* outError) override;

  void loadView() override;
  void viewDidLoad() override;
  void viewDidLayout() override;
  // Action of both switches: writes 1 or 0 into the sender's parameter.
  void toggleChanged(platform::NSButton* sender);

  // Shows a parameter change in its control. Main thread.
  void parameterChanged(platform::AUParameterAddress address, platform::AUValue value);
  // Places every control for the root view's current size. Main thread.
  void layoutControls();
  // The knobs in grid order (whimsy before sweetness).
  std::array<std::shared_ptr<AURotaryControl>, kKnobCount> knobsInLayoutOrder() const;

  std::shared_ptr<DrollicantAudioUnit> audioUnit;
  platform::AUParameterObserverToken paramObserverToken = nullptr;
  std::shared_ptr<AURotaryControl> charismaKnob;
  std::shared_ptr<AURotaryControl> naiveteKnob;
  std::shared_ptr<AURotaryControl> nostalgiaKnob;
  std::shared_ptr<AURotaryControl> surpriseKnob;
  std::shared_ptr<AURotaryControl> sweetnessKnob;
  std::shared_ptr<AURotaryControl> whimsyKnob;
  std::shared_ptr<platform::NSButton> flightyButton;
  std::shared_ptr<platform::NSButton> genteelButton;
  std::shared_ptr<platform::NSImageView> flightyLabel;
  std::shared_ptr<platform::NSImageView> genteelLabel;
  platform::CGFloat knobSize = kInitialKnobSize;
  platform::CGFloat radioSize = kInitialRadioSize;

protected:
  DrollicantAUViewControllerMac() = default;

private:
  std::weak_ptr<DrollicantAUViewControllerMac> weakSelf();
  // The knob fields in address order (charisma 0 … whimsy 5).
  std::array<std::shared_ptr<AURotaryControl>*, kKnobCount> knobFieldsByAddress();
  std::shared_ptr<platform::AUParameter> parameterAt(int64_t address) const;
  void buildKnobs();
  void buildToggles();
  std::shared_ptr<platform::NSButton> makeToggle(platform::AUParameterAddress address);
  void knobValueChanged(AURotaryControl& knob);
  void connectToAudioUnit();
  void stopObserving();
  void layoutToggles(int columns, platform::CGFloat width, platform::CGFloat y);

  // The tree the current observer token belongs to, so the observer can be removed again.
  std::weak_ptr<platform::AUParameterTree> observedTree;
};

}  // namespace drollicant
