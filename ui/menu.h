// Menu bars built from a template (Windows only).
//
// The template is a list of texts: "(" after an item opens a submenu for that
// item, ")" closes it, "-" is a separator, an empty text ends the list; every
// other text is an item, numbered from 0 in template order (separators and
// brackets are not counted). Command identifiers come from one counter shared by
// all menus, starting at 4096.
//
//   auto menu = ui::CreateMenuBar({"Файл", "(", "Открыть архив...", "-", "Выход", ")",
//                                   "О Программе..."});
//   menu->SetItemEvent(1, [](ui::Menu&, int) { /* open */ });
//   form->SetMenu(std::move(menu));
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Menu {
 public:
  using Event = std::function<void(Menu& menu, int item)>;

  explicit Menu(const std::vector<std::string>& items);
  ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  HMENU Handle() const { return handle_; }
  int CommandId(int item) const { return firstId_ + item; }

  // The item's event is raised when it is chosen.
  void SetItemEvent(int item, Event event);

  // A key that chooses the item wherever the focus is in the menu's window:
  // `modifiers` are FCONTROL, FSHIFT, FALT; `key` a virtual key code.
  void AddAccelerator(int item, BYTE modifiers, WORD key);
  HACCEL Accelerators() const { return accelerators_; }  // 0 while there are none

  // A WM_COMMAND from a menu; false when the identifier is not one of ours.
  bool HandleCommand(int commandId);

 private:
  HMENU handle_ = nullptr;  // taken off a window before the window goes
  int firstId_;
  int itemCount_ = 0;
  std::vector<Event> itemEvents_;
  std::vector<ACCEL> acceleratorKeys_;
  HACCEL accelerators_ = nullptr;
};

std::unique_ptr<Menu> CreateMenuBar(const std::vector<std::string>& items);

}  // namespace ui
