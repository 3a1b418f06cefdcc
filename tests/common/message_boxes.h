#pragma once
// Answers the message boxes that a thread of this process puts up, from a
// thread of its own, and keeps their texts: a test sees what the user would
// have read, and never waits on a dialog.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace testwin {

class MessageBoxes {
 public:
  explicit MessageBoxes(DWORD thread_id = ::GetCurrentThreadId())
      : thread_id_(thread_id), watcher_([this] { Watch(); }) {}
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;
  ~MessageBoxes() {
    stop_ = true;
    watcher_.join();
  }

  std::vector<std::wstring> texts() const {
    const std::lock_guard lock(mutex_);
    return texts_;
  }

 private:
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM self_ptr) {
    auto* self = reinterpret_cast<MessageBoxes*>(self_ptr);
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (::lstrcmpW(cls, L"#32770") != 0 || !::IsWindowVisible(hwnd) || self->answered_.count(hwnd) != 0) return TRUE;
    // The message text is the static control a message box gives the id 0xFFFF.
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(hwnd, 0xFFFF, text, 1024);
    {
      const std::lock_guard lock(self->mutex_);
      self->texts_.emplace_back(text);
    }
    self->answered_.insert(hwnd);
    ::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
  }

  void Watch() {
    while (!stop_) {
      ::EnumThreadWindows(thread_id_, &Visit, reinterpret_cast<LPARAM>(this));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  DWORD thread_id_;
  mutable std::mutex mutex_;
  std::vector<std::wstring> texts_;
  std::set<HWND> answered_;  // a box shown from inside another stays up under it
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

}  // namespace testwin
