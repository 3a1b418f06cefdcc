#pragma once
// An HTTP server on 127.0.0.1 for the Windows tests: records each request line from a thread of its own, as the
// thread of a browser control must keep pumping messages, and answers nothing: it keeps each connection open until
// it is destroyed, a page that never finishes loading. Links with ws2_32.
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
  // On the port a program was built to ask at; 0 picks a free one.
  explicit HttpListener(unsigned short port);
  ~HttpListener();                               // stops serving and closes every socket
  unsigned short port() const { return port_; }  // 0 if it could not listen (say, the port is taken)
  std::vector<std::string> lines() const {       // "GET /x HTTP/1.1" of each request so far
    const std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  using Socket = platform::win32::Handle<SOCKET, &::closesocket>;
  void Serve(Socket client);

  std::atomic<bool> stop_{false};
  Socket listener_;
  unsigned short port_ = 0;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::vector<Socket> held_;  // only the serving thread touches them until it has ended
  std::thread thread_;
};

}  // namespace testhttp
