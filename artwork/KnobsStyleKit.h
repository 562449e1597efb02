#pragma once
// The catalogue of artwork images. Ten are named resources looked up in the candidate bundles
// and fitted to the frame (underlays enlarged by underlayScale); the two radio images are drawn
// from circles. Only the frame's size is used. Nothing fails: a resource found nowhere gives a
// transparent image of the frame's size. Nothing is cached. Main thread.
#include <memory>
#include <string_view>
#include <vector>

#include "platform/foundation/NSBundle.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"

namespace drollicant {

class KnobsStyleKit {
public:
  KnobsStyleKit() = delete;

  using Image = std::shared_ptr<platform::NSImage>;
  using Bundle = std::shared_ptr<platform::NSBundle>;

  static constexpr platform::CGFloat underlayScale = 1.05;

  static Image imageOfKnobOverlay(platform::CGRect frame);
  static Image imageOfDrollicantUnderlay(platform::CGRect frame);
  static Image imageOfCharismaUnderlay(platform::CGRect frame);
  static Image imageOfNaiveteUnderlay(platform::CGRect frame);
  static Image imageOfNostalgiaUnderlay(platform::CGRect frame);
  static Image imageOfSurpriseUnderlay(platform::CGRect frame);
  static Image imageOfSweetnessUnderlay(platform::CGRect frame);
  static Image imageOfWhimsyUnderlay(platform::CGRect frame);
  static Image imageOfFlightyLabel(platform::CGRect frame);
  static Image imageOfGenteelLabel(platform::CGRect frame);
  static Image imageOfRadioOff(platform::CGRect frame);
  static Image imageOfRadioOn(platform::CGRect frame);

  // The named resource from the first candidate bundle that has it, fitted; else transparent.
  static Image resourceImage(std::string_view name, platform::CGSize size, platform::CGFloat scale);
  // The same over the given candidate bundles, in order.
  static Image resourceImage(std::string_view name, platform::CGSize size, platform::CGFloat scale,
                             const std::vector<Bundle>& candidates);
  // The bundle holding this code, the main bundle unless it is the same, then every bundle
  // in the main bundle's plug-ins folder whose extension is exactly the extension-bundle one,
  // in listing order, each bundle once.
  static std::vector<Bundle> resourceBundles();
  // The same list for the given code and main bundles (either may be absent).
  static std::vector<Bundle> resourceBundles(const Bundle& codeBundle, const Bundle& mainBundle);
  // Fits a found image to size: aspect fit when scale is exactly 1 (the same image, resized);
  // otherwise a new size-sized image with the artwork scaled by `scale` beyond the aspect fit,
  // centred and cut at the edges. An image without area is just resized to size.
  static Image fittedImage(const Image& found, platform::CGSize size, platform::CGFloat scale);
  // Draws the radio ring (and, when on, its dot) centred in size, into the current context.
  static void drawRadio(platform::CGSize size, bool on);
};

}  // namespace drollicant
