#pragma once
// An HTTP server on 127.0.0.1 that records each request line from a thread of its own (a browser's thread must
// keep pumping) and answers nothing: each connection is held open, a page that never finishes loading.
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"

namespace testhttp {

class HttpListener {
 public:
  explicit HttpListener(unsigned short port);  // on the port a program was built to ask at
  ~HttpListener();                             // stops serving and closes every socket
  std::vector<std::string> lines() const {     // "GET /x HTTP/1.1" of each request so far
    const std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  using Socket = platform::win32::Handle<SOCKET, &::closesocket>;
  void Serve(Socket client);

  std::atomic<bool> stop_{false};
  Socket listener_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<Socket> held_;  // only the serving thread touches them until it has ended
  std::thread thread_;
};

}  // namespace testhttp
