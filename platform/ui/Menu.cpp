#include "platform/ui/Menu.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {
std::string lowered(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}
}  // namespace

std::shared_ptr<NSMenuItem> NSMenuItem::initWithTitle(std::string title, SEL action, std::string keyEquivalent) {
  std::shared_ptr<NSMenuItem> item(new NSMenuItem());
  item->_title = std::move(title);
  item->_action = std::move(action);
  item->_keyEquivalent = std::move(keyEquivalent);
  return item;
}

std::shared_ptr<NSMenu> NSMenu::initWithTitle(std::string title) {
  std::shared_ptr<NSMenu> menu(new NSMenu());
  menu->_title = std::move(title);
  return menu;
}

void NSMenu::addItem(const std::shared_ptr<NSMenuItem>& item) {
  if (item) _items.push_back(item);
}

std::shared_ptr<NSMenuItem> NSMenu::itemWithKeyEquivalent(const std::string& key) const {
  if (key.empty()) return nullptr;
  const std::string wanted = lowered(key);
  for (const auto& item : _items) {
    if (!item->keyEquivalent().empty() && lowered(item->keyEquivalent()) == wanted) return item;
    if (auto sub = item->submenu()) {
      if (auto found = sub->itemWithKeyEquivalent(key)) return found;
    }
  }
  return nullptr;
}

}  // namespace platform
