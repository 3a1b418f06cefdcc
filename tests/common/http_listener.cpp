// winsock2.h must come before anything that pulls in <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/common/http_listener.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace testhttp {
namespace {

class WinsockSession {
 public:
  WinsockSession() { ok_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
  ~WinsockSession() {
    if (ok_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool ok() const { return ok_; }

 private:
  WSADATA data_{};
  bool ok_ = false;
};

class Socket {
 public:
  Socket() = default;
  explicit Socket(SOCKET s) : s_(s) {}
  ~Socket() { reset(); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Socket(Socket&& other) noexcept : s_(std::exchange(other.s_, INVALID_SOCKET)) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      reset();
      s_ = std::exchange(other.s_, INVALID_SOCKET);
    }
    return *this;
  }
  SOCKET get() const { return s_; }
  bool valid() const { return s_ != INVALID_SOCKET; }
  void reset() {
    if (s_ != INVALID_SOCKET) closesocket(std::exchange(s_, INVALID_SOCKET));
  }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

}  // namespace

class HttpListener::Impl {
 public:
  explicit Impl(Options options) : options_(std::move(options)), hold_(options_.hold) {
    if (!winsock_.ok()) return;
    Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s.valid()) return;
    // Exclusive: on Windows SO_REUSEADDR would let a second listener take
    // the port from under this one and steal the requests meant for it.
    BOOL exclusive = TRUE;
    setsockopt(s.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof(exclusive));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(options_.port);
    int len = sizeof(addr);
    if (bind(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(s.get(), 8) != 0 ||
        getsockname(s.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      return;
    }
    port_ = ntohs(addr.sin_port);
    listener_ = std::move(s);
    thread_ = std::thread([this] { Serve(); });
  }
  ~Impl() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  unsigned short port() const { return port_; }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

  void Release() { hold_ = false; }

 private:
  void Serve() {
    while (!stop_) {
      // Poll so the stop flag is noticed without closing the socket under a
      // blocked accept().
      if (!Readable(listener_)) continue;
      Socket client(accept(listener_.get(), nullptr, nullptr));
      if (client.valid()) Answer(client);
    }
  }

  static bool Readable(const Socket& s) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s.get(), &readable);
    timeval tick{0, 50 * 1000};
    return select(0, &readable, nullptr, nullptr, &tick) > 0;
  }

  void Answer(const Socket& client) {
    std::string request;
    char buf[1024];
    while (!stop_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
      if (!Readable(client)) continue;
      const int n = recv(client.get(), buf, sizeof(buf), 0);
      if (n <= 0) break;
      request.append(buf, static_cast<size_t>(n));
    }
    if (request.empty()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(request.substr(0, request.find("\r\n")));
    }
    while (hold_ && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (stop_) return;
    // Never cached: asking twice about the same name must reach the service
    // twice.
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: " + options_.content_type +
                              "\r\nContent-Length: " + std::to_string(options_.body.size()) +
                              "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + options_.body;
    send(client.get(), reply.data(), static_cast<int>(reply.size()), 0);
  }

  const Options options_;
  WinsockSession winsock_;
  Socket listener_;
  unsigned short port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> hold_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::thread thread_;
};

HttpListener::HttpListener() : HttpListener(Options{}) {}
HttpListener::HttpListener(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}
HttpListener::~HttpListener() = default;

unsigned short HttpListener::port() const { return impl_->port(); }
std::vector<std::string> HttpListener::lines() const { return impl_->lines(); }
void HttpListener::Release() { impl_->Release(); }

}  // namespace testhttp
