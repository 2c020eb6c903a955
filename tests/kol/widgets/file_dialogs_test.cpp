// The open-file and folder dialogs: scripted answers, and the real system
// dialogs driven from a second thread.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include <windows.h>
// after windows.h
#include <dlgs.h>

#include "kol/widgets/controls.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/message_loop.h"
#include "kol/wide_text.h"
#include "tests/kol/widgets/gui_test_support.h"
#include "tests/support/temp_folder.h"

using namespace kol;

namespace {

void Press(HWND dialog, int button) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

void TypeFileName(HWND dialog, const std::wstring& name) {
  HWND field = GetDlgItem(dialog, cmb13);  // the explorer-style dialog's name box
  if (!field) field = GetDlgItem(dialog, edt1);
  SetWindowTextW(field, name.c_str());
}

void WriteFile(const std::string& path) {
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  CloseHandle(file);
}

std::unique_ptr<OpenFileDialog> ArchiveDialog(HWND owner) {
  auto dialog = CreateOpenFileDialog("", "", {});
  dialog->Filter = "HOM&M IV Archives (*.h4r)|*.h4r";
  dialog->DefaultExtension = "h4r";
  dialog->OwnerWindow = owner;
  return dialog;
}

class DialogTest : public ::testing::Test {
 protected:
  std::unique_ptr<Widget> app = CreateApplicationWindow("tarnwick");
  Widget* form = CreateForm(*app, "Tarnwick");
  testarchive::TempFolder temp;
  std::string folder = temp / "Архивы";

  void SetUp() override {
    form->SetPosition(100, 100).SetSize(400, 300);
    form->GetWindowHandle();
    std::filesystem::create_directory(std::filesystem::path(WideFromUtf8(folder)));
  }
};

}  // namespace

TEST_F(DialogTest, ScriptedAnswersStandInForTheSystemDialogs) {
  auto dialog = ArchiveDialog(form->Handle());
  dialog->FileName = "proposed";
  std::string seen_filter;
  OpenFileDialog::ScriptAnswer([&](const OpenFileDialog& d) {
    seen_filter = d.Filter;
    return std::optional<std::string>(folder + "\\sample.h4r");
  });
  OpenFileDialog::ScriptAnswer([](const OpenFileDialog&) { return std::nullopt; });
  EXPECT_TRUE(dialog->Execute());
  EXPECT_EQ(dialog->FileName, folder + "\\sample.h4r");
  EXPECT_EQ(seen_filter, "HOM&M IV Archives (*.h4r)|*.h4r");
  EXPECT_FALSE(dialog->Execute());
  EXPECT_EQ(dialog->FileName, "");
  EXPECT_EQ(OpenFileDialog::ScriptedAnswersLeft(), 0u);

  auto folders = CreateFolderDialog("Укажите путь для распаковки", {});
  FolderDialog::ScriptAnswer([&](const FolderDialog& d) {
    EXPECT_EQ(d.InitialPath, folder);
    return std::optional<std::string>(d.InitialPath);
  });
  FolderDialog::ScriptAnswer([](const FolderDialog&) { return std::nullopt; });
  folders->InitialPath = folder;
  EXPECT_TRUE(folders->Execute());
  EXPECT_EQ(folders->FolderPath, folder);
  EXPECT_FALSE(folders->Execute());
  EXPECT_EQ(folders->FolderPath, folder);  // a cancel keeps the last choice
}

TEST_F(DialogTest, TheSystemOpenDialogReturnsTheChosenFileOrNothingOnCancel) {
  WriteFile(folder + "\\sample.h4r");
  WriteFile(folder + "\\notes.txt");
  auto dialog = ArchiveDialog(form->Handle());
  dialog->InitialDir = folder;
  dialog->FileName = "proposed";
  {
    guitest::DialogDriver driver([](HWND d) { Press(d, IDCANCEL); });
    EXPECT_FALSE(dialog->Execute());
    EXPECT_TRUE(driver.Found());
  }
  EXPECT_EQ(dialog->FileName, "");
  {
    guitest::DialogDriver driver([](HWND d) {
      TypeFileName(d, L"sample.h4r");
      Press(d, IDOK);
    });
    EXPECT_TRUE(dialog->Execute());
    driver.Wait();
    EXPECT_TRUE(driver.Found());
    EXPECT_FALSE(driver.LeftOpen());
  }
  EXPECT_EQ(dialog->FileName, folder + "\\sample.h4r");
  EXPECT_EQ(dialog->FilterIndex, 1);
}

TEST_F(DialogTest, TheSystemFolderDialogOpensCentredWithTheInitialFolderChosen) {
  // Under Wine the folder must be plain ASCII (its shell cannot parse a
  // Cyrillic folder name and stops at the folder before) and must not be
  // brand new (the tree does not always show a folder made a moment ago), so
  // this is a folder of the system's own.
  wchar_t system_folder[MAX_PATH];
  GetSystemDirectoryW(system_folder, MAX_PATH);
  const std::string unpack = Utf8FromWide(system_folder) + "\\drivers";
  auto dialog = CreateFolderDialog("Укажите путь для распаковки", {});
  dialog->CenterOnScreen = true;
  dialog->OwnerWindow = form->Handle();
  dialog->InitialPath = unpack;
  RECT placed{};
  {
    guitest::DialogDriver driver([&](HWND d) {
      GetWindowRect(d, &placed);
      Press(d, IDOK);
    });
    EXPECT_TRUE(dialog->Execute());
    EXPECT_TRUE(driver.Found());
  }
  EXPECT_EQ(dialog->FolderPath, unpack);
  const int width = placed.right - placed.left, height = placed.bottom - placed.top;
  EXPECT_EQ(placed.left, FloorDiv(GetSystemMetrics(SM_CXSCREEN) - width, 2));
  EXPECT_EQ(placed.top, FloorDiv(GetSystemMetrics(SM_CYSCREEN) - height, 2));

  dialog->InitialPath = temp.Path();
  {
    guitest::DialogDriver driver([](HWND d) { Press(d, IDCANCEL); });
    EXPECT_FALSE(dialog->Execute());
  }
  EXPECT_EQ(dialog->FolderPath, unpack);
}
