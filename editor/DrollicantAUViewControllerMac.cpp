#include "editor/DrollicantAUViewControllerMac.h"

#include <algorithm>
#include <cmath>

#include "artwork/KnobsStyleKit.h"
#include "editor/FlippedView.h"
#include "platform/foundation/MainQueue.h"
#include "platform/ui/Color.h"

namespace drollicant {
using namespace platform;

namespace {

constexpr float kKnobResetValue = kContinuousInitialValue;
constexpr CGColor kBackgroundColour{0.741, 0.298, 0.0, 1.0};
constexpr CGFloat kRadioPictureSize = 96;
constexpr int kToggleBezelStyle = 15;
constexpr CGFloat kCaptionViewWidthInRadios = 2.5;
constexpr CGFloat kCaptionWidthInRadios = 3;
constexpr CGFloat kCaptionHeightInRadios = 1.2;

struct KnobDescription {
  const char* label;
  KnobsStyleKit::Image (*underlay)(CGRect);
};

// In address order.
constexpr std::array<KnobDescription, DrollicantAUViewControllerMac::kKnobCount> kKnobs{{
    {"CHARISMA", KnobsStyleKit::imageOfCharismaUnderlay},
    {"NAIVETE", KnobsStyleKit::imageOfNaiveteUnderlay},
    {"NOSTALGIA", KnobsStyleKit::imageOfNostalgiaUnderlay},
    {"SURPRISE", KnobsStyleKit::imageOfSurpriseUnderlay},
    {"SWEETNESS", KnobsStyleKit::imageOfSweetnessUnderlay},
    {"WHIMSY", KnobsStyleKit::imageOfWhimsyUnderlay},
}};

static_assert(!kParameterTable[DrollicantAUViewControllerMac::kKnobCount - 1].isSwitch() &&
                  kParameterTable[DrollicantAUViewControllerMac::kKnobCount].isSwitch(),
              "a knob for every continuous parameter, a toggle for every switch");

// A style-kit picture function as a knob's image provider.
AURotaryControl::ImageProvider pictureProvider(KnobsStyleKit::Image (*picture)(CGRect)) {
  return [picture](CGSize size) { return picture({{0, 0}, size}); };
}

long switchState(AUValue value) { return value >= kSwitchThreshold ? NSControlStateValueOn : NSControlStateValueOff; }

}  // namespace

std::shared_ptr<DrollicantAUViewControllerMac> DrollicantAUViewControllerMac::initWithNibName() {
  return std::shared_ptr<DrollicantAUViewControllerMac>(new DrollicantAUViewControllerMac());
}

DrollicantAUViewControllerMac::~DrollicantAUViewControllerMac() { stopObserving(); }

std::weak_ptr<DrollicantAUViewControllerMac> DrollicantAUViewControllerMac::weakSelf() {
  return std::static_pointer_cast<DrollicantAUViewControllerMac>(shared_from_this());
}

// MARK: Factory

std::shared_ptr<DrollicantAudioUnit> DrollicantAUViewControllerMac::createAudioUnit(
    const AudioComponentDescription& description, NSError* outError) {
  auto unit = DrollicantAudioUnit::create(description, 0, outError);
  if (!unit) return nullptr;
  audioUnit = unit;
  MainQueue::main().async([weak = weakSelf()] {
    if (auto self = weak.lock()) self->connectToAudioUnit();
  });
  return unit;
}

std::shared_ptr<AUAudioUnit> DrollicantAUViewControllerMac::createAudioUnitWithComponentDescription(
    const AudioComponentDescription& description, NSError* outError) {
  return createAudioUnit(description, outError);
}

// MARK: View life cycle

void DrollicantAUViewControllerMac::loadView() {
  auto root = FlippedView::initWithFrame({{0, 0}, {kPreferredWidth, kPreferredHeight}});
  root->setWantsLayer(true);
  if (auto layer = root->layer()) {
    const auto c = kBackgroundColour;
    layer->setBackgroundColor(NSColor::colorWithRed(c.red, c.green, c.blue, c.alpha).CGColor());
  }
  root->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
  setView(root);
}

void DrollicantAUViewControllerMac::viewDidLoad() {
  AUViewController::viewDidLoad();
  setPreferredContentSize({kPreferredWidth, kPreferredHeight});
  buildKnobs();
  buildToggles();
  layoutControls();
  connectToAudioUnit();
}

void DrollicantAUViewControllerMac::viewDidLayout() {
  AUViewController::viewDidLayout();
  layoutControls();
}

// MARK: Controls

std::array<std::shared_ptr<AURotaryControl>*, DrollicantAUViewControllerMac::kKnobCount>
DrollicantAUViewControllerMac::knobFieldsByAddress() {
  return {&charismaKnob, &naiveteKnob, &nostalgiaKnob, &surpriseKnob, &sweetnessKnob, &whimsyKnob};
}

std::array<std::shared_ptr<AURotaryControl>, DrollicantAUViewControllerMac::kKnobCount>
DrollicantAUViewControllerMac::knobsInLayoutOrder() const {
  return {charismaKnob, naiveteKnob, nostalgiaKnob, surpriseKnob, whimsyKnob, sweetnessKnob};
}

std::shared_ptr<AUParameter> DrollicantAUViewControllerMac::parameterAt(int64_t address) const {
  if (address < 0 || !audioUnit) return nullptr;
  auto tree = audioUnit->parameterTree();
  return tree ? tree->parameterWithAddress(AUParameterAddress(address)) : nullptr;
}

void DrollicantAUViewControllerMac::buildKnobs() {
  const auto root = view();
  const auto fields = knobFieldsByAddress();
  for (int address = 0; address < kKnobCount; ++address) {
    auto knob = AURotaryControl::initWithFrame({{0, 0}, {knobSize, knobSize}});
    knob->lowerBound = 0;
    knob->upperBound = 1;
    knob->resetValue = kKnobResetValue;
    knob->label = kKnobs[address].label;
    knob->_value = kKnobResetValue;
    knob->underlayImageProvider = pictureProvider(kKnobs[address].underlay);
    knob->overlayImageProvider = pictureProvider(KnobsStyleKit::imageOfKnobOverlay);
    knob->_tag = address;
    knob->onValueChanged = [weakController = weakSelf(), weakKnob = std::weak_ptr<AURotaryControl>(knob)] {
      auto controller = weakController.lock();
      auto control = weakKnob.lock();
      if (controller && control) controller->knobValueChanged(*control);
    };
    root->addSubview(knob);
    if (*fields[address]) (*fields[address])->removeFromSuperview();
    *fields[address] = knob;
  }
}

void DrollicantAUViewControllerMac::knobValueChanged(AURotaryControl& knob) {
  // Set plainly, without an originator: our own observer hears it too and finds the knob
  // already there.
  if (auto parameter = parameterAt(knob._tag)) parameter->setValue(knob._value);
}

void DrollicantAUViewControllerMac::buildToggles() {
  flightyButton = makeToggle(kFlightyAddress);
  genteelButton = makeToggle(kGenteelAddress);
  const CGRect captionFrame{{0, 0}, {kCaptionViewWidthInRadios * radioSize, radioSize}};
  for (auto* label : {&flightyLabel, &genteelLabel}) {
    *label = NSImageView::initWithFrame(captionFrame);
    (*label)->setImageScaling(NSImageScaleProportionallyUpOrDown);
    view()->addSubview(*label);
  }
}

std::shared_ptr<NSButton> DrollicantAUViewControllerMac::makeToggle(AUParameterAddress address) {
  auto button = NSButton::initWithFrame({{0, 0}, {radioSize, radioSize}});
  button->setButtonType(NSButtonTypeToggle);
  button->setBezelStyle(kToggleBezelStyle);
  button->setTitle("");
  const CGRect pictureFrame{{0, 0}, {kRadioPictureSize, kRadioPictureSize}};
  button->setImage(KnobsStyleKit::imageOfRadioOff(pictureFrame));
  button->setAlternateImage(KnobsStyleKit::imageOfRadioOn(pictureFrame));
  button->setImagePosition(NSImageOnly);
  button->setImageScaling(NSImageScaleProportionallyUpOrDown);
  button->setBordered(false);
  button->setTag(long(address));
  button->setTarget(std::static_pointer_cast<DrollicantAUViewControllerMac>(shared_from_this()));
  button->setAction(&DrollicantAUViewControllerMac::toggleChanged);
  view()->addSubview(button);
  return button;
}

void DrollicantAUViewControllerMac::toggleChanged(NSButton* sender) {
  if (!sender) return;
  if (auto parameter = parameterAt(sender->tag()))
    parameter->setValue(sender->state() == NSControlStateValueOn ? kSwitchOn : kSwitchOff);
}

// MARK: Binding to the unit

void DrollicantAUViewControllerMac::connectToAudioUnit() {
  if (!isViewLoaded() || !audioUnit) return;
  auto tree = audioUnit->parameterTree();
  if (!tree) return;
  const auto fields = knobFieldsByAddress();
  for (int address = 0; address < kKnobCount; ++address) {
    if (!*fields[address]) continue;
    auto parameter = tree->parameterWithAddress(AUParameterAddress(address));
    (*fields[address])->setValue(parameter ? parameter->value() : kKnobResetValue);
  }
  for (const auto& [button, address] : {std::pair{flightyButton, kFlightyAddress}, {genteelButton, kGenteelAddress}}) {
    if (!button) continue;
    auto parameter = tree->parameterWithAddress(address);
    button->setState(parameter ? switchState(parameter->value()) : NSControlStateValueOff);
  }
  // One observer at a time: a second connection replaces the first rather than doubling
  // every notification.
  stopObserving();
  paramObserverToken =
      tree->tokenByAddingParameterObserver([weak = weakSelf()](AUParameterAddress address, AUValue value) {
        if (weak.expired()) return;
        MainQueue::main().async([weak, address, value] {
          if (auto self = weak.lock()) self->parameterChanged(address, value);
        });
      });
  observedTree = tree;
}

void DrollicantAUViewControllerMac::stopObserving() {
  if (auto tree = observedTree.lock(); tree && paramObserverToken) tree->removeParameterObserver(paramObserverToken);
  observedTree.reset();
  paramObserverToken = nullptr;
}

void DrollicantAUViewControllerMac::parameterChanged(AUParameterAddress address, AUValue value) {
  if (address < AUParameterAddress(kKnobCount)) {
    if (auto& knob = *knobFieldsByAddress()[address]) knob->setValue(value);
  } else if (address == kFlightyAddress) {
    if (flightyButton) flightyButton->setState(switchState(value));
  } else if (address == kGenteelAddress) {
    if (genteelButton) genteelButton->setState(switchState(value));
  }
}

// MARK: Layout

void DrollicantAUViewControllerMac::layoutControls() {
  const CGRect area = view()->bounds();
  const CGFloat W = CGRectGetWidth(area), H = CGRectGetHeight(area);
  if (!(W > 0) || !(H > 0)) return;
  const CGFloat L = std::max(W, H), S = std::min(W, H);
  CGFloat k = std::floor(std::min(std::sqrt(L * L + S * S) / 5, S / 2.3));
  const bool portrait = W * 1.2 < H;
  k = std::min(k, std::floor((W - 8) / (portrait ? 2.4 : 3.6)));
  k = std::min(k, std::floor((H - 8) / (portrait ? 3.8 : 2.7)));
  knobSize = k <= kMinimumControlSize ? kMinimumControlSize : k;
  radioSize = knobSize / 5 <= kMinimumControlSize ? kMinimumControlSize : knobSize / 5;

  const auto knobs = knobsInLayoutOrder();
  for (const auto& knob : knobs) {
    if (!knob) continue;
    const bool resized = knob->frame().size != CGSize{knobSize, knobSize};
    knob->setFrameSize({knobSize, knobSize});
    // A new size has run the knob's layout already; otherwise refresh its layers here.
    if (!resized) knob->layoutLayers();
  }
  const int rows = portrait ? 3 : 2, columns = portrait ? 2 : 3;
  const CGFloat g = (H - knobSize * rows - radioSize) / (rows + 2);
  const CGFloat h = (W - knobSize * columns) / (columns + 1);
  for (int i = 0; i < kKnobCount; ++i) {
    if (!knobs[i]) continue;
    const int row = i / columns, column = i % columns;
    knobs[i]->setFrameOrigin({h + (h + knobSize) * column, g + (g + knobSize) * row});
  }
  const CGFloat toggleTop = g * (rows + 1) + knobSize * rows - 0.25 * g;
  layoutToggles(columns, W, toggleTop);
}

void DrollicantAUViewControllerMac::layoutToggles(int columns, CGFloat width, CGFloat y) {
  if (!flightyButton || !genteelButton || !flightyLabel || !genteelLabel) return;
  const CGFloat r = radioSize, k = knobSize, n = columns;
  const CGFloat gap = (width - k * n) / (n + 1);
  CGFloat c0, c1;
  if (columns == 2) {
    c0 = gap + k / 2;
    c1 = gap + (k + gap) + k / 2;
  } else {
    c0 = ((gap + k) + (2 * gap + k)) / 2;
    c1 = ((2 * gap + 2 * k) + (3 * gap + 2 * k)) / 2;
  }
  const CGRect captionFrame{{0, 0}, {kCaptionWidthInRadios * r, kCaptionHeightInRadios * r}};
  const auto flightyCaption = KnobsStyleKit::imageOfFlightyLabel(captionFrame);
  const auto genteelCaption = KnobsStyleKit::imageOfGenteelLabel(captionFrame);
  const CGFloat shift = columns == 2 ? 0.25 * r : 0;
  const CGFloat spacing = 0.2 * r;
  const CGFloat groupWidth = kCaptionWidthInRadios * r + (r + spacing);
  const struct {
    NSButton& button;
    NSImageView& caption;
    const std::shared_ptr<NSImage>& picture;
    CGFloat centre;
  } groups[] = {{*flightyButton, *flightyLabel, flightyCaption, c0},
                {*genteelButton, *genteelLabel, genteelCaption, c1}};
  for (const auto& group : groups) {
    const CGFloat b = shift + (group.centre - groupWidth / 2);
    group.button.setFrame({{b, y}, {r, r}});
    group.caption.setFrame({{b + r + spacing, y - (kCaptionHeightInRadios * r - r) / 2},
                            {kCaptionWidthInRadios * r, kCaptionHeightInRadios * r}});
    group.caption.setImage(group.picture);
  }
}

}  // namespace drollicant
