#include "tests/common/http_listener.h"

namespace testhttp {
namespace {

// Winsock's invalid socket is not the owner's empty value, zero.
SOCKET Valid(SOCKET s) { return s == INVALID_SOCKET ? 0 : s; }

// Waits a tick at most, so that a stop is noticed with no call blocked.
bool Readable(SOCKET s) {
  WSAPOLLFD poll{s, POLLRDNORM, 0};
  return WSAPoll(&poll, 1, 50) > 0;
}

}  // namespace

HttpListener::HttpListener(unsigned short port) {
  WSADATA winsock;
  WSAStartup(MAKEWORD(2, 2), &winsock);
  listener_.reset(Valid(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
  // Exclusive: else another listener could take the port and the requests.
  const BOOL exclusive = TRUE;
  setsockopt(listener_.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  sockaddr_in in{AF_INET, htons(port), {}, {}};
  in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener_ && bind(listener_.get(), reinterpret_cast<sockaddr*>(&in), sizeof in) == 0 &&
      listen(listener_.get(), 8) == 0) {
    thread_ = std::thread([this] {
      while (!stop_) {
        if (Readable(listener_.get())) Serve(Socket(Valid(accept(listener_.get(), nullptr, nullptr))));
      }
    });
  }
}

HttpListener::~HttpListener() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  held_.clear();
  listener_.reset();
  WSACleanup();
}

void HttpListener::Serve(Socket client) {
  std::string request;
  char buffer[1024];
  while (client && !stop_ && request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
    if (!Readable(client.get())) continue;
    const int got = recv(client.get(), buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  if (request.empty()) return;
  std::unique_lock lock(mutex_);
  lines_.push_back(request.substr(0, request.find("\r\n")));
  lock.unlock();
  held_.push_back(std::move(client));
}

}  // namespace testhttp
