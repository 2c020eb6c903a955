// One window with each control of the widget layer, for looking at: run by
// scripts/screenshots under a virtual display. It prints "ready" once painted
// and closes itself after the number of milliseconds given as its argument
// (default 4000).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/controls.h"
#include "ui/font_object.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/message_loop.h"
#include "ui/timer.h"

using namespace ui;

namespace {

constexpr Color kNavy = 0x800000;

void Build(Widget& app) {
  Widget* form = CreateForm(app, "Tarnwick v1.01 (Heroes of Might & Magic IV)");
  form->SetPosition(40, 40).SetSize(765, 388);
  form->SetMenu(
      CreateMenuBar({"Файл", "(", "Открыть архив...", "-", "Выход", ")", "О Программе..."}));

  ListView* list = CreateListView(*form, LVS_REPORT | LVS_SHOWSELALWAYS, LVS_EX_FULLROWSELECT);
  list->SetAlign(Align::Client);
  Panel* side = CreatePanel(*form);
  side->SetAlign(Align::Right);
  side->SetWidth(189);
  side->SetBorder(0);

  GroupBox* actions = CreateGroupBox(*side, " Действия ");
  actions->SetPosition(2, 120).SetSize(183, 217);
  actions->GetFont().SetHeight(-11);
  Label* counter = CreateLabel(*actions, "Выделено:");
  counter->SetPosition(8, 112).SetSize(64, 17);
  counter->GetFont().SetColor(0);
  Label* count = CreateLabel(*actions, "2");
  count->SetPosition(72, 112).SetSize(105, 17);
  count->GetFont().SetColor(kNavy);
  const char* buttons[] = {"Выделить все", "Выделить только сжатые", "Инвертировать выделение",
                           "Выделение по маске..."};
  for (int i = 0; i < 4; ++i) {
    CreateButton(*actions, buttons[i])->SetPosition(8, 16 + 24 * i).SetSize(169, 22);
  }
  CheckBox* skip = CreateCheckBox(*actions, "Игнорировать пустые файлы");
  skip->SetPosition(8, 131).SetSize(169, 22);
  skip->SetChecked(true);
  CreateButton(*actions, "Распаковать выделенное в...")->SetPosition(8, 160).SetSize(169, 22);
  Button* all = CreateButton(*actions, "Распаковать все в...");
  all->SetPosition(8, 184).SetSize(169, 22);
  all->SetEnabled(false);

  GroupBox* archive = CreateGroupBox(*side, " Текущий архив ");
  archive->SetPosition(2, 0).SetSize(183, 115);
  archive->GetFont().SetHeight(-11);
  Label* caption = CreateLabel(*archive, "Архив:");
  caption->SetPosition(8, 24).SetSize(33, 17);
  caption->SetVerticalAlign(VerticalAlign::Center);
  EditBox* name = CreateEditBox(*archive, ES_READONLY);
  name->SetPosition(48, 24).SetSize(129, 22);
  name->GetFont().SetColor(kNavy);
  name->SetText("<не открыт>");
  CreateRadioButton(*archive, "Из имён")->SetPosition(8, 52).SetSize(80, 20);
  CreateRadioButton(*archive, "Пути")->SetPosition(96, 52).SetSize(80, 20);
  Label* total = CreateLabel(*archive, "Всего файлов: 1,234");
  total->SetPosition(8, 80).SetSize(160, 17);

  form->GetWindowHandle();
  list->AddColumn("Имя файла", TextAlign::Left, 160);
  list->AddColumn("Путь", TextAlign::Left, 160);
  list->AddColumn("Размер", TextAlign::Left, 70);
  list->AddColumn("Сжатый", TextAlign::Left, 54);
  // Archive names arrive as code page 1251 bytes.
  const char* names[] = {"cancel.h4r", "\xEA\xED\xEE\xEF\xEA\xE0.bmp", "ok.h4r"};
  list->BeginUpdate();
  for (int i = 0; i < 3; ++i) {
    const int row = list->AddRow("");
    list->SetCellText1251(row, 0, names[i]);
    list->SetCellText(row, 1, "layers\\button\\");
    list->SetCellText(row, 2, std::to_string(1024 * (i + 1)));
    list->SetCellText(row, 3, i == 1 ? "Нет" : "Да");
  }
  list->EndUpdate();
  list->SetRowState(0, LVIS_SELECTED);
  list->SetRowState(2, LVIS_SELECTED);
}

}  // namespace

int main(int argc, char** argv) {
  const int closeAfter = argc > 1 ? std::atoi(argv[1]) : 4000;
  auto app = CreateApplicationWindow("tarnwick");
  Build(*app);
  Timer ready(300);
  ready.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    app->UpdateNow();
    std::printf("ready\n");
    std::fflush(stdout);
  };
  ready.SetEnabled(true);
  Timer quit(closeAfter);
  quit.OnTimer = [&](Timer&) { PostMessageW(app->Child(0).Handle(), WM_CLOSE, 0, 0); };
  quit.SetEnabled(true);
  RunApplication(app);
  return 0;
}
