// The font of a widget (Windows only). Every change is applied to the widget's
// window at once; the font's colour is the widget's text colour.
#pragma once

#include <windows.h>

#include <string>

#include "ui/widget.h"

namespace ui {

enum FontStyle : unsigned { kBold = 1, kUnderline = 4 };

class FontObject {
 public:
  // "MS Sans Serif", system default height and weight, DEFAULT_CHARSET, the
  // owner's text colour.
  explicit FontObject(Widget& owner);
  // A copy of another widget's font, for `owner`.
  FontObject(Widget& owner, const FontObject& source);
  ~FontObject();
  FontObject(const FontObject&) = delete;
  FontObject& operator=(const FontObject&) = delete;

  void SetColor(Color color);
  Color GetColor() const { return color_; }
  // LOGFONT convention: negative is the character height in pixels, 0 the default.
  void SetHeight(int height) { Change(font_.lfHeight, height); }
  void SetStyle(unsigned style);  // FontStyle bits; clearing bold sets the weight to 0
  unsigned Style() const {
    return (font_.lfWeight >= FW_BOLD ? kBold : 0u) | (font_.lfUnderline ? kUnderline : 0u);
  }
  void SetFaceName(const std::string& name);

  HFONT Handle();  // the system font, made on first need

 private:
  friend class Widget;  // the widget's text colour is the font's colour
  template <class F, class V>
  void Change(F& field, V value) {
    field = static_cast<F>(value);
    Apply();
  }
  void Apply();  // a new system font for the owner's window, repainted

  Widget& owner_;
  Color color_;
  LOGFONTW font_{};
  HFONT handle_ = nullptr;
};

}  // namespace ui
