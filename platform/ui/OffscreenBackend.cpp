#include "platform/ui/OffscreenBackend.h"

#include <cairo.h>

#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Renderer.h"

namespace platform {

namespace {
int pixels(double points, double scale) {
  const double p = std::ceil(points * scale - 1e-9);
  return p > 0 && p < 32768 ? int(p) : 0;
}
}  // namespace

OffscreenSurface::OffscreenSurface(int width, int height)
    : _surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(width, 0), std::max(height, 0))) {}

OffscreenSurface::~OffscreenSurface() { cairo_surface_destroy(_surface); }

int OffscreenSurface::width() const { return cairo_image_surface_get_width(_surface); }
int OffscreenSurface::height() const { return cairo_image_surface_get_height(_surface); }

Pixel OffscreenSurface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return {};
  cairo_surface_flush(_surface);
  const unsigned char* data = cairo_image_surface_get_data(_surface);
  const int stride = cairo_image_surface_get_stride(_surface);
  const std::uint32_t argb = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
  const std::uint8_t a = argb >> 24;
  if (a == 0) return {};
  auto straight = [a](std::uint32_t c) { return std::uint8_t(std::lround(double(c & 0xff) * 255.0 / a)); };
  return {straight(argb >> 16), straight(argb >> 8), straight(argb), a};
}

bool OffscreenSurface::writePNG(const std::filesystem::path& path) const {
  return cairo_surface_write_to_png(_surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<OffscreenSurface> OffscreenBackend::renderView(NSView& view, double scale) {
  if (!(scale > 0)) scale = 1;
  view.layoutSubtreeIfNeeded();
  auto surface = std::make_unique<OffscreenSurface>(pixels(view.frame().size.width, scale),
                                                    pixels(view.frame().size.height, scale));
  cairo_t* cr = cairo_create(surface->cairoSurface());
  Renderer::drawRootView(cr, view, scale);
  cairo_destroy(cr);
  cairo_surface_flush(surface->cairoSurface());
  return surface;
}

std::unique_ptr<OffscreenSurface> OffscreenBackend::renderImage(NSImage& image, double scale) {
  if (!(scale > 0)) scale = 1;
  auto surface =
      std::make_unique<OffscreenSurface>(pixels(image.size().width, scale), pixels(image.size().height, scale));
  cairo_t* cr = cairo_create(surface->cairoSurface());
  cairo_scale(cr, scale, scale);
  {
    GraphicsContextScope scope(cr);
    image.drawInRect({{0, 0}, image.size()});
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface->cairoSurface());
  return surface;
}

bool renderViewToPNG(NSView& view, const std::filesystem::path& path, double scale) {
  auto surface = OffscreenBackend::renderView(view, scale);
  return surface->width() > 0 && surface->height() > 0 && surface->writePNG(path);
}

}  // namespace platform
