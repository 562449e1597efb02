#pragma once
// Menus: items with a title, an action (a selector name, sent to the application when the item
// has no target) and a key equivalent pressed with the command key (Ctrl on Linux).
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Selector names, for actions sent up to the application.
using SEL = std::string;
inline const SEL kTerminateSelector = "terminate:";

class NSMenu;

class NSMenuItem {
public:
  static std::shared_ptr<NSMenuItem> initWithTitle(std::string title, SEL action, std::string keyEquivalent);
  static std::shared_ptr<NSMenuItem> make() { return initWithTitle("", "", ""); }

  const std::string& title() const { return _title; }
  void setTitle(std::string title) { _title = std::move(title); }
  const SEL& action() const { return _action; }
  void setAction(SEL action) { _action = std::move(action); }
  const std::string& keyEquivalent() const { return _keyEquivalent; }
  void setKeyEquivalent(std::string key) { _keyEquivalent = std::move(key); }
  std::shared_ptr<NSMenu> submenu() const { return _submenu; }
  void setSubmenu(std::shared_ptr<NSMenu> submenu) { _submenu = std::move(submenu); }

private:
  NSMenuItem() = default;
  std::string _title;
  SEL _action;
  std::string _keyEquivalent;
  std::shared_ptr<NSMenu> _submenu;
};

class NSMenu {
public:
  static std::shared_ptr<NSMenu> initWithTitle(std::string title);
  static std::shared_ptr<NSMenu> make() { return initWithTitle(""); }

  const std::string& title() const { return _title; }
  void addItem(const std::shared_ptr<NSMenuItem>& item);
  const std::vector<std::shared_ptr<NSMenuItem>>& itemArray() const { return _items; }
  // The item, here or in a submenu, whose key equivalent is `key` (compared without case);
  // null when none.
  std::shared_ptr<NSMenuItem> itemWithKeyEquivalent(const std::string& key) const;

private:
  NSMenu() = default;
  std::string _title;
  std::vector<std::shared_ptr<NSMenuItem>> _items;
};

}  // namespace platform
