#include "ui/menu.h"

#include <cstdint>

#include "io/wide_text.h"

namespace ui {
namespace {

std::uint16_t g_nextCommandId = 0x1000;  // shared by all menus

void AppendItem(HMENU menu, const std::string& text, UINT id) {
  const std::wstring wide = io::WideFromUtf8(text);
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE;
  info.fType = MFT_STRING;
  info.wID = id;
  info.dwTypeData = const_cast<wchar_t*>(wide.c_str());
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
}

void AppendSeparator(HMENU menu) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE;
  info.fType = MFT_SEPARATOR;
  InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
}

}  // namespace

Menu::Menu(const std::vector<std::string>& items) : firstId_(g_nextCommandId) {
  handle_ = CreateMenu();
  std::vector<HMENU> open{handle_};  // the menu that takes the next item, innermost last
  HMENU lastItemMenu = nullptr;
  int lastItemPosition = -1;
  for (const std::string& text : items) {
    if (text.empty()) break;
    if (text == "(") {
      if (lastItemPosition < 0) continue;  // a bracket with no item before it
      HMENU sub = CreatePopupMenu();
      MENUITEMINFOW info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_SUBMENU;
      info.hSubMenu = sub;
      SetMenuItemInfoW(lastItemMenu, lastItemPosition, TRUE, &info);
      open.push_back(sub);
      lastItemPosition = -1;
    } else if (text == ")") {
      if (open.size() > 1) open.pop_back();
      lastItemPosition = -1;
    } else if (text == "-") {
      AppendSeparator(open.back());
      lastItemPosition = -1;
    } else {
      lastItemMenu = open.back();
      lastItemPosition = GetMenuItemCount(lastItemMenu);
      AppendItem(lastItemMenu, text, static_cast<UINT>(firstId_ + itemCount_));
      ++itemCount_;
    }
  }
  itemEvents_.resize(static_cast<size_t>(itemCount_));
  g_nextCommandId = static_cast<std::uint16_t>(g_nextCommandId + itemCount_);
}

Menu::~Menu() {
  if (handle_) DestroyMenu(handle_);
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

void Menu::AddAccelerator(int item, BYTE modifiers, WORD key) {
  if (item < 0 || item >= itemCount_) return;
  acceleratorKeys_.push_back(
      ACCEL{static_cast<BYTE>(modifiers | FVIRTKEY), key, static_cast<WORD>(CommandId(item))});
  // A table cannot grow: it is made again with the new key.
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  accelerators_ =
      CreateAcceleratorTableW(acceleratorKeys_.data(), static_cast<int>(acceleratorKeys_.size()));
}

void Menu::SetItemEvent(int item, Event event) {
  if (item >= 0 && item < itemCount_) itemEvents_[static_cast<size_t>(item)] = std::move(event);
}

bool Menu::HandleCommand(int commandId) {
  const int item = static_cast<std::uint16_t>(commandId - firstId_);
  if (item >= itemCount_) return false;
  if (const Event& event = itemEvents_[static_cast<size_t>(item)]) event(*this, item);
  return true;
}

std::unique_ptr<Menu> CreateMenuBar(const std::vector<std::string>& items) {
  return std::make_unique<Menu>(items);
}

}  // namespace ui
