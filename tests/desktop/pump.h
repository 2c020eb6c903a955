// Taking messages in a test until something has happened.
#pragma once

#include <windows.h>

#include <functional>

#include "kol/widgets/message_loop.h"

namespace desktoptest {

// Takes messages until `done` holds or a few seconds have gone; false then
// (so that a fault fails the test instead of hanging it).
inline bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 400; ++i) {
    kol::ProcessMessages();
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return false;
}

}  // namespace desktoptest
