#include "artwork/KnobsStyleKit.h"

#include <algorithm>

#include "artwork/BundleToken.h"
#include "artwork/DrawingLayer.h"
#include "platform/foundation/NSFileManager.h"
#include "platform/ui/BundleImages.h"
#include "platform/ui/GraphicsContext.h"

namespace drollicant {

using platform::CGFloat;
using platform::CGRect;
using platform::CGSize;

namespace {

constexpr CGFloat kRingRadius = 0.45;
constexpr CGFloat kRingLineWidth = 0.055;
constexpr CGFloat kDotRadius = 0.25;

bool contains(const std::vector<KnobsStyleKit::Bundle>& list, const platform::NSBundle& bundle) {
  return std::any_of(list.begin(), list.end(), [&bundle](const auto& b) { return *b == bundle; });
}

CGRect centredSquare(CGSize size, CGFloat radius) {
  return CGRect{{size.width / 2 - radius, size.height / 2 - radius}, {2 * radius, 2 * radius}};
}

KnobsStyleKit::Image radioImage(CGSize size, bool on) {
  return renderPlatformImage(size, true, [size, on]() { KnobsStyleKit::drawRadio(size, on); });
}

}  // namespace

KnobsStyleKit::Image KnobsStyleKit::imageOfKnobOverlay(CGRect frame) {
  return resourceImage("KnobOverlay", frame.size, 1.0);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfDrollicantUnderlay(CGRect frame) {
  return resourceImage("DrollicantUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfCharismaUnderlay(CGRect frame) {
  return resourceImage("CharismaUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfNaiveteUnderlay(CGRect frame) {
  return resourceImage("NaiveteUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfNostalgiaUnderlay(CGRect frame) {
  return resourceImage("NostalgiaUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfSurpriseUnderlay(CGRect frame) {
  return resourceImage("SurpriseUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfSweetnessUnderlay(CGRect frame) {
  return resourceImage("SweetnessUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfWhimsyUnderlay(CGRect frame) {
  return resourceImage("WhimsyUnderlay", frame.size, underlayScale);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfFlightyLabel(CGRect frame) {
  return resourceImage("FlightyLabel", frame.size, 1.0);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfGenteelLabel(CGRect frame) {
  return resourceImage("GenteelLabel", frame.size, 1.0);
}
KnobsStyleKit::Image KnobsStyleKit::imageOfRadioOff(CGRect frame) { return radioImage(frame.size, false); }
KnobsStyleKit::Image KnobsStyleKit::imageOfRadioOn(CGRect frame) { return radioImage(frame.size, true); }

KnobsStyleKit::Image KnobsStyleKit::resourceImage(std::string_view name, CGSize size, CGFloat scale) {
  return resourceImage(name, size, scale, resourceBundles());
}

KnobsStyleKit::Image KnobsStyleKit::resourceImage(std::string_view name, CGSize size, CGFloat scale,
                                                  const std::vector<Bundle>& candidates) {
  for (const Bundle& bundle : candidates) {
    if (auto found = platform::imageForResource(*bundle, name)) return fittedImage(found, size, scale);
  }
  const CGRect whole{{0, 0}, size};
  return renderPlatformImage(size, true,
                             [whole](platform::CGContextRef context) { platform::CGContextClearRect(context, whole); });
}

std::vector<KnobsStyleKit::Bundle> KnobsStyleKit::resourceBundles() {
  return resourceBundles(platform::NSBundle::bundleForClass(BundleToken::token()), platform::NSBundle::mainBundle());
}

std::vector<KnobsStyleKit::Bundle> KnobsStyleKit::resourceBundles(const Bundle& codeBundle, const Bundle& mainBundle) {
  std::vector<Bundle> list;
  if (codeBundle) list.push_back(codeBundle);
  if (!mainBundle) return list;
  // Bundle objects are made afresh on each lookup, so sameness is equality of folders.
  if (!contains(list, *mainBundle)) list.push_back(mainBundle);
  const auto entries =
      platform::NSFileManager::defaultManager().contentsOfDirectory(mainBundle->builtInPlugInsURL(), 0, nullptr);
  if (!entries) return list;
  for (const platform::NSURL& entry : *entries) {
    const std::string extension = entry.extension().string();
    if (extension.size() < 2 || std::string_view(extension).substr(1) != platform::NSAppExtensionPathExtension)
      continue;
    auto bundle = platform::NSBundle::bundleWithURL(entry);
    if (bundle && !contains(list, *bundle)) list.push_back(bundle);
  }
  return list;
}

KnobsStyleKit::Image KnobsStyleKit::fittedImage(const Image& found, CGSize size, CGFloat scale) {
  const CGSize original = found->size();
  if (!(original.width > 0) || !(original.height > 0)) {
    found->setSize(size);
    return found;
  }
  const CGFloat s = std::min(size.width / original.width, size.height / original.height) * scale;
  const CGSize fitted{original.width * s, original.height * s};
  if (scale == 1.0) {
    found->setSize(fitted);
    return found;
  }
  const CGRect target{{(size.width - fitted.width) / 2, (size.height - fitted.height) / 2}, fitted};
  return platform::NSImage::imageWithSize(size, false, [found, target](CGRect) {
    found->drawInRect(target);
    return true;
  });
}

void KnobsStyleKit::drawRadio(CGSize size, bool on) {
  const CGFloat m = size.height < size.width ? size.height : size.width;
  platform::NSBezierPath ring = ovalPath(centredSquare(size, kRingRadius * m));
  ring.setLineWidth(kRingLineWidth * m);
  setStroke(ring, platform::NSColor::whiteColor());
  ring.stroke();
  if (!on) return;
  platform::NSBezierPath dot = ovalPath(centredSquare(size, kDotRadius * m));
  setFill(dot, platform::NSColor::whiteColor());
  dot.fill();
}

}  // namespace drollicant
