#pragma once
// One copy of the program per user and session: a later start finds the
// first and brings its window back instead of rotating into the same
// messenger setting beside it.
#include <windows.h>

#include "platform/win32/handles.h"

namespace app::win32 {

class OneCopy {
 public:
  // Claims the session's name for this user, or finds it taken.
  OneCopy();
  bool first() const { return first_; }
  // The first copy: tells later starts where its window is.
  void Announce(HWND window);
  // A later copy: asks the first to bring its window back, waiting a bounded
  // while for the first to have one. False if it could not be reached.
  bool BringBackFirst() const;

 private:
  using Mapping = platform::win32::Handle<HANDLE, &::CloseHandle>;
  struct Unmap {
    void operator()(void* view) const noexcept { ::UnmapViewOfFile(view); }
  };
  Mapping mapping_;
  platform::Owner<void*, Unmap> view_;
  HWND found_ = nullptr;  // the first copy's window, where the name was denied
  bool first_ = true;
};

}  // namespace app::win32
