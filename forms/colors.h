// Colours the program's windows share (Windows only).
#pragma once

#include "ui/widget.h"

namespace forms {

// Text colour of values: the panel's counts, the archive name, the path
// dialog's example and the About box's entries.
inline constexpr ui::Color kNavy = 0x800000;

}  // namespace forms
