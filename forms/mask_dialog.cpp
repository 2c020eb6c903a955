// The select-by-mask dialog and the command that runs it.
#include "forms/mask_dialog.h"

#include <windows.h>

#include <optional>
#include <string>

#include "io/text_encoding.h"
#include "selection/desktop/selection_commands.h"
#include "selection/mask_match.h"
#include "ui/controls.h"
#include "ui/font_object.h"

using namespace ui;

namespace forms {

namespace {

template <class W>
W* Small(W* widget) {
  widget->GetFont().SetHeight(-11);
  return widget;
}

CheckBox* AddCheckBox(Widget& form, const std::string& text, int y) {
  CheckBox* box = Small(CreateCheckBox(form, text));
  box->SetPosition(8, y).SetSize(201, 22);
  return box;
}

Button* AddButton(Widget& form, const std::string& text, int y, int result) {
  Button* button = Small(CreateButton(form, text));
  button->SetPosition(216, y).SetSize(64, 22);
  // The command that showed the dialog hides it.
  button->OnClick = [&form, result](Widget&) { form.SetModalResult(result); };
  return button;
}

}  // namespace

MaskDialog* CreateMaskDialog(Widget& parent) {
  auto object = std::make_unique<MaskDialog>();
  MaskDialog* d = object.get();
  Widget* form = d->Form = CreateForm(parent, "Выделение по маске");
  form->SetPosition(192, 107).SetSize(293, 158);
  form->AddToAutoFree(std::move(object));
  form->SetVisible(false);
  form->SetStyle(form->Style() & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  DeleteMenu(GetSystemMenu(form->GetWindowHandle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
  form->OnClose = [](Widget&, bool& accept) { accept = false; };
  // A close request (Alt+F4, Esc) is "Отмена": the modal show would otherwise
  // end with a result that reads as "Выделить".
  form->AttachHandler([](Widget& self, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_CLOSE) return false;
    if (self.ShownModally()) self.SetModalResult(2);
    result = 0;
    return true;
  });

  d->ButtonGuardTimer = form->AddToAutoFree(CreateTimer(50));
  d->ButtonGuardTimer->OnTimer = [d](Timer&) {
    const bool hasMask = !d->MaskEdit->GetText().empty();
    if (d->SelectButton->Enabled() != hasMask) d->SelectButton->SetEnabled(hasMask);
  };

  Widget* prompt = Small(CreateLabel(*form, "Выделить строки, содержащие подстроку:"));
  prompt->SetPosition(8, 8).SetSize(273, 22);
  prompt->GetFont().SetColor(0);

  d->MaskEdit = Small(CreateEditBox(*form, 0));
  d->MaskEdit->SetPosition(8, 32).SetSize(273, 22);
  d->MaskEdit->SetColor(kWindowColor);
  d->MaskEdit->GetFont().SetColor(0);

  d->SearchNameBox = AddCheckBox(*form, "Искать в значении Имени", 56);
  d->SearchNameBox->SetChecked(true);
  d->SearchPathBox = AddCheckBox(*form, "Искать в значении Пути", 80);
  d->SelectButton = AddButton(*form, "Выделить", 80, 1);
  d->SelectButton->SetEnabled(false);  // the edit starts empty
  d->CancelButton = AddButton(*form, "Отмена", 104, 2);
  d->IgnoreCaseBox = AddCheckBox(*form, "Игнорировать регистр", 104);
  d->IgnoreCaseBox->SetChecked(true);
  form->SetDefaultButton(d->SelectButton);
  form->SetCancelButton(d->CancelButton);

  d->ButtonGuardTimer->SetEnabled(true);
  form->CenterOnParent();
  return d;
}

void SelectByMask(MaskDialog& d, ListView& list, const archive::EntryTable& table,
                  Widget& countLabel) {
  const std::string before = d.MaskEdit->GetText();
  const int result = d.Form->ShowModal();
  d.Form->Hide();
  if (result == 2) {
    d.MaskEdit->SetText(before);
    return;
  }
  selection::MaskOptions options;
  options.ByName = d.SearchNameBox->GetChecked();
  options.ByPath = d.SearchPathBox->GetChecked();
  options.IgnoreCase = d.IgnoreCaseBox->GetChecked();
  // Names and paths are code page 1251; a character that page lacks is in no name.
  if (std::optional<std::string> mask = io::Cp1251FromUtf8(d.MaskEdit->GetText())) {
    selection::SelectMatchingRows(list, table, selection::MaskMatcher(*mask, options));
  }
  selection::RefreshSelectedCount(list, countLabel);
}

}  // namespace forms
