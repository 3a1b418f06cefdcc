#pragma once
// A one-purpose HTTP server on 127.0.0.1 for the Windows tests: records the
// request line of every request and answers each with one small page. It
// serves on its own thread, because the thread that owns a browser control
// has to keep pumping messages for the control to make any progress.
//
// Win32-only (Winsock). Link with: ws2_32.
#include <memory>
#include <string>
#include <vector>

namespace testhttp {

class HttpListener {
 public:
  struct Options {
    // 0 picks a free port (tests that run side by side cannot collide); a
    // fixed one is for a program built to ask exactly there.
    unsigned short port = 0;
    std::string content_type = "text/plain";
    std::string body = "online";
    // Keep each request unanswered, its connection open, until Release() or
    // the listener goes: a navigation that stays in flight.
    bool hold = false;
  };

  HttpListener();
  explicit HttpListener(Options options);
  ~HttpListener();  // stops serving and closes every socket
  HttpListener(const HttpListener&) = delete;
  HttpListener& operator=(const HttpListener&) = delete;

  // The port it listens on; 0 if it could not listen (say, the fixed port
  // is taken).
  unsigned short port() const;

  // The request lines received so far, in order ("GET /x HTTP/1.1").
  std::vector<std::string> lines() const;

  // Answers the held requests and every later one.
  void Release();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace testhttp
