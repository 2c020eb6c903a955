// Where widgets sit: bounds, client area, centring, and the alignment of
// children along their parent's edges.
#include <algorithm>

#include "ui/widget.h"

namespace ui {

Widget& Widget::SetPosition(int x, int y) {
  SetBounds(x, y, width_, height_);
  return *this;
}

Widget& Widget::SetSize(int width, int height) {
  SetBounds(left_, top_, width > 0 ? width : width_, height > 0 ? height : height_);
  return *this;
}

Widget& Widget::SetAlign(Align align) {
  align_ = align;
  if (parent_) parent_->Realign();
  return *this;
}

void Widget::SetBorder(int border) {
  border_ = border;
  Realign();
}

void Widget::SetBounds(int x, int y, int w, int h) {
  if (x == left_ && y == top_ && w == width_ && h == height_) return;
  const bool resized = w != width_ || h != height_;
  left_ = x;
  top_ = y;
  width_ = w;
  height_ = h;
  if (handle_) {
    SetWindowPos(handle_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);  // WM_SIZE realigns
  } else if (resized) {
    Realign();
  }
}

void Widget::ReadBoundsFromWindow() {
  if (!handle_ || IsIconic(handle_)) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

RECT Widget::ClientRect() {
  RECT r{0, 0, width_, height_};
  if (handle_) GetClientRect(handle_, &r);
  return r;
}

int Widget::ClientWidth() { return ClientRect().right; }
int Widget::ClientHeight() { return ClientRect().bottom; }

void Widget::CenterOnParent() {
  int areaWidth = GetSystemMetrics(SM_CXSCREEN);
  int areaHeight = GetSystemMetrics(SM_CYSCREEN);
  if (IsControl() && parent_) {
    areaWidth = parent_->ClientWidth();
    areaHeight = parent_->ClientHeight();
  }
  SetPosition(FloorDiv(areaWidth - width_, 2), FloorDiv(areaHeight - height_, 2));
}

// Top and bottom children first, then left and right, then client, each group
// in creation order; every child sits the parent's Border inside what is left,
// and takes that margin on both of its sides with it, so neighbours are two
// Borders apart.
void Widget::Realign() {
  RECT r = ClientRect();
  const int b = border_;
  auto place = [&](bool (*inGroup)(Align)) {
    for (const auto& child : children_) {
      Widget& c = *child;
      if (!inGroup(c.align_) || !c.Visible()) continue;
      const int w = std::max(0, static_cast<int>(r.right - r.left) - 2 * b);
      const int h = std::max(0, static_cast<int>(r.bottom - r.top) - 2 * b);
      switch (c.align_) {
        case Align::Top:
          c.SetBounds(r.left + b, r.top + b, w, c.height_);
          r.top += c.height_ + 2 * b;
          break;
        case Align::Bottom:
          c.SetBounds(r.left + b, r.bottom - b - c.height_, w, c.height_);
          r.bottom -= c.height_ + 2 * b;
          break;
        case Align::Left:
          c.SetBounds(r.left + b, r.top + b, c.width_, h);
          r.left += c.width_ + 2 * b;
          break;
        case Align::Right:
          c.SetBounds(r.right - b - c.width_, r.top + b, c.width_, h);
          r.right -= c.width_ + 2 * b;
          break;
        case Align::Client: c.SetBounds(r.left + b, r.top + b, w, h); break;
        case Align::None: break;
      }
    }
  };
  place([](Align a) { return a == Align::Top || a == Align::Bottom; });
  place([](Align a) { return a == Align::Left || a == Align::Right; });
  place([](Align a) { return a == Align::Client; });
}

}  // namespace ui
