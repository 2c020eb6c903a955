#include "ui/menu.h"

#include <cstdint>

#include "io/wide_text.h"

namespace ui {
namespace {

std::uint16_t g_next_command_id = 0x1000;  // shared by all menus

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

Menu::Menu(const std::vector<std::string>& items) : first_id_(g_next_command_id) {
  handle_ = CreateMenu();
  std::vector<HMENU> open{handle_};  // the menu that takes the next item, innermost last
  HMENU last_item_menu = nullptr;
  int last_item_position = -1;
  for (const std::string& text : items) {
    if (text.empty()) break;
    if (text == "(") {
      if (last_item_position < 0) continue;  // a bracket with no item before it
      HMENU sub = CreatePopupMenu();
      MENUITEMINFOW info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_SUBMENU;
      info.hSubMenu = sub;
      SetMenuItemInfoW(last_item_menu, last_item_position, TRUE, &info);
      open.push_back(sub);
      last_item_position = -1;
    } else if (text == ")") {
      if (open.size() > 1) open.pop_back();
      last_item_position = -1;
    } else if (text == "-") {
      AppendSeparator(open.back());
      last_item_position = -1;
    } else {
      last_item_menu = open.back();
      last_item_position = GetMenuItemCount(last_item_menu);
      AppendItem(last_item_menu, text, static_cast<UINT>(first_id_ + item_count_));
      ++item_count_;
    }
  }
  item_events_.resize(static_cast<size_t>(item_count_));
  g_next_command_id = static_cast<std::uint16_t>(g_next_command_id + item_count_);
}

Menu::~Menu() {
  if (handle_) DestroyMenu(handle_);
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

void Menu::AddAccelerator(int item, BYTE modifiers, WORD key) {
  if (item < 0 || item >= item_count_) return;
  accelerator_keys_.push_back(
      ACCEL{static_cast<BYTE>(modifiers | FVIRTKEY), key, static_cast<WORD>(CommandId(item))});
  // A table cannot grow: it is made again with the new key.
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  accelerators_ =
      CreateAcceleratorTableW(accelerator_keys_.data(), static_cast<int>(accelerator_keys_.size()));
}

void Menu::SetItemEvent(int item, Event event) {
  if (item >= 0 && item < item_count_) item_events_[static_cast<size_t>(item)] = std::move(event);
}

bool Menu::HandleCommand(int command_id) {
  const int item = static_cast<std::uint16_t>(command_id - first_id_);
  if (item >= item_count_) return false;
  if (const Event& event = item_events_[static_cast<size_t>(item)]) event(*this, item);
  return true;
}

std::unique_ptr<Menu> CreateMenuBar(const std::vector<std::string>& items) {
  return std::make_unique<Menu>(items);
}

}  // namespace ui
