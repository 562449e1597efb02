#pragma once
// Text labels drawn with pango in the system font.
#include <memory>
#include <string>

#include "platform/ui/Color.h"
#include "platform/ui/View.h"

namespace platform {

class NSFont {
public:
  static NSFont systemFontOfSize(double pointSize) { return NSFont("Sans", pointSize); }
  const std::string& familyName() const { return _family; }
  double pointSize() const { return _size; }

private:
  NSFont(std::string family, double size) : _family(std::move(family)), _size(size > 0 ? size : 13) {}
  std::string _family;
  double _size;
};

enum NSTextAlignment : int {
  NSTextAlignmentLeft = 0,
  NSTextAlignmentRight = 1,
  NSTextAlignmentCenter = 2,
  NSTextAlignmentJustified = 3,
  NSTextAlignmentNatural = 4,
};

class NSTextField : public NSView {
public:
  // A single-line, non-editable label sized to its text.
  static std::shared_ptr<NSTextField> labelWithString(const std::string& text);

  const std::string& stringValue() const { return _text; }
  void setStringValue(const std::string& text);
  NSFont font() const { return _font; }
  void setFont(const NSFont& font);
  NSColor textColor() const { return _textColor; }
  void setTextColor(const NSColor& color);
  NSTextAlignment alignment() const { return _alignment; }
  void setAlignment(NSTextAlignment alignment);

  // The text's extent plus the small margin labels keep on each side.
  CGSize intrinsicContentSize() const override;
  bool isFlipped() const override { return true; }
  void drawRect(CGRect dirtyRect) override;

protected:
  explicit NSTextField(CGRect frame) : NSView(frame) {}

private:
  void textChanged();

  std::string _text;
  NSFont _font = NSFont::systemFontOfSize(13);
  NSColor _textColor = NSColor::blackColor();
  NSTextAlignment _alignment = NSTextAlignmentNatural;
};

}  // namespace platform
