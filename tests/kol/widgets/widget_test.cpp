// Window objects against real windows: geometry, fonts, colours, alignment,
// texts, radio buttons, menus and frames.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "kol/widgets/controls.h"
#include "kol/widgets/font_object.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/menu.h"
#include "kol/widgets/message_loop.h"
#include "tests/kol/widgets/gui_test_support.h"

using namespace kol;

namespace {

class WidgetTest : public ::testing::Test {
 protected:
  std::unique_ptr<Widget> app = CreateApplicationWindow("tarnwick");
  Widget* form = CreateForm(*app, "Форма");

  void SetUp() override { form->SetPosition(100, 100).SetSize(400, 300); }
};

int FontHeightOf(HWND window) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (!font) return 0;
  LOGFONTW lf{};
  GetObjectW(font, sizeof(lf), &lf);
  return lf.lfHeight;
}

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

}  // namespace

TEST_F(WidgetTest, BoundsFollowTheConstructorsAndSetSizeChangesOnlyThePositiveSide) {
  Widget* group = CreateGroupBox(*form, "Группа");
  Widget* label = CreateLabel(*group, "Метка");
  EditBox* edit = CreateEditBox(*form, EditOption::ReadOnly);
  CheckBox* check = CreateCheckBox(*form, "Флажок");
  // Children start at the parent's Border, 22 pixels lower inside a group box.
  EXPECT_EQ(group->Width(), 100);
  EXPECT_EQ(group->Height(), 142);
  EXPECT_EQ(label->Left(), 2);
  EXPECT_EQ(label->Top(), 24);
  EXPECT_EQ(label->Height(), 22);
  EXPECT_EQ(edit->Width(), 100);
  EXPECT_EQ(edit->Height(), 22);
  EXPECT_EQ(check->Width(), 72);

  label->SetSize(0, 17);  // before the window exists
  EXPECT_EQ(label->Width(), 64);
  EXPECT_EQ(label->Height(), 17);

  form->GetWindowHandle();
  edit->SetPosition(8, 16).SetSize(0, 17);
  RECT r = guitest::RectInParent(edit->Handle());
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.top, 16);
  EXPECT_EQ(r.right - r.left, 100);
  EXPECT_EQ(r.bottom - r.top, 17);
  r = guitest::RectInParent(label->Handle());
  EXPECT_EQ(r.right - r.left, 64);
  EXPECT_EQ(r.bottom - r.top, 17);
}

TEST_F(WidgetTest, EditOptionsGiveTheirStylesAndScrollBarsOnlyToSeveralLines) {
  using enum EditOption;
  const DWORD kScrollBars = WS_HSCROLL | WS_VSCROLL;
  const DWORD kAutoScroll = ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  struct Case {
    EditOptions options;
    DWORD present;
    DWORD absent;
    int width, height;
  } cases[] = {
      {{}, kAutoScroll, kScrollBars | ES_MULTILINE | ES_READONLY, 100, 22},
      {ReadOnly, kAutoScroll | ES_READONLY, kScrollBars | ES_MULTILINE, 100, 22},
      {Multiline, kScrollBars | kAutoScroll | ES_MULTILINE, ES_READONLY, 200, 200},
      {NoHorizontalScroll | NoVerticalScroll | Multiline | ReadOnly, ES_MULTILINE | ES_READONLY,
       kScrollBars | kAutoScroll, 200, 200},
      {LowerCase | NoHideSelection | OemConvert | Password | UpperCase | WantReturn,
       ES_LOWERCASE | ES_NOHIDESEL | ES_OEMCONVERT | ES_PASSWORD | ES_UPPERCASE | ES_WANTRETURN,
       ES_MULTILINE | ES_READONLY, 100, 22},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.present);
    EditBox* edit = CreateEditBox(*form, c.options);
    EXPECT_EQ(edit->Style() & c.present, c.present);
    EXPECT_EQ(edit->Style() & c.absent, 0u);
    EXPECT_TRUE(edit->Style() & WS_TABSTOP);
    EXPECT_EQ(edit->Width(), c.width);
    EXPECT_EQ(edit->Height(), c.height);
  }
}

TEST_F(WidgetTest, AChildTakesACopyOfTheFontItsParentHadWhenItWasCreated) {
  Widget* group = CreateGroupBox(*form, " Действия ");
  Widget* before = CreateLabel(*group, "Раньше");
  group->GetFont().SetHeight(-11);
  Widget* after = CreateLabel(*group, "Выделено:");
  form->GetWindowHandle();

  EXPECT_EQ(FontHeightOf(group->Handle()), -11);
  EXPECT_EQ(FontHeightOf(after->Handle()), -11);
  EXPECT_NE(FontHeightOf(before->Handle()), -11);
  EXPECT_FALSE(before->HasFont());

  // The copy is the child's own, and its colour is the child's text colour.
  after->GetFont().SetColor(0x800000);
  EXPECT_EQ(after->GetTextColor(), 0x800000u);
  EXPECT_EQ(group->GetTextColor(), kWindowTextColor);
  group->GetFont().SetHeight(-16);
  EXPECT_EQ(FontHeightOf(after->Handle()), -11);
  EXPECT_EQ(FontHeightOf(group->Handle()), -16);
  after->SetTextColor(0);
  EXPECT_EQ(after->GetFont().GetColor(), 0u);

  after->GetFont().SetStyle(kBold);
  EXPECT_EQ(after->GetFont().Weight(), FW_BOLD);
  after->GetFont().SetStyle(kUnderline);
  EXPECT_EQ(after->GetFont().Weight(), 0);
  EXPECT_EQ(after->GetFont().Style(), static_cast<unsigned>(kUnderline));
}

TEST_F(WidgetTest, ControlColoursAnswerWithTheirOwnKeptBrush) {
  Widget* label = CreateLabel(*form, "0");
  label->SetTextColor(0x800000);
  form->GetWindowHandle();
  HDC dc = CreateCompatibleDC(nullptr);
  auto ask = [&] {
    return reinterpret_cast<HBRUSH>(SendMessageW(form->Handle(), WM_CTLCOLORSTATIC,
                                                 reinterpret_cast<WPARAM>(dc),
                                                 reinterpret_cast<LPARAM>(label->Handle())));
  };
  HBRUSH first = ask();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ask(), first);  // kept, not made anew for every paint
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 128));
  EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));  // system colour by default
  LOGBRUSH lb{};
  GetObjectW(first, sizeof(lb), &lb);
  EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));

  label->SetColor(RGB(1, 2, 3));
  HBRUSH second = ask();
  GetObjectW(second, sizeof(lb), &lb);
  EXPECT_EQ(lb.lbColor, RGB(1, 2, 3));
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  DeleteDC(dc);
}

TEST_F(WidgetTest, RightPanelAndClientListAreAlignedAndRealignedOnResize) {
  ListView* list = CreateListView(*form, ListViewStyle::Report,
                                  ListViewOption::MultiSelect | ListViewOption::FullRowSelect);
  list->SetAlign(Align::Client);
  Widget* panel = CreatePanel(*form, PanelEdge::None);
  panel->SetAlign(Align::Right);
  panel->SetWidth(189);
  panel->SetBorder(0);
  Widget* group = CreateGroupBox(*panel, " Текущий архив ");
  group->SetPosition(2, 0).SetSize(183, 115);
  form->SetSize(765, 388);
  form->GetWindowHandle();

  auto check_layout = [&] {
    const int cw = form->ClientWidth();
    const int ch = form->ClientHeight();
    const RECT p = guitest::RectInParent(panel->Handle());
    EXPECT_EQ(p.left, cw - 2 - 189);
    EXPECT_EQ(p.right, cw - 2);
    EXPECT_EQ(p.top, 2);
    EXPECT_EQ(p.bottom, ch - 2);
    const RECT l = guitest::RectInParent(list->Handle());
    EXPECT_EQ(l.left, 2);
    EXPECT_EQ(l.top, 2);
    EXPECT_EQ(l.bottom, ch - 2);
    // Each sits the form's Border inside what is left: two Borders between them.
    EXPECT_EQ(l.right, p.left - 4);
    // The group box inside the panel does not move.
    const RECT g = guitest::RectInParent(group->Handle());
    EXPECT_EQ(g.left, 2);
    EXPECT_EQ(g.right - g.left, 183);
  };
  check_layout();
  const int old_width = form->ClientWidth();
  form->SetSize(900, 500);
  EXPECT_EQ(form->ClientWidth(), old_width + 135);
  check_layout();
  // A resize that does not come from the layer (the user dragging the frame).
  SetWindowPos(form->Handle(), nullptr, 0, 0, 600, 350, SWP_NOMOVE | SWP_NOZORDER);
  check_layout();
  // Hiding the panel gives its room to the list.
  panel->Hide();
  EXPECT_EQ(guitest::RectInParent(list->Handle()).right, form->ClientWidth() - 2);
}

TEST_F(WidgetTest, CyrillicTextsReachTheWindowsAndReadBackExactly) {
  Widget* button = CreateButton(*form, "Распаковать выделенное в...");
  EditBox* edit = CreateEditBox(*form, EditOption::ReadOnly);
  edit->SetText("<не открыт>");
  EXPECT_EQ(edit->GetText(), "<не открыт>");  // kept while there is no window
  form->GetWindowHandle();

  EXPECT_EQ(WindowText(form->Handle()), L"Форма");
  EXPECT_EQ(WindowText(button->Handle()), L"Распаковать выделенное в...");
  EXPECT_EQ(WindowText(edit->Handle()), L"<не открыт>");
  form->SetText("Выберите тип формарования пути");
  EXPECT_EQ(WindowText(form->Handle()), L"Выберите тип формарования пути");
  EXPECT_EQ(form->GetText(), "Выберите тип формарования пути");
  // What the user types is what GetText reads.
  SetWindowTextW(edit->Handle(), L"Ёж ёлка №5");
  EXPECT_EQ(edit->GetText(), "Ёж ёлка №5");
}

TEST_F(WidgetTest, RadioButtonsCheckThemselvesAndUncheckTheirSiblingsOnly) {
  RadioButton* first = CreateRadioButton(*form, "Сформировывать пути из имен файлов");
  RadioButton* second = CreateRadioButton(*form, "Использовать стандартные значения");
  Widget* group = CreateGroupBox(*form, "Другие");
  RadioButton* elsewhere = CreateRadioButton(*group, "Третий");
  CheckBox* check = CreateCheckBox(*form, "Игнорировать пустые файлы");
  check->SetChecked(true);
  std::vector<Widget*> clicked;
  first->OnClick = second->OnClick = [&](Widget& w) { clicked.push_back(&w); };
  form->GetWindowHandle();

  EXPECT_TRUE(first->GetChecked());  // the first of its parent
  EXPECT_FALSE(second->GetChecked());
  EXPECT_TRUE(elsewhere->GetChecked());

  SendMessageW(second->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(first->GetChecked());
  EXPECT_TRUE(second->GetChecked());
  EXPECT_TRUE(elsewhere->GetChecked());
  EXPECT_TRUE(check->GetChecked());
  SendMessageW(second->Handle(), BM_CLICK, 0, 0);  // already checked: stays so
  EXPECT_TRUE(second->GetChecked());
  SendMessageW(first->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(first->GetChecked());
  EXPECT_FALSE(second->GetChecked());
  EXPECT_EQ(clicked, (std::vector<Widget*>{second, second, first}));

  SendMessageW(check->Handle(), BM_CLICK, 0, 0);  // a check box toggles by itself
  EXPECT_FALSE(check->GetChecked());
}

TEST_F(WidgetTest, AButtonDisabledBeforeItsWindowExistsIsMadeDisabled) {
  Widget* button = CreateButton(*form, "Выделить все");
  int clicks = 0;
  button->OnClick = [&](Widget&) { ++clicks; };
  button->SetEnabled(false);
  EXPECT_FALSE(button->Enabled());
  form->GetWindowHandle();
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  button->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(button->Handle()));
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(WidgetTest, MenuItemsRaiseTheirOwnEventOrTheMenusGeneralOne) {
  auto menu = CreateMenuBar(
      {"Файл", "(", "Открыть архив...", "-", "Выход", ")", "О Программе...", "", "после"});
  Menu* bar = menu.get();
  ASSERT_EQ(bar->ItemCount(), 4);  // the empty text ends the template
  std::vector<int> own, general;
  bar->SetItemEvent(1, [&](Menu&, int item) { own.push_back(item); });
  bar->OnMenu = [&](Menu&, int item) { general.push_back(item); };
  form->SetMenu(std::move(menu));
  form->GetWindowHandle();

  HMENU top = GetMenu(form->Handle());
  ASSERT_EQ(top, bar->Handle());
  ASSERT_EQ(GetMenuItemCount(top), 2);
  HMENU file = GetSubMenu(top, 0);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(GetMenuItemCount(file), 3);  // with the separator
  wchar_t text[64];
  GetMenuStringW(file, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Открыть архив...");
  EXPECT_EQ(GetMenuItemID(file, 2), static_cast<UINT>(bar->CommandId(2)));
  GetMenuStringW(top, 1, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"О Программе...");

  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(bar->CommandId(1), 0), 0);
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(bar->CommandId(2), 0), 0);
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(bar->CommandId(3), 0), 0);
  EXPECT_EQ(own, std::vector<int>{1});
  EXPECT_EQ(general, (std::vector<int>{2, 3}));

  // Identifiers come from one counter for all menus.
  auto next = CreateMenuBar({"Один", "Два"});
  EXPECT_EQ(next->FirstCommandId(), bar->FirstCommandId() + 4);
}

TEST_F(WidgetTest, ACaptionLessFixedFormHasADialogFrameAndNoSizingBorder) {
  form->SetSize(320, 66);
  form->SetVisible(false);
  form->SetCaptionPresent(false);
  form->SetResizable(false);
  form->CenterOnParent();
  HWND window = form->Handle();
  ASSERT_NE(window, nullptr);  // made by SetResizable
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, 0u);
  EXPECT_EQ(style & WS_SYSMENU, 0u);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(IsWindowVisible(window));

  const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.left, FloorDiv(sx - 320, 2));
  EXPECT_EQ(r.top, FloorDiv(sy - 66, 2));
  EXPECT_EQ(r.right - r.left, 320);

  // The sizing border answers as a plain border, and dragging cannot resize.
  const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, r.top + 30));
  EXPECT_EQ(hit, HTBORDER);
  MINMAXINFO info{};
  SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 320);
  EXPECT_EQ(info.ptMaxTrackSize.y, 66);

  // A control centres in its parent's client area.
  Widget* label = CreateLabel(*form, "Открываем архив...");
  label->SetSize(100, 20);
  label->CenterOnParent();
  EXPECT_EQ(label->Left(), FloorDiv(form->ClientWidth() - 100, 2));
}

TEST_F(WidgetTest, AClassStyleChangeStaysWithItsFormAndKeepsItsControls) {
  Widget* about = CreateForm(*app, "О Программе...");
  Widget* ok = CreateButton(*about, "Ok");
  about->SetVisible(false);
  app->GetWindowHandle();
  const auto class_style = [](Widget* w) {
    return static_cast<UINT>(GetClassLongPtrW(w->Handle(), GCL_STYLE));
  };
  about->SetClassStyle(about->ClassStyle() | CS_NOCLOSE);
  ASSERT_NE(about->Handle(), nullptr);
  EXPECT_TRUE(class_style(about) & CS_NOCLOSE);
  EXPECT_FALSE(class_style(form) & CS_NOCLOSE);
  EXPECT_FALSE(IsWindowVisible(about->Handle()));
  ASSERT_NE(ok->Handle(), nullptr);
  EXPECT_EQ(GetParent(ok->Handle()), about->Handle());
  EXPECT_EQ(WindowText(ok->Handle()), L"Ok");
}

TEST(AutoFree, ReleasesInReverseOrderAfterTheWindowsAreGone) {
  std::vector<int> order;
  bool window_gone_first = false;
  auto app = CreateApplicationWindow("tarnwick");
  Widget* form = CreateForm(*app, "Main");
  HWND window = form->GetWindowHandle();
  form->AddToAutoFree([&] { order.push_back(1); });
  form->AddToAutoFree(std::make_unique<std::vector<int>>(3, 7));
  form->AddToAutoFree([&] {
    order.push_back(2);
    window_gone_first = !IsWindow(window);
  });
  app.reset();
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  EXPECT_TRUE(window_gone_first);
}
