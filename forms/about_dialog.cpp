// The About box.
#include "forms/about_dialog.h"

#include <windows.h>

#include <algorithm>

#include "forms/colors.h"
#include "ui/controls.h"
#include "ui/file_dialogs.h"
#include "ui/font_object.h"

using namespace ui;

namespace forms {

namespace {

constexpr Color kGreen = 0x008000;
constexpr Color kBlue = 0xFF0000;

Widget* g_box = nullptr;
Label* g_title = nullptr;
Label* g_date = nullptr;
Label* g_author = nullptr;
Label* g_email = nullptr;
Label* g_web = nullptr;

Label* AddLabel(Widget& box, const std::string& text, int x, int y, int width) {
  Label* label = CreateLabel(box, text);
  label->SetPosition(x, y).SetSize(width, 22);
  label->GetFont().SetHeight(-11);
  return label;
}

Label* AddRow(Widget& box, const std::string& caption, int y) {
  AddLabel(box, caption, 2, y, 40);
  Label* value = AddLabel(box, "", 42, y, 200);
  value->GetFont().SetColor(kNavy);
  return value;
}

void MakeLink(Widget& label, const std::string& prefix) {
  label.SetHeight(17);
  // The label's text as it is at the click: the box may have been given new
  // texts, and a label not drawn as a link holds no address.
  label.OnClick = [prefix](Widget& sender) {
    if (!(sender.GetFont().Style() & kUnderline)) return;
    ShellOpen(g_box ? g_box->Handle() : nullptr, prefix + sender.GetText());
  };
  label.GetFont().SetColor(kBlue);
  label.GetFont().SetStyle(kUnderline);
  label.SetCursor(LoadCursorW(nullptr, IDC_HAND));
}

// An address, drawn as a link; no address is said in words, as a plain value.
void SetAddress(Widget& label, const std::string& address) {
  const bool link = !address.empty();
  label.SetText(link ? address : "нет");
  label.GetFont().SetColor(link ? kBlue : kNavy);
  label.GetFont().SetStyle(link ? unsigned{kUnderline} : 0u);
  label.SetCursor(LoadCursorW(nullptr, link ? IDC_HAND : IDC_ARROW));
}

// Over the middle of the main window's client area, and inside it wherever it fits.
void PlaceOverMainWindow() {
  HWND main = GetWindow(g_box->Handle(), GW_OWNER);
  if (!main) return;
  RECT client;
  GetClientRect(main, &client);
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  const int x = origin.x + std::max(0, (static_cast<int>(client.right) - g_box->Width()) / 2);
  const int y = origin.y + std::max(0, (static_cast<int>(client.bottom) - g_box->Height()) / 2);
  g_box->SetPosition(x, y);
}

}  // namespace

Widget* AboutBox() { return g_box; }
Widget* AboutEmailLabel() { return g_email; }
Widget* AboutWebLabel() { return g_web; }

void CreateAboutBox(Widget& mainForm) {
  if (g_box) return;
  // An owned pop-up rather than a child of the main window: the modal show
  // disables the main window, and a child of it would be disabled with it.
  Widget* box = CreateForm(mainForm, "О Программе...");
  box->AddToAutoFree([box] {
    if (g_box == box) g_box = g_title = g_date = g_author = g_email = g_web = nullptr;
  });
  box->SetVisible(false);
  box->SetSize(240, 150);
  box->CenterOnParent();
  box->SetClassStyle(box->ClassStyle() | CS_NOCLOSE);
  box->SetStyle(box->Style() & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  box->SetCaptionPresent(false);

  g_title = CreateLabel(*box, "");
  g_title->SetAlign(Align::Top);
  g_title->SetHeight(22);
  FontObject& titleFont = g_title->GetFont();
  titleFont.SetHeight(-14);
  titleFont.SetColor(kGreen);
  titleFont.SetStyle(kBold);
  g_title->SetTextAlign(TextAlign::Center);
  g_title->SetVerticalAlign(VerticalAlign::Center);

  g_date = AddRow(*box, "Дата:", 26);
  g_author = AddRow(*box, "Автор:", 48);
  g_email = AddRow(*box, "E-mail:", 70);
  MakeLink(*g_email, "mailto:");
  g_web = AddRow(*box, "Web:", 92);
  MakeLink(*g_web, "");

  Widget* ok = CreateButton(*box, "Ok");
  ok->GetFont().SetHeight(-11);
  ok->OnClick = [box](Widget&) {
    box->SetModalResult(1);
    box->Hide();
  };
  box->SetDefaultButton(ok);
  box->GetWindowHandle();  // the client size is the window's, frame taken off
  ok->SetTop(box->ClientHeight() - ok->Height() - 8);
  ok->SetLeft(box->ClientWidth() / 2 - ok->Width() / 2);
  g_box = box;
}

void ShowAboutBox(const std::string& title, const std::string& date, const std::string& author,
                  const std::string& email, const std::string& web) {
  if (!g_box) return;
  g_title->SetText(title);
  g_date->SetText(date);
  g_author->SetText(author);
  SetAddress(*g_email, email);
  SetAddress(*g_web, web);
  PlaceOverMainWindow();
  g_box->ShowModal();
  g_box->Hide();
}

}  // namespace forms
