// The writing thread's half of removing an unfinished file when the run is
// interrupted; the handler's half is RemoveUnfinished in each backend.
#include <algorithm>
#include <chrono>
#include <thread>

#include "io/file_backend.h"

namespace io::fs {
namespace {

// The handler ends the process: nothing of this thread may go on meanwhile.
[[noreturn]] void WaitForTheEnd() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

void BeginUnfinished(Unfinished& file, FileHandle folder, const std::string& name) {
  file.State = 0;
  file.Folder = folder;
  file.File = kInvalidHandle;
  const size_t length = std::min(name.size(), sizeof file.Name - 1);
  std::copy_n(name.data(), length, file.Name);
  file.Name[length] = '\0';
  file.State = 1;
  if (file.Interrupted) {
    file.State = 0;  // nothing will be made: the handler need not wait for it
    WaitForTheEnd();
  }
}

void MadeUnfinished(Unfinished& file, FileHandle handle) {
  file.File = handle;
  file.State = 2;
  if (file.Interrupted) {
    RemoveUnfinished(file);
    WaitForTheEnd();
  }
}

void EndUnfinished(Unfinished& file) {
  file.State = 0;
  if (file.Interrupted) WaitForTheEnd();
}

}  // namespace io::fs
