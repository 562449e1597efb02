#pragma once
// Drawing without a display: a view tree or an image rendered into a cairo image surface at
// any scale factor, read back pixel by pixel or written to a PNG file.
#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/ui/Image.h"
#include "platform/ui/View.h"

typedef struct _cairo_surface cairo_surface_t;

namespace platform {

// Straight (not premultiplied) 8-bit components.
struct Pixel {
  std::uint8_t red = 0, green = 0, blue = 0, alpha = 0;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

class OffscreenSurface {
public:
  // A transparent surface of the given size in pixels.
  OffscreenSurface(int width, int height);
  ~OffscreenSurface();
  OffscreenSurface(const OffscreenSurface&) = delete;
  OffscreenSurface& operator=(const OffscreenSurface&) = delete;

  int width() const;
  int height() const;
  // The pixel in column x, row y (row 0 at the top); transparent outside the surface.
  Pixel pixel(int x, int y) const;
  bool writePNG(const std::filesystem::path& path) const;
  cairo_surface_t* cairoSurface() const { return _surface; }

private:
  cairo_surface_t* _surface;
};

class OffscreenBackend {
public:
  // The view (with its subviews) at its frame size times scale, on a transparent background.
  static std::unique_ptr<OffscreenSurface> renderView(NSView& view, double scale);
  // The image drawn into its size times scale, with a current graphics context.
  static std::unique_ptr<OffscreenSurface> renderImage(NSImage& image, double scale);
};

// Renders the view as renderView does and writes it to a PNG file; false when it cannot.
bool renderViewToPNG(NSView& view, const std::filesystem::path& path, double scale);

}  // namespace platform
