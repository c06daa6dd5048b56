#include "support/dav_proxy.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace kivo {

namespace {

bool SendAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t sent = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

// One request: its headers and as much body as Content-Length says.
std::string ReadRequest(int fd) {
  std::string request;
  char buffer[8192];
  size_t wanted = std::string::npos;
  while (wanted == std::string::npos || request.size() < wanted) {
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<size_t>(got));
    const size_t end = request.find("\r\n\r\n");
    if (wanted == std::string::npos && end != std::string::npos) {
      size_t length = 0;
      for (const char* name : {"\r\nContent-Length:", "\r\ncontent-length:"}) {
        const size_t at = request.find(name);
        if (at != std::string::npos && at < end)
          length = std::strtoul(&request[at + 17], nullptr, 10);
      }
      wanted = end + 4 + length;
    }
  }
  return request;
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

}  // namespace

DavProxy::DavProxy(uint16_t server_port) : server_port_(server_port) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
      listen(listener_, 8) == 0) {
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
}

DavProxy::~DavProxy() {
  shutdown(listener_, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  close(listener_);
}

std::string DavProxy::Through(const std::string& server_url) const {
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on ":" + string.
  std::string from(":");
  from.append(std::to_string(server_port_)).append("/");
  std::string to(":");
  to.append(std::to_string(port_)).append("/");
  std::string url = server_url;
  url.replace(url.find(from), from.size(), to);
  return url;
}

void DavProxy::Arm(ProxyFault fault, int write, std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(mutex_);
  fault_ = fault;
  countdown_ = write;
  hook_ = std::move(hook);
}

void DavProxy::Serve() {
  int client;
  while ((client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
    Handle(client);
    close(client);
  }
}

void DavProxy::Handle(int client) {
  const std::string request = ReadRequest(client);
  ProxyFault fault = ProxyFault::kNone;
  std::function<void()> hook;
  if (request.starts_with("PUT ") || request.starts_with("DELETE ")) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fault_ != ProxyFault::kNone && countdown_-- == 0) {
      fault = fault_;
      hook = std::move(hook_);
      fault_ = ProxyFault::kNone;
    }
  }
  if (fault == ProxyFault::kStatus500) {
    SendAll(client, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n");
    return;
  }
  if (fault == ProxyFault::kDropBefore) return;
  if (hook) hook();
  // The server answers one request per connection and closes it.
  const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Loopback(server_port_);
  std::string answer;
  if (connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      SendAll(server, request)) {
    char buffer[8192];
    ssize_t got;
    while ((got = recv(server, buffer, sizeof buffer, 0)) > 0) {
      answer.append(buffer, static_cast<size_t>(got));
    }
  }
  close(server);
  if (fault != ProxyFault::kDropAfter) SendAll(client, answer);
}

}  // namespace kivo
