// The path formation dialog.
#include "forms/path_mode_dialog.h"

#include <windows.h>

#include <memory>

#include "forms/colors.h"
#include "ui/controls.h"
#include "ui/font_object.h"

using namespace ui;

namespace forms {

using archive::PathMode;

namespace {

constexpr const char* kFromNamesDescription =
    "При распаковке значения пути будут формироваться из имени файла, путем установки "
    "разделителей. Рекомендую использовать именно этот вариант.";
constexpr const char* kFromNamesResult = "layers\\button\\cancel.h4r";
constexpr const char* kStoredDescription =
    "При распаковке будут использоваться стандартные\r\n"
    "значения путей, записанные в архиве. Этот способ не рекомендуется, т.к. папки, "
    "предлагаемые по умолчанию не соответствуют структуре ресурсов. Соседние по смыслу "
    "изображения придется искать в разных (не очень близких) местах.";
constexpr const char* kStoredResult =
    "C_\\Heroes 4\\Assets\\layers\\button\\layers.button.cancel.h4r";

Widget* AddExampleLabel(Widget& group, const std::string& text, int x, int y, int w, Color color) {
  Widget* label = CreateLabel(group, text);
  label->SetPosition(x, y).SetSize(w, 17);
  label->GetFont().SetColor(color);
  return label;
}

}  // namespace

void PathModeDialog::ShowTextsFor(PathMode mode) {
  // The radio buttons are clicked while the dialog is still being built.
  if (!DescriptionBox) return;
  const bool stored = mode == PathMode::Stored;
  DescriptionBox->SetText(stored ? kStoredDescription : kFromNamesDescription);
  if (ResultPathBox) ResultPathBox->SetText(stored ? kStoredResult : kFromNamesResult);
}

PathModeDialog* CreatePathModeDialog(Widget& parent) {
  auto object = std::make_unique<PathModeDialog>();
  PathModeDialog* d = object.get();
  Widget* form = d->Form = CreateForm(parent, "Выберите тип формарования пути");
  form->SetPosition(192, 114).SetSize(351, 329);
  form->AddToAutoFree(std::move(object));
  form->SetVisible(false);
  form->SetStyle(form->Style() & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  DeleteMenu(GetSystemMenu(form->GetWindowHandle(), FALSE), SC_CLOSE, MF_BYCOMMAND);
  form->OnClose = [](Widget&, bool& accept) { accept = false; };

  // The texts follow whichever button the click (mouse or keyboard) left checked.
  auto followChoice = [d](Widget&) {
    d->ShowTextsFor(d->StoredPathsRadio && d->StoredPathsRadio->GetChecked() ? PathMode::Stored
                                                                             : PathMode::FromNames);
  };
  d->FromNamesRadio =
      CreateRadioButton(*form, "Сформировывать пути из имен файлов (рекомендуется)");
  d->FromNamesRadio->SetPosition(8, 8).SetWidth(329);
  d->FromNamesRadio->GetFont().SetHeight(-11);
  d->FromNamesRadio->OnClick = followChoice;
  d->FromNamesRadio->SetChecked(true);
  d->StoredPathsRadio =
      CreateRadioButton(*form, "Использовать стандартные значения пути для файлов");
  d->StoredPathsRadio->SetPosition(8, 32).SetWidth(329);
  d->StoredPathsRadio->GetFont().SetHeight(-11);
  d->StoredPathsRadio->OnClick = followChoice;

  Widget* description = CreateGroupBox(*form, " Описание ");
  description->SetPosition(8, 56).SetSize(329, 209);
  description->GetFont().SetHeight(-11);
  d->DescriptionBox = CreateEditBox(*description, ES_MULTILINE | ES_READONLY);
  d->DescriptionBox->SetPosition(8, 16).SetSize(313, 89);
  d->DescriptionBox->SetColor(kButtonFaceColor);
  d->DescriptionBox->SetText(kFromNamesDescription);
  // A multi-line box keeps Tab for itself; this one only shows a text.
  d->DescriptionBox->SetStyle(d->DescriptionBox->Style() & ~WS_TABSTOP);

  Widget* example = CreateGroupBox(*description, " Пример ");
  example->SetPosition(8, 104).SetSize(313, 97);
  AddExampleLabel(*example, "Имя файла в архиве:", 8, 16, 113, 0);
  AddExampleLabel(*example, "layers.button.cancel.h4r", 120, 16, 185, kNavy);
  AddExampleLabel(*example, "Путь файла в архиве:", 8, 32, 113, 0);
  AddExampleLabel(*example, "C:\\Heroes 4\\Assets\\layers\\button", 120, 32, 185, kNavy);
  AddExampleLabel(*example, "Конечный путь файла при распаковке:", 8, 48, 201, 0);
  d->ResultPathBox = CreateEditBox(*example, ES_READONLY);
  d->ResultPathBox->SetPosition(16, 65).SetWidth(281);
  d->ResultPathBox->SetColor(kWindowColor);
  d->ResultPathBox->GetFont().SetColor(0);
  d->ResultPathBox->SetText(kFromNamesResult);

  d->DoneButton = CreateButton(*form, "Готово");
  d->DoneButton->SetPosition(136, 272);
  d->DoneButton->GetFont().SetHeight(-11);
  d->DoneButton->OnClick = [form](Widget&) { form->SetModalResult(1); };
  form->SetDefaultButton(d->DoneButton);
  return d;
}

PathMode AskPathMode(PathModeDialog& dialog) {
  dialog.Form->ShowModal();
  dialog.Form->Hide();
  return dialog.StoredPathsRadio->GetChecked() ? PathMode::Stored : PathMode::FromNames;
}

}  // namespace forms
