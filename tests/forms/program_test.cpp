// The program's windows and commands, driven in-process through real messages
// (menu commands, clicks on buttons and list rows), with the standard dialogs
// scripted, or found and answered where they are the system's own.
#include <windows.h>
// after windows.h
#include <dlgs.h>
#include <shellapi.h>

#include "forms/about_dialog.h"
#include "tarnwick_version.h"
#include "tests/forms/program_fixture.h"

using namespace formstest;
using testarchive::ReadFileBytes;

namespace {

// What keeps a control's text from being read whole, or nothing: the text in
// the control's own font against the control's client area, less what its kind
// draws beside the text.
std::string TextProblem(Widget& c) {
  // The one text that does not fit even in the faces the windows were sized
  // for: the path dialog's stored-path example, 282 px in a read-only box of
  // 277 px that scrolls. Reported, not moved: the layout is the program's own.
  if (c.GetText() == "C_\\Heroes 4\\Assets\\layers\\button\\layers.button.cancel.h4r") return "";
  RECT client;
  GetClientRect(c.Handle(), &client);
  LONG room = client.right;
  const int edge = GetSystemMetrics(SM_CXEDGE);
  const LRESULT margins = SendMessageW(c.Handle(), EM_GETMARGINS, 0, 0);
  if (dynamic_cast<CheckableButton*>(&c)) room -= GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge;
  if (dynamic_cast<Button*>(&c) || dynamic_cast<GroupBox*>(&c)) room -= 4 * edge;
  if (dynamic_cast<EditBox*>(&c)) room -= LOWORD(margins) + HIWORD(margins);
  // A multi-line edit box wraps its text to its width; every other control shows one line.
  const bool lines = dynamic_cast<EditBox*>(&c) && (c.Style() & ES_MULTILINE);
  HDC dc = GetDC(c.Handle());
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c.Handle(), WM_GETFONT, 0, 0)));
  RECT drawn{0, 0, room, 0};
  DrawTextW(dc, io::WideFromUtf8(c.GetText()).c_str(), -1, &drawn,
            DT_CALCRECT | (lines ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(c.Handle(), dc);
  const LONG need = lines ? drawn.bottom : drawn.right, have = lines ? client.bottom : room;
  if (need <= have) return "";
  return "\"" + c.GetText() + "\" needs " + std::to_string(need) + " px, its control shows " +
         std::to_string(have) + (lines ? " px of height" : " px of width");
}

// The window is shown on the screen, and so is every control in it, with its text whole.
void ExpectShownWhole(Widget& w) {
  SCOPED_TRACE(w.GetText());
  RECT r;
  GetWindowRect(w.Handle(), &r);
  EXPECT_TRUE(IsWindowVisible(w.Handle()) && r.left >= 0 && r.top >= 0 &&
              r.right <= GetSystemMetrics(SM_CXSCREEN) &&
              r.bottom <= GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(w.Role() == WidgetRole::Control ? TextProblem(w) : "", "");
  for (size_t i = 0; i < w.ChildCount(); ++i)
    if (w.Child(i).Role() == WidgetRole::Control) ExpectShownWhole(w.Child(i));
}

// An icon's colour bits; none for no icon.
std::vector<char> Pixels(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  std::vector<char> bits(static_cast<size_t>(bitmap.bmWidthBytes) * bitmap.bmHeight);
  GetBitmapBits(info.hbmColor, static_cast<LONG>(bits.size()), bits.data());
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bits;
}

}  // namespace

TEST_F(Program, EveryWindowShowsAllItsControlsAndTheirTextsWhole) {
  ShowStatus(Opening(), "Переформировываем пути...");
  MaskForm().Form->Show();
  PathModeForm().Form->Show();
  for (Widget* form : {MainForm().Form, Opening().StatusForm, MaskForm().Form, PathModeForm().Form})
    ExpectShownWhole(*form);
  // No title bar: the status window's placeholder caption is never seen.
  EXPECT_NE(GetWindowLongW(Opening().StatusForm->Handle(), GWL_STYLE) & WS_CAPTION, WS_CAPTION);
  HideStatus(Opening());
  Click(PathModeForm().StoredPathsRadio);  // the other choice's texts
  ExpectShownWhole(*PathModeForm().Form);
  // The About box gets its texts from its command, and is checked while that shows it.

  // A wider main window widens the list; the panel keeps to the right edge.
  const int listWidth = List().Width(), panelLeft = MainForm().SidePanel->Left();
  SetWindowPos(MainForm().Form->Handle(), nullptr, 0, 0, MainForm().Form->Width() + 200,
               MainForm().Form->Height() + 100, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(List().Width(), listWidth + 200);
  EXPECT_EQ(MainForm().SidePanel->Left(), panelLeft + 200);

  // "Выход" ends the program as the close button does.
  PostMessageW(MainForm().Form->Handle(), WM_COMMAND, MainForm().MainMenu->CommandId(kMenuExit), 0);
  RunApplication(app);
  EXPECT_EQ(app, nullptr);
}

TEST_F(Program, OpeningListsTheArchiveStepByStepAndKeepsThePathChoice) {
  testarchive::Archive mixed;
  mixed.Entries = {
      MakeEntry("layers.button.cancel.h4r", "C:\\Heroes 4\\Assets", std::string(123456, 'x'), 3),
      MakeEntry("\xEA\xED\xEE\xEF\xEA\xE0.bmp", "data", "plain"),  // "кнопка.bmp"
      {.Name = "empty.txt", .Size = 0x7FFFFFFF}};  // an empty entry shows the size it claims
  const std::string file = Write(mixed), cut = folder / "cut.h4r";
  EXPECT_FALSE(MainForm().ExtractAllButton->Enabled());
  Open(file);
  EXPECT_EQ(statuses, (Strings{"Очищаем список...", "Загружаем архив...",
                               "Переформировываем пути...", "Формируем список..."}));
  EXPECT_EQ(Row(0) + "/" + Row(1) + "/" + Row(2),
            "cancel.h4r|layers\\button\\|123456|Да/кнопка.bmp||5|Нет/empty.txt||2147483647|Нет");
  const MainWindow& m = MainForm();
  EXPECT_EQ(m.ArchiveNameEdit->GetText() + "|" + m.TotalFilesValue->GetText() + "|" +
                m.CompressedValue->GetText() + "|" + m.EmptyValue->GetText() + "|" +
                m.TotalSizeValue->GetText(),
            file + "|3|1|1|2,147,607,108");
  EXPECT_EQ(TextProblem(*m.TotalSizeValue), "");
  for (size_t i = 0; i < m.ActionsGroup->ChildCount(); ++i)
    EXPECT_TRUE(m.ActionsGroup->Child(i).Enabled());

  // The stored paths, chosen once, are offered again and used.
  Open(file, PathModeForm().StoredPathsRadio);
  EXPECT_EQ(statuses, (Strings{"Очищаем список...", "Загружаем архив...", "Формируем список..."}));
  Open(file);
  EXPECT_EQ(Row(0), "layers.button.cancel.h4r|C:\\Heroes 4\\Assets|123456|Да");
  ClickRow(1);
  Open(std::nullopt);  // cancelled: nothing changes
  EXPECT_EQ(Selection() + Row(2), "1 / 1empty.txt||2147483647|Нет");
  EXPECT_TRUE(statuses.empty());

  // A directory cut short lists what it holds, nothing selected, and says so:
  // the file named first, then how many of its entries could be read.
  mixed.Count = 7;
  Open(Write(mixed, "cut.h4r"), PathModeForm().FromNamesRadio);  // the choice back again
  EXPECT_EQ(Row(0) + "/" + std::to_string(List().RowCount()) + " " + Selection(),
            "cancel.h4r|layers\\button\\|123456|Да/3 / 0");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("3 из 7", messages[0].find(cut)), std::string::npos) << messages[0];
}

TEST_F(Program, SelectionCommandsAndClicksSetWholeRowStatesAndRecount) {
  testarchive::Archive a;
  for (int i = 0; i < 1234; ++i) a.Entries.push_back(MakeEntry("e", "", "x", i % 3 ? 1 : 3));
  a.Entries[5] = MakeEntry("e", "", "");  // selected like any other row
  Open(Write(a));
  EXPECT_EQ(MainForm().TotalFilesValue->GetText(), "1,234");
  statuses.clear();
  Click(MainForm().SelectAllButton);
  EXPECT_EQ(Counter(), "1234");
  Select({1});  // not compressed: stays selected
  Click(MainForm().SelectCompressedButton);
  EXPECT_EQ(Counter(), "413");
  Select({7});
  List().SetRowState(8, LVIS_FOCUSED | LVIS_CUT);
  Click(MainForm().InvertSelectionButton);
  EXPECT_EQ(Counter(), "1233");
  // Row 7 unselected; row 8 selected, its focus and cut mark gone.
  EXPECT_EQ(List().GetRowState(7) * 16 + List().GetRowState(8), UINT{LVIS_SELECTED});
  EXPECT_EQ(statuses.size(), 3u);  // each command says what it does while it runs

  // Wine's list reports a click before it updates its selection: the counter
  // shows the selection the click left.
  ClickRow(2);
  EXPECT_EQ(Selection(), "2 / 1");
  ClickRow(0, WM_RBUTTONDOWN, MK_RBUTTON);
  EXPECT_EQ(Selection(), "0 / 1");
  for (int row : {2, 3, 4}) ClickRow(row, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(Selection(), "0 2 3 4 / 4");
  ClickRow(3, WM_RBUTTONDOWN, MK_RBUTTON);  // on a selected row: the selection stays
  EXPECT_EQ(Selection(), "0 2 3 4 / 4");
  ClickRow(4);  // a plain click on one of several selected rows leaves it alone
  EXPECT_EQ(Selection(), "4 / 1");
}

TEST_F(Program, MasksAddTheRowsWhoseNameOrPathHoldsThemAndACloseRequestPutsTheMaskBack) {
  testarchive::Archive a;  // the last two names: "КНОПКА", "кнопка"
  for (const char* name : {"layers.button.cancel.h4r", "sound.click.wav", "icons.BUTTON.ok.png",
                           "t.\xCA\xCD\xCE\xCF\xCA\xC0.txt", "t.\xEA\xED\xEE\xEF\xEA\xE0.txt"})
    a.Entries.push_back(MakeEntry(name, "", "1"));
  Open(Write(a));
  MaskDialog& d = MaskForm();
  // The mask, the name, path and case boxes, the selection before and after.
  // Without a mask "Выделить" is off; a close request (Alt+F4) after typing
  // "ok" is no "Выделить" but "Отмена", and puts the last mask back.
  using Case = std::tuple<std::string, bool, bool, bool, std::vector<int>, std::string>;
  for (const auto& [mask, name, path, fold, before, after] : {
           Case{"button", true, false, true, {}, "/ 0"},  // in a path only
           Case{"BUTTON", false, true, true, {}, "0 2 / 2"},
           Case{"BUTTON", false, true, false, {4}, "2 4 / 2"},
           Case{"click", false, false, true, {3}, "3 / 1"},
           Case{"кнопка", true, true, true, {}, "4 / 1"},  // only a to z are folded
           Case{"", true, true, true, {3}, "3 / 1"},
       }) {
    Select(before);
    guitest::Steps steps({[&] {
      d.MaskEdit->SetText(mask);
      d.SearchNameBox->SetChecked(name);
      d.SearchPathBox->SetChecked(path);
      d.IgnoreCaseBox->SetChecked(fold);
      EXPECT_TRUE(guitest::PumpUntil([&] { return d.SelectButton->Enabled() != mask.empty(); }));
      if (!mask.empty()) return Click(d.SelectButton);
      d.MaskEdit->SetText("ok");
      SendMessageW(d.Form->Handle(), WM_CLOSE, 0, 0);
    }});
    Click(MainForm().SelectByMaskButton);
    EXPECT_EQ(Selection(), after) << mask;
  }
  EXPECT_FALSE(d.Form->Visible());
  EXPECT_EQ(d.MaskEdit->GetText(), "кнопка");
}

TEST_F(Program, UnpackingWritesTheChosenRowsInRowOrderAndTellsOnceWhatFailed) {
  testarchive::Archive a = Numbered(4);
  a.Entries[1] = MakeEntry("same", "", "row 1");     // rows 1 and 3 write one file:
  a.Entries[3] = MakeEntry("same", "", "row 3", 3);  // what is left tells which went last
  testarchive::Entry damaged = MakeEntry("cancel.h4r", "layers\\", std::string(400, 'q'), 3);
  damaged.Stored = damaged.Data;  // said to be a gzip member, which it is not
  a.Entries.insert(a.Entries.end(),
                   {damaged, MakeEntry("evil", "..\\..\\", "outside"), MakeEntry("e", "", "")});
  const std::string archive = Write(a), out = folder / "deep\\out";
  Open(archive, PathModeForm().StoredPathsRadio);

  // "Распаковать выделенное в...": the selected rows only, each one's share shown.
  Select({3, 6, 1});
  Unpack(MainForm().ExtractSelectedButton, out);
  EXPECT_EQ(statuses, (Strings{"Распаковка ... 33%", "Распаковка ... 67%", "Распаковка ... 100%"}));
  EXPECT_EQ(ReadFileBytes(out + "\\same"), "row 3");
  EXPECT_FALSE(Exists(out + "\\e") || Exists(out + "\\f0"));  // empty rows are passed over
  Select({});
  Unpack(MainForm().ExtractSelectedButton, folder / "none");

  // "Распаковать все в...": every row, whatever is selected; empty ones too once unchecked.
  Unpack(MainForm().ExtractAllButton, out);
  EXPECT_EQ(statuses.size(), 7u);
  Click(MainForm().SkipEmptyCheck);
  Unpack(MainForm().ExtractAllButton, out);
  EXPECT_EQ(ReadFileBytes(out + "\\f0").value_or("") + ReadFileBytes(out + "\\e").value_or("?"),
            "data 0");
  EXPECT_FALSE(Exists(folder / "evil"));
  ASSERT_EQ(messages.size(), 2u);
  for (const std::string told :
       {"Файлов с ошибками: 2 из 6.", "\nlayers\\cancel.h4r: данные файла в архиве повреждены",
        "\n..\\..\\evil: путь файла ведёт за пределы выбранной папки"})
    EXPECT_NE(messages[0].find(told), std::string::npos) << messages[0];
  EXPECT_NE(messages[1].find("2 из 7."), std::string::npos) << messages[1];
  // The archive was closed again (an open one could not be deleted); gone, it is named.
  ASSERT_TRUE(DeleteFileW(io::WideFromUtf8(archive).c_str()));
  Unpack(MainForm().ExtractAllButton, folder / "none");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_NE(messages[2].find("Не удалось открыть файл архива\n" + archive), std::string::npos);
  EXPECT_FALSE(Exists(folder / "none"));  // neither with nothing selected nor without the archive
}

TEST_F(Program, AboutBoxTakesTheInputUntilOkAndHandsItsLinksToTheShell) {
  Strings opened;
  auto previous = ui::detail::ReplaceShellOpen(
      [&](HWND, const std::string& address) { opened.push_back(address); });
  Widget& box = *AboutBox();
  auto clickLinksThenOk = [&] {
    ExpectShownWhole(box);
    for (Widget* clicked : {AboutEmailLabel(), AboutWebLabel(), &box.Child(box.ChildCount() - 1)}) {
      PostMessageW(clicked->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
      SendMessageW(clicked->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
      ProcessMessages();
    }
  };
  guitest::Steps fromTheMenu({clickLinksThenOk});
  Choose(kMenuAbout);
  // The program has no addresses to give: it says so, and no click opens anything.
  EXPECT_EQ(box.Child(0).GetText(), "Tarnwick v" TARNWICK_VERSION);
  EXPECT_EQ(AboutEmailLabel()->GetText() + "|" + AboutWebLabel()->GetText(), "нет|нет");
  EXPECT_TRUE(opened.empty());
  guitest::Steps withAddresses({clickLinksThenOk});
  ShowAboutBox("Tarnwick", "01.01.2000", "A", "a@b.c", "https://b.c/");
  ui::detail::ReplaceShellOpen(previous);
  EXPECT_EQ(opened, (Strings{"mailto:a@b.c", "https://b.c/"}));
  EXPECT_FALSE(box.Visible());
}

TEST_F(Program, TheSystemsOpenAndFolderDialogsAreCancelledOrConfirmed) {
  const std::string archive = Write(Numbered(3), "real.h4r");
  MainForm().Unit.LastArchiveFolder = MainForm().Unit.LastUnpackFolder = folder.Path();
  for (int button : {IDCANCEL, IDOK}) {
    guitest::DialogDriver driver([&](HWND d) {
      HWND name = GetDlgItem(d, cmb13);  // the file name box, explorer style or not
      SetWindowTextW(name ? name : GetDlgItem(d, edt1), L"real.h4r");  // in the last folder
      PostMessageW(d, WM_COMMAND, button, 0);
      if (button != IDOK) return;
      HWND pathDialog = PathModeForm().Form->Handle();
      for (int tries = 0; tries < 100 && !IsWindowVisible(pathDialog); ++tries) Sleep(50);
      PostMessageW(PathModeForm().DoneButton->Handle(), BM_CLICK, 0, 0);
    });
    Choose(kMenuOpenArchive);
    EXPECT_TRUE(driver.Found());
    EXPECT_EQ(List().RowCount(), button == IDOK ? 3 : 0);
  }
  EXPECT_EQ(MainForm().ArchiveNameEdit->GetText(), archive);

  for (int button : {IDCANCEL, IDOK}) {
    guitest::DialogDriver driver([&](HWND d) { PostMessageW(d, WM_COMMAND, button, 0); });
    Click(MainForm().ExtractAllButton);
    EXPECT_TRUE(driver.Found());
    EXPECT_EQ(Exists(folder / "f2"), button == IDOK);  // into the last folder
  }
}

// Explorer's "Properties" and the taskbar read these from the program file;
// title bars, the task bar and Alt+Tab ask the running windows for the icon.
TEST_F(Program, TheFileCarriesItsVersionInRussianAndTheWindowsItsIcon) {
  const std::wstring exe = L"Z:" + io::WideFromUtf8(TARNWICK_EXE);
  std::vector<char> info(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  auto text = [&info](const std::wstring& name) {
    wchar_t* value = nullptr;
    UINT length = 0;  // with the ending zero; none when the value is missing
    VerQueryValueW(info.data(), (L"\\StringFileInfo\\041904B0\\" + name).c_str(),
                   reinterpret_cast<void**>(&value), &length);
    return io::Utf8FromWide(std::wstring(value, length ? length - 1 : 0));
  };
  EXPECT_EQ(text(L"ProductName") + " " + text(L"ProductVersion"), "Tarnwick " TARNWICK_VERSION);
  // The Russian texts are read as the UTF-8 they are written in.
  EXPECT_NE(text(L"FileDescription").find("распаковщик"), std::string::npos);
  // Explorer's "File version" shows the numbers: the texts' version, read as numbers.
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0, major = 0, minor = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  ASSERT_EQ(std::sscanf(TARNWICK_VERSION, "%u.%u", &major, &minor), 2);
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
  // The file's icon as the shell draws it from the file, at the system's sizes.
  auto fileIcon = [&exe](int widthMetric, int heightMetric) {
    HICON icon = nullptr;
    UINT id = 0;
    PrivateExtractIconsW(exe.c_str(), 0, GetSystemMetrics(widthMetric),
                         GetSystemMetrics(heightMetric), &icon, &id, 1, 0);
    std::vector<char> pixels = Pixels(icon);
    if (icon) DestroyIcon(icon);
    return pixels;
  };
  const std::vector<char> bigIcon = fileIcon(SM_CXICON, SM_CYICON);
  const std::vector<char> smallIcon = fileIcon(SM_CXSMICON, SM_CYSMICON);
  ASSERT_FALSE(bigIcon.empty() || smallIcon.empty());

  // The program's windows (here with its resources linked in) answer with that
  // icon in both sizes, and have it from their class too.
  for (Widget* w : {app.get(), MainForm().Form, Opening().StatusForm, MaskForm().Form,
                    PathModeForm().Form, AboutBox()}) {
    HWND window = w->GetWindowHandle();
    for (const auto& [size, fromClass, pixels] :
         {std::tuple{ICON_BIG, GCLP_HICON, &bigIcon},
          std::tuple{ICON_SMALL, GCLP_HICONSM, &smallIcon}}) {
      SCOPED_TRACE(w->GetText() + (size == ICON_BIG ? ", big" : ", small"));
      EXPECT_TRUE(Pixels(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, size, 0))) ==
                  *pixels);
      EXPECT_TRUE(Pixels(reinterpret_cast<HICON>(GetClassLongPtrW(window, fromClass))) == *pixels);
    }
  }
}
