#include "ui/font_object.h"

#include <cwchar>

#include "io/wide_text.h"

namespace ui {

FontObject::FontObject(Widget& owner) : owner_(owner), color_(owner.GetTextColor()) {
  font_.lfCharSet = DEFAULT_CHARSET;
  std::wcscpy(font_.lfFaceName, L"MS Sans Serif");
}

FontObject::FontObject(Widget& owner, const FontObject& source)
    : owner_(owner), color_(source.color_), font_(source.font_) {}

FontObject::~FontObject() {
  if (handle_) DeleteObject(handle_);
}

void FontObject::SetColor(Color color) {
  color_ = color;
  owner_.textColor_ = color;
  owner_.Repaint();
}

void FontObject::SetStyle(unsigned style) {
  font_.lfWeight = (style & kBold) ? FW_BOLD : 0;
  font_.lfUnderline = (style & kUnderline) != 0;
  Apply();
}

void FontObject::SetFaceName(const std::string& name) {
  const std::wstring wide = io::WideFromUtf8(name);
  std::wcsncpy(font_.lfFaceName, wide.c_str(), LF_FACESIZE - 1);
  font_.lfFaceName[LF_FACESIZE - 1] = L'\0';
  Apply();
}

HFONT FontObject::Handle() {
  if (!handle_) handle_ = CreateFontIndirectW(&font_);
  return handle_;
}

void FontObject::Apply() {
  HFONT old = handle_;
  handle_ = nullptr;
  if (HWND window = owner_.Handle()) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Handle()), TRUE);
  }
  // The window no longer uses the old font, so it can go now.
  if (old) DeleteObject(old);
}

}  // namespace ui
