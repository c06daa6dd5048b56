#include "support/fault_http_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>

namespace kivo {

namespace {

void SendAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t sent = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return;
    done += static_cast<size_t>(sent);
  }
}

std::string Reply207(const std::string& body, size_t announced) {
  return "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\nContent-Length: " +
         std::to_string(announced) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

FaultHttpServer::FaultHttpServer(HttpFault fault) : fault_(fault) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener_, 8) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
      pipe2(wake_, O_CLOEXEC) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

FaultHttpServer::~FaultHttpServer() {
  if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
  if (thread_.joinable()) thread_.join();
  for (int fd : {listener_, wake_[0], wake_[1]}) {
    if (fd >= 0) close(fd);
  }
}

std::string FaultHttpServer::url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/book/";
}

bool FaultHttpServer::WaitReadable(int fd) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
  while (poll(fds, 2, -1) < 0) {
  }
  return (fds[1].revents & POLLIN) == 0;
}

void FaultHttpServer::Serve() {
  while (WaitReadable(listener_)) {
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Answer(client);
    close(client);
  }
}

void FaultHttpServer::Answer(int client) {
  // The request up to the end of its headers; its body, if any, is not needed.
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    if (!WaitReadable(client)) return;
    const ssize_t got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<size_t>(got));
    if (!std::isalpha(static_cast<unsigned char>(request[0]))) {
      SendAll(client, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      return;
    }
  }
  const std::string start = "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\"><response>";
  switch (fault_) {
    case HttpFault::kStatus500:
      SendAll(
          client,
          "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      break;
    case HttpFault::kDropMidBody:
      SendAll(client, Reply207(start, 4096));
      break;
    case HttpFault::kMalformed: {
      const std::string body = start + "<href>/book/a.vcf</href></multistatus>";
      SendAll(client, Reply207(body, body.size()));
      break;
    }
    case HttpFault::kStall:
      while (WaitReadable(client)) {
        if (recv(client, buffer, sizeof buffer, 0) <= 0) break;
      }
      break;
  }
}

}  // namespace kivo
