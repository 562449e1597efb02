#include "platform/ui/TextField.h"

#include <cairo.h>
#include <pango/pangocairo.h>
#include <cmath>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Redisplay.h"

namespace platform {

namespace {

constexpr CGFloat kLabelMargin = 2;

// A layout of the text in the font, one unit per point, with metrics that do not depend on
// the device resolution (so measuring and drawing agree at every scale).
PangoLayout* makeLayout(cairo_t* cr, const std::string& text, const NSFont& font) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(layout);
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, font.familyName().c_str());
  pango_font_description_set_absolute_size(description, font.pointSize() * PANGO_SCALE);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(layout, text.c_str(), -1);
  return layout;
}

CGSize textExtent(cairo_t* cr, const std::string& text, const NSFont& font) {
  PangoLayout* layout = makeLayout(cr, text, font);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return {double(logical.width) / PANGO_SCALE, double(logical.height) / PANGO_SCALE};
}

}  // namespace

std::shared_ptr<NSTextField> NSTextField::labelWithString(const std::string& text) {
  std::shared_ptr<NSTextField> label(new NSTextField({}));
  label->_text = text;
  label->setFrameSize(label->intrinsicContentSize());
  return label;
}

void NSTextField::textChanged() {
  markNeedsDisplay();
  if (auto parent = superview()) parent->setNeedsLayout(true);
}

void NSTextField::setStringValue(const std::string& text) {
  _text = text;
  textChanged();
}

void NSTextField::setFont(const NSFont& font) {
  _font = font;
  textChanged();
}

void NSTextField::setTextColor(const NSColor& color) {
  _textColor = color;
  markNeedsDisplay();
}

void NSTextField::setAlignment(NSTextAlignment alignment) {
  _alignment = alignment;
  markNeedsDisplay();
}

CGSize NSTextField::intrinsicContentSize() const {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  const CGSize extent = textExtent(cr, _text, _font);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  // Whole points, as layout works in: labels stacked under one another stay on the pixel grid.
  return {std::ceil(extent.width + 2 * kLabelMargin), std::ceil(extent.height)};
}

void NSTextField::drawRect(CGRect) {
  auto* context = NSGraphicsContext::currentContext();
  CGContextRef cg = context ? context->CGContext() : nullptr;
  if (!cg || _text.empty()) return;
  cairo_t* cr = cg->cairo();
  cairo_save(cr);
  PangoLayout* layout = makeLayout(cr, _text, _font);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const CGFloat width = double(logical.width) / PANGO_SCALE;
  const CGFloat height = double(logical.height) / PANGO_SCALE;
  const CGRect box = bounds();
  CGFloat x = kLabelMargin;
  if (_alignment == NSTextAlignmentCenter) x = (box.size.width - width) / 2;
  if (_alignment == NSTextAlignmentRight) x = box.size.width - kLabelMargin - width;
  const CGFloat y = (box.size.height - height) / 2;
  const CGColor c = _textColor.CGColor();
  cairo_set_source_rgba(cr, c.red, c.green, c.blue, c.alpha);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  cairo_restore(cr);
}

}  // namespace platform
