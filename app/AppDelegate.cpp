#include "app/AppDelegate.h"

#include "app/VersionLine.h"
#include "artwork/KnobsStyleKit.h"
#include "platform/foundation/NSBundle.h"
#include "platform/ui/Color.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/Menu.h"
#include "platform/ui/StackView.h"
#include "platform/ui/TextField.h"

namespace drollicant {

using namespace platform;

namespace {

constexpr const char* kWindowTitle = "Drollicant";
constexpr const char* kQuitTitle = "Quit Drollicant";
constexpr const char* kQuitKey = "q";
constexpr const char* kCaption = "Audio Unit Effect (AUv3)";

constexpr CGRect kContentRect{{0, 0}, {400, 300}};
constexpr unsigned kWindowStyle = NSWindowStyleMaskTitled | NSWindowStyleMaskClosable | NSWindowStyleMaskMiniaturizable;

constexpr CGFloat kStackSpacing = 10;
constexpr CGFloat kStackWidthShare = 0.85;
constexpr CGFloat kArtworkSide = 100;
constexpr CGFloat kSeparatorWidth = 180;
constexpr CGFloat kSeparatorHeight = 1;
constexpr double kSeparatorAlpha = 0.3;
constexpr double kVersionFontSize = 12;
constexpr double kCaptionFontSize = 13;

NSColor backgroundColor() { return NSColor::colorWithRed(0.741, 0.298, 0.0, 1.0); }

void activateSize(const std::shared_ptr<NSView>& view, CGFloat width, CGFloat height) {
  NSLayoutConstraint::activateConstraints({
      NSLayoutConstraint::equalConstant(view, NSLayoutAttribute::width, width),
      NSLayoutConstraint::equalConstant(view, NSLayoutAttribute::height, height),
  });
}

std::shared_ptr<NSTextField> whiteLabel(const std::string& text, double fontSize) {
  auto label = NSTextField::labelWithString(text);
  label->setFont(NSFont::systemFontOfSize(fontSize));
  label->setTextColor(NSColor::whiteColor());
  label->setTranslatesAutoresizingMaskIntoConstraints(false);
  return label;
}

}  // namespace

void AppDelegate::applicationDidFinishLaunching(NSApplication&) { buildWindow(); }

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed(NSApplication&) { return true; }

void AppDelegate::buildWindow() {
  installMainMenu();

  window = NSWindow::initWithContentRect(kContentRect, kWindowStyle, NSBackingStoreBuffered, false);
  window->setTitle(kWindowTitle);
  window->center();

  auto contentView = makeContentView();
  window->setContentView(contentView);

  auto stack = NSStackView::initWithFrame({});
  stack->setOrientation(NSUserInterfaceLayoutOrientationVertical);
  stack->setAlignment(NSLayoutAttribute::centerX);
  stack->setSpacing(kStackSpacing);
  stack->setTranslatesAutoresizingMaskIntoConstraints(false);
  contentView->addSubview(stack);
  NSLayoutConstraint::activateConstraints({
      NSLayoutConstraint::equal(stack, NSLayoutAttribute::centerX, contentView),
      NSLayoutConstraint::equal(stack, NSLayoutAttribute::centerY, contentView),
      NSLayoutConstraint::lessThanOrEqual(stack, NSLayoutAttribute::width, contentView, kStackWidthShare),
  });

  stack->addArrangedSubview(makeArtworkView());
  stack->addArrangedSubview(makeVersionLabel());
  stack->addArrangedSubview(makeSeparator(kSeparatorWidth));
  stack->addArrangedSubview(makeCaptionLabel());

  window->makeKeyAndOrderFront(nullptr);
}

std::shared_ptr<NSView> AppDelegate::makeSeparator(CGFloat width) {
  auto separator = NSView::initWithFrame({});
  separator->setWantsLayer(true);
  separator->layer()->setBackgroundColor(NSColor::whiteColor().colorWithAlphaComponent(kSeparatorAlpha).CGColor());
  separator->setTranslatesAutoresizingMaskIntoConstraints(false);
  activateSize(separator, width, kSeparatorHeight);
  return separator;
}

void AppDelegate::installMainMenu() {
  auto mainMenu = NSMenu::make();
  auto appItem = NSMenuItem::make();
  mainMenu->addItem(appItem);
  auto appMenu = NSMenu::make();
  // No target: the action travels up to the application.
  appMenu->addItem(NSMenuItem::initWithTitle(kQuitTitle, kTerminateSelector, kQuitKey));
  appItem->setSubmenu(appMenu);
  NSApplication::sharedApplication()->setMainMenu(mainMenu);
}

std::shared_ptr<NSView> AppDelegate::makeContentView() {
  auto view = NSView::initWithFrame(kContentRect);
  view->setWantsLayer(true);
  view->layer()->setBackgroundColor(backgroundColor().CGColor());
  return view;
}

// The product underlay with the knob overlay on top, both asked for at the artwork's size.
std::shared_ptr<NSView> AppDelegate::makeArtworkView() {
  const CGRect frame{{0, 0}, {kArtworkSide, kArtworkSide}};
  auto artwork = NSView::initWithFrame(frame);
  artwork->setTranslatesAutoresizingMaskIntoConstraints(false);
  activateSize(artwork, kArtworkSide, kArtworkSide);
  const auto underlay = KnobsStyleKit::imageOfDrollicantUnderlay(frame);
  const auto overlay = KnobsStyleKit::imageOfKnobOverlay(frame);
  for (const auto& image : {underlay, overlay}) {
    auto imageView = NSImageView::imageViewWithImage(image);
    imageView->setFrame(artwork->bounds());
    imageView->setAutoresizingMask(NSViewWidthSizable | NSViewHeightSizable);
    imageView->setImageScaling(NSImageScaleProportionallyUpOrDown);
    artwork->addSubview(imageView);
  }
  return artwork;
}

std::shared_ptr<NSView> AppDelegate::makeVersionLabel() {
  const auto bundle = NSBundle::mainBundle();
  const std::string text = versionLine(bundle ? &bundle->infoDictionary() : nullptr);
  return whiteLabel(text, kVersionFontSize);
}

std::shared_ptr<NSView> AppDelegate::makeCaptionLabel() {
  auto caption = whiteLabel(kCaption, kCaptionFontSize);
  caption->setAlignment(NSTextAlignmentCenter);
  return caption;
}

}  // namespace drollicant
