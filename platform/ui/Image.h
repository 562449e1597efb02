#pragma once
// Images in points. An image holds one representation: a deferred drawing handler (run each
// time pixels are needed, reporting whether it drew), a loaded SVG document (drawn at any
// resolution), a PNG bitmap, or what was drawn between lockFocus and unlockFocus.
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/ui/Geometry.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;

namespace platform {

class NSImage;
class NSGraphicsContext;
class GraphicsContextScope;

// The scale of backing pixels per point used when an image is turned into a bitmap without a
// destination (CGImageForProposedRect). The windowing backends set it from the display.
double backingScaleFactor();
void setBackingScaleFactor(double scale);

// A bitmap made from an image, for a layer's contents. It keeps its source image so the
// renderer can produce it again, sharp, for another pixel density.
class CGImage {
public:
  CGImage(cairo_surface_t* bitmap, double scale, CGSize pointSize, std::shared_ptr<NSImage> source);
  ~CGImage();
  CGImage(const CGImage&) = delete;
  CGImage& operator=(const CGImage&) = delete;

  int pixelWidth() const;
  int pixelHeight() const;
  double scale() const { return _scale; }
  CGSize pointSize() const { return _pointSize; }
  cairo_surface_t* bitmap() const { return _bitmap; }
  // The bitmap for drawing at the given pixels-per-point; rasterised again from the source
  // image (and kept) when it differs from the one at hand.
  cairo_surface_t* bitmapForScale(double scale);

private:
  cairo_surface_t* _bitmap;
  double _scale;
  CGSize _pointSize;
  std::shared_ptr<NSImage> _source;
  cairo_surface_t* _rescaled = nullptr;
  double _rescaledScale = 0;
};

using CGImageRef = std::shared_ptr<CGImage>;

class NSImage : public std::enable_shared_from_this<NSImage> {
public:
  // Receives the image's own rectangle (0, 0, width, height); returns whether it drew.
  using DrawingHandler = std::function<bool(CGRect)>;

  static std::shared_ptr<NSImage> imageWithSize(CGSize size, bool flipped, DrawingHandler handler);
  // An empty image of the size; draw into it between lockFocus and unlockFocus.
  static std::shared_ptr<NSImage> initWithSize(CGSize size);
  // An SVG (".svg", through librsvg) or PNG (".png") file; null when unreadable.
  static std::shared_ptr<NSImage> imageWithContentsOfFile(const std::filesystem::path& path);

  ~NSImage();
  NSImage(const NSImage&) = delete;
  NSImage& operator=(const NSImage&) = delete;

  CGSize size() const { return _size; }
  void setSize(CGSize size) { _size = size; }
  bool isFlipped() const { return _flipped; }

  // Draws the whole image into the rectangle of the current context, scaled to it and
  // upright whatever the context's orientation. Returns whether anything was drawn. A
  // drawing handler runs even without a current context (it then reports false).
  bool drawInRect(CGRect rect);

  // Makes a new current context drawing into this image, in its own coordinates (origin
  // bottom left, y upward); unlockFocus ends it and keeps the drawing.
  void lockFocus();
  void unlockFocus();

  // A bitmap of the image at backingScaleFactor(); the arguments may be null and are not
  // used. Null for an image without area.
  CGImageRef CGImageForProposedRect(const CGRect* proposedRect, NSGraphicsContext* context, const void* hints);

  // A bitmap at the given pixels-per-point, drawn with a current context of its own.
  cairo_surface_t* newBitmap(double scale);

private:
  NSImage() = default;
  bool drawContent(cairo_t* cr);

  CGSize _size;
  bool _flipped = false;
  DrawingHandler _handler;
  void* _svg = nullptr;                   // RsvgHandle
  CGSize _svgIntrinsic;                   // zero when the document gives none
  cairo_surface_t* _bitmap = nullptr;     // PNG pixels
  cairo_surface_t* _recording = nullptr;  // lockFocus drawing
  CGSize _recordingSize;
  cairo_t* _focusCairo = nullptr;
  std::unique_ptr<GraphicsContextScope> _focusScope;
};

}  // namespace platform
