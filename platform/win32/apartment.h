#pragma once
// OLE or COM started on this thread for as long as the owner lives, and ended
// with it only where this owner is the one that started it.
#include <windows.h>
#include <ole2.h>

namespace platform::win32 {

class ScopedOle {
 public:
  ScopedOle() : started_(::OleInitialize(nullptr)) {}
  ~ScopedOle() {
    if (ok()) ::OleUninitialize();
  }
  ScopedOle(const ScopedOle&) = delete;
  ScopedOle& operator=(const ScopedOle&) = delete;
  // S_FALSE (started already on this thread) is a success, and is balanced
  // like S_OK.
  bool ok() const { return SUCCEEDED(started_); }

 private:
  HRESULT started_;
};

class ScopedCom {
 public:
  ScopedCom() : started_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ScopedCom() {
    if (SUCCEEDED(started_)) ::CoUninitialize();
  }
  ScopedCom(const ScopedCom&) = delete;
  ScopedCom& operator=(const ScopedCom&) = delete;
  // A thread started in the other model has COM all the same; that start is
  // not ours to end.
  bool usable() const { return SUCCEEDED(started_) || started_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT started_;
};

}  // namespace platform::win32
