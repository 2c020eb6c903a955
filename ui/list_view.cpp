#include "ui/list_view.h"

#include <climits>
#include <vector>

#include "io/wide_text.h"

namespace ui {
namespace {

WidgetClass ListViewClass(DWORD listStyle) {
  // The system control's class exists once the common controls are set up.
  static const bool initialised = [] {
    InitCommonControls();
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)initialised;
  return WidgetClass{WidgetRole::Control, WC_LISTVIEWW,
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | listStyle, WS_EX_CLIENTEDGE, 0};
}

}  // namespace

ListView::ListView(Widget& parent, DWORD listStyle, DWORD extendedStyle)
    : Widget(&parent, ListViewClass(listStyle), ""), extendedStyle_(extendedStyle) {
  SetColor(kWindowColor);
}

void ListView::SetColor(Color color) {
  if (Handle()) SendMessageW(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRgb(color)));
  Widget::SetColor(color);  // repaints
}

void ListView::AfterCreate() {
  SetStyle(Style());
  SendMessageW(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0x3FFF, extendedStyle_);
  SendMessageW(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRgb(GetColor())));
}

bool ListView::HandleNotify(NMHDR& header, LRESULT& result) {
  result = 0;
  switch (header.code) {
    case NM_CLICK:
    case NM_RCLICK:
      if (OnClick) OnClick(*this);
      return true;
    default: return false;
  }
}

void ListView::AddColumn(const std::string& header, TextAlign align, int width) {
  std::wstring text = io::WideFromUtf8(header);
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_TEXT;
  column.fmt = static_cast<int>(align);  // LVCFMT_LEFT, _RIGHT, _CENTER
  column.pszText = text.data();
  if (width > 0) {
    column.mask |= LVCF_WIDTH;
    column.cx = width;
  }
  if (SendMessageW(GetWindowHandle(), LVM_INSERTCOLUMNW, columnCount_,
                   reinterpret_cast<LPARAM>(&column)) >= 0) {
    ++columnCount_;
  }
}

int ListView::AddRow(const std::string& text) {
  const std::wstring wide = io::WideFromUtf8(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = INT_MAX;  // past the end: appended, without asking for the count first
  item.pszText = const_cast<wchar_t*>(wide.c_str());
  return static_cast<int>(
      SendMessageW(GetWindowHandle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetCell(int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(GetWindowHandle(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

void ListView::SetCellText(int row, int column, const std::string& text) {
  SetCell(row, column, io::WideFromUtf8(text));
}

void ListView::SetCellText1251(int row, int column, const std::string& text) {
  SetCell(row, column, io::WideFromCp1251(text));
}

std::string ListView::GetCellText(int row, int column) {
  // The control says only how much it copied: a text that fills the buffer may
  // have been cut, so the buffer grows (100, 300, 700, ...) until it does not.
  std::vector<wchar_t> buffer(100);
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto length = static_cast<size_t>(SendMessageW(GetWindowHandle(), LVM_GETITEMTEXTW,
                                                         static_cast<WPARAM>(row),
                                                         reinterpret_cast<LPARAM>(&item)));
    if (length < buffer.size() - 1) return io::Utf8FromWide(buffer.data(), length);
    buffer.resize(buffer.size() * 2 + 100);
  }
}

int ListView::RowCount() {
  return static_cast<int>(SendMessageW(GetWindowHandle(), LVM_GETITEMCOUNT, 0, 0));
}

void ListView::ClearRows() { SendMessageW(GetWindowHandle(), LVM_DELETEALLITEMS, 0, 0); }

UINT ListView::GetRowState(int row) {
  return static_cast<UINT>(
      SendMessageW(GetWindowHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), kRowStates));
}

void ListView::SetRowState(int row, UINT state) {
  LVITEMW item{};
  item.stateMask = kRowStates;
  item.state = state & kRowStates;
  SendMessageW(GetWindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&item));
}

int ListView::NextSelectedRow(int after) {
  return static_cast<int>(SendMessageW(GetWindowHandle(), LVM_GETNEXTITEM,
                                       static_cast<WPARAM>(after), MAKELPARAM(LVNI_SELECTED, 0)));
}

void ListView::BeginUpdate() { SendMessageW(GetWindowHandle(), WM_SETREDRAW, FALSE, 0); }

void ListView::EndUpdate() {
  SendMessageW(GetWindowHandle(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Handle(), nullptr, TRUE);
}

ListView* CreateListView(Widget& parent, DWORD listStyle, DWORD extendedStyle) {
  return parent.AddChild(std::make_unique<ListView>(parent, listStyle, extendedStyle));
}

}  // namespace ui
