#include "platform/ui/Image.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <atomic>
#include <cmath>

#include "platform/ui/GraphicsContext.h"

namespace platform {

namespace {

std::atomic<double> defaultBackingScale{1.0};

bool hasArea(CGSize s) { return s.width > 0 && s.height > 0 && std::isfinite(s.width) && std::isfinite(s.height); }

int pixelsFor(double points, double scale) { return static_cast<int>(std::ceil(points * scale - 1e-9)); }

RsvgHandle* asSvg(void* p) { return static_cast<RsvgHandle*>(p); }

CGSize svgIntrinsicSize(RsvgHandle* svg) {
  rsvg_handle_set_dpi(svg, 72.0);  // one CSS pixel per point
  double w = 0, h = 0;
  if (rsvg_handle_get_intrinsic_size_in_pixels(svg, &w, &h) && w > 0 && h > 0) return {w, h};
  gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
  RsvgLength width, height;
  RsvgRectangle viewBox;
  rsvg_handle_get_intrinsic_dimensions(svg, &hasWidth, &width, &hasHeight, &height, &hasViewBox, &viewBox);
  if (hasViewBox && viewBox.width > 0 && viewBox.height > 0) return {viewBox.width, viewBox.height};
  return {};
}

}  // namespace

double backingScaleFactor() { return defaultBackingScale.load(std::memory_order_relaxed); }

void setBackingScaleFactor(double scale) {
  if (scale > 0 && std::isfinite(scale)) defaultBackingScale.store(scale, std::memory_order_relaxed);
}

// MARK: CGImage

CGImage::CGImage(cairo_surface_t* bitmap, double scale, CGSize pointSize, std::shared_ptr<NSImage> source)
    : _bitmap(bitmap), _scale(scale), _pointSize(pointSize), _source(std::move(source)) {}

CGImage::~CGImage() {
  if (_bitmap) cairo_surface_destroy(_bitmap);
  if (_rescaled) cairo_surface_destroy(_rescaled);
}

int CGImage::pixelWidth() const { return _bitmap ? cairo_image_surface_get_width(_bitmap) : 0; }
int CGImage::pixelHeight() const { return _bitmap ? cairo_image_surface_get_height(_bitmap) : 0; }

cairo_surface_t* CGImage::bitmapForScale(double scale) {
  if (!_source || !(scale > 0) || std::fabs(scale - _scale) < 1e-6) return _bitmap;
  if (_rescaled && std::fabs(scale - _rescaledScale) < 1e-6) return _rescaled;
  cairo_surface_t* fresh = _source->newBitmap(scale);
  if (!fresh) return _bitmap;
  if (_rescaled) cairo_surface_destroy(_rescaled);
  _rescaled = fresh;
  _rescaledScale = scale;
  return _rescaled;
}

// MARK: NSImage

std::shared_ptr<NSImage> NSImage::imageWithSize(CGSize size, bool flipped, DrawingHandler handler) {
  std::shared_ptr<NSImage> image(new NSImage());
  image->_size = size;
  image->_flipped = flipped;
  image->_handler = std::move(handler);
  return image;
}

std::shared_ptr<NSImage> NSImage::initWithSize(CGSize size) {
  std::shared_ptr<NSImage> image(new NSImage());
  image->_size = size;
  return image;
}

std::shared_ptr<NSImage> NSImage::imageWithContentsOfFile(const std::filesystem::path& path) {
  const std::string extension = path.extension().string();
  if (extension == ".svg") {
    GError* error = nullptr;
    RsvgHandle* svg = rsvg_handle_new_from_file(path.c_str(), &error);
    if (!svg) {
      if (error) g_error_free(error);
      return nullptr;
    }
    std::shared_ptr<NSImage> image(new NSImage());
    image->_svg = svg;
    image->_svgIntrinsic = svgIntrinsicSize(svg);
    image->_size = image->_svgIntrinsic;
    return image;
  }
  if (extension == ".png") {
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(png);
      return nullptr;
    }
    std::shared_ptr<NSImage> image(new NSImage());
    image->_bitmap = png;
    image->_size = {double(cairo_image_surface_get_width(png)), double(cairo_image_surface_get_height(png))};
    return image;
  }
  return nullptr;
}

NSImage::~NSImage() {
  if (_focusScope) unlockFocus();
  if (_svg) g_object_unref(asSvg(_svg));
  if (_bitmap) cairo_surface_destroy(_bitmap);
  if (_recording) cairo_surface_destroy(_recording);
}

bool NSImage::drawInRect(CGRect rect) {
  auto* context = NSGraphicsContext::currentContext();
  CGContextRef cg = context ? context->CGContext() : nullptr;
  if (!cg) return _handler ? _handler(CGRect{{0, 0}, _size}) : false;
  if (!hasArea(_size) || !hasArea(rect.size) || !std::isfinite(rect.origin.x) || !std::isfinite(rect.origin.y))
    return false;

  cairo_t* cr = cg->cairo();
  cg->saveGState();
  cairo_translate(cr, rect.origin.x, rect.origin.y);
  if (!cg->userSpaceIsFlipped()) {
    cairo_translate(cr, 0, rect.size.height);
    cairo_scale(cr, 1, -1);
  }
  cairo_scale(cr, rect.size.width / _size.width, rect.size.height / _size.height);
  cairo_rectangle(cr, 0, 0, _size.width, _size.height);
  cairo_clip(cr);
  // Drawn in a group of its own, so a handler that clears pixels clears only the image's.
  cairo_push_group(cr);
  bool drawn = drawContent(cr);
  cairo_pop_group_to_source(cr);
  if (drawn) cairo_paint(cr);
  cg->restoreGState();
  return drawn;
}

// Draws into user space set up as the image's own points, y downward, clipped to the image.
bool NSImage::drawContent(cairo_t* cr) {
  if (_handler) {
    if (!_flipped) {
      cairo_translate(cr, 0, _size.height);
      cairo_scale(cr, 1, -1);
    }
    return _handler(CGRect{{0, 0}, _size});
  }
  if (_svg) {
    RsvgRectangle viewport{0, 0, _size.width, _size.height};
    if (hasArea(_svgIntrinsic)) {
      cairo_scale(cr, _size.width / _svgIntrinsic.width, _size.height / _svgIntrinsic.height);
      viewport = {0, 0, _svgIntrinsic.width, _svgIntrinsic.height};
    }
    return rsvg_handle_render_document(asSvg(_svg), cr, &viewport, nullptr);
  }
  cairo_surface_t* pixels = _bitmap ? _bitmap : _recording;
  if (!pixels) return false;
  CGSize source =
      _bitmap ? CGSize{double(cairo_image_surface_get_width(_bitmap)), double(cairo_image_surface_get_height(_bitmap))}
              : _recordingSize;
  if (!hasArea(source)) return false;
  cairo_scale(cr, _size.width / source.width, _size.height / source.height);
  cairo_set_source_surface(cr, pixels, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  return true;
}

void NSImage::lockFocus() {
  if (_focusScope) return;
  if (_recording) cairo_surface_destroy(_recording);
  _recordingSize = _size;
  cairo_rectangle_t extents{0, 0, _size.width, _size.height};
  _recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
  _focusCairo = cairo_create(_recording);
  cairo_translate(_focusCairo, 0, _size.height);
  cairo_scale(_focusCairo, 1, -1);
  _focusScope = std::make_unique<GraphicsContextScope>(_focusCairo);
}

void NSImage::unlockFocus() {
  if (!_focusScope) return;
  _focusScope.reset();
  cairo_destroy(_focusCairo);
  _focusCairo = nullptr;
  cairo_surface_flush(_recording);
}

cairo_surface_t* NSImage::newBitmap(double scale) {
  const int w = pixelsFor(_size.width, scale);
  const int h = pixelsFor(_size.height, scale);
  if (w <= 0 || h <= 0) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  {
    GraphicsContextScope scope(cr);
    drawInRect(CGRect{{0, 0}, _size});
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  return surface;
}

CGImageRef NSImage::CGImageForProposedRect(const CGRect*, NSGraphicsContext*, const void*) {
  const double scale = backingScaleFactor();
  cairo_surface_t* bitmap = newBitmap(scale);
  if (!bitmap) return nullptr;
  return std::make_shared<CGImage>(bitmap, scale, _size, shared_from_this());
}

}  // namespace platform
