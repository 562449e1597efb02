#pragma once
// Pointer and key events as the windows receive them. Locations are in window coordinates:
// origin at the bottom left of the content area, y upward, in points.
#include <string>

#include "platform/ui/Geometry.h"

namespace platform {

enum class NSEventType { leftMouseDown, leftMouseDragged, leftMouseUp, keyDown };

enum NSEventModifierFlags : unsigned {
  NSEventModifierFlagShift = 1u << 17,
  NSEventModifierFlagControl = 1u << 18,
  NSEventModifierFlagOption = 1u << 19,
  // The platform's command key; on Linux the backends report Ctrl as this flag.
  NSEventModifierFlagCommand = 1u << 20,
};

struct NSEvent {
  NSEventType type = NSEventType::leftMouseDown;
  CGPoint locationInWindow;
  int clickCount = 1;  // presses in quick succession, for mouse events
  unsigned modifierFlags = 0;
  std::string charactersIgnoringModifiers;  // for key events, lower case; "\x1b" is Escape
  double timestamp = 0;                     // seconds

  static NSEvent mouse(NSEventType type, CGPoint location, int clickCount = 1) {
    NSEvent e;
    e.type = type;
    e.locationInWindow = location;
    e.clickCount = clickCount;
    return e;
  }
  static NSEvent key(std::string characters, unsigned modifiers = 0) {
    NSEvent e;
    e.type = NSEventType::keyDown;
    e.charactersIgnoringModifiers = std::move(characters);
    e.modifierFlags = modifiers;
    return e;
  }
};

inline const std::string NSEscapeCharacters = "\x1b";

}  // namespace platform
