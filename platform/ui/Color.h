#pragma once
// Colours: RGB with alpha. NSColor is a plain value; setFill/setStroke make it the current
// fill or stroke colour of the current graphics context.
namespace platform {

// The colour a layer stores (its background); components 0..1.
struct CGColor {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 0;
  friend bool operator==(const CGColor&, const CGColor&) = default;
};

class NSColor {
public:
  NSColor() = default;
  static NSColor colorWithRed(double red, double green, double blue, double alpha);
  static NSColor colorWithWhite(double white, double alpha);
  static NSColor whiteColor();
  static NSColor blackColor();
  static NSColor darkGrayColor();
  static NSColor clearColor();

  NSColor colorWithAlphaComponent(double alpha) const;
  platform::CGColor CGColor() const { return _components; }
  double redComponent() const { return _components.red; }
  double greenComponent() const { return _components.green; }
  double blueComponent() const { return _components.blue; }
  double alphaComponent() const { return _components.alpha; }

  // Make this the fill (or stroke) colour of the current graphics context; without one, nothing.
  void setFill() const;
  void setStroke() const;

  friend bool operator==(const NSColor&, const NSColor&) = default;

private:
  explicit NSColor(platform::CGColor c) : _components(c) {}
  platform::CGColor _components{0, 0, 0, 1};
};

}  // namespace platform
