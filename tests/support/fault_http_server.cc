#include "support/fault_http_server.h"

#include <netinet/in.h>
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

std::string Reply(const std::string& status, const std::string& body, size_t announced) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(announced) +
         "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace

FaultHttpServer::FaultHttpServer(HttpFault fault) : fault_(fault) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  if (fault_ != HttpFault::kRefuse && listen(listener_, 8) == 0) {
    thread_ = std::thread([this] { Serve(); });
  }
}

FaultHttpServer::~FaultHttpServer() {
  // Wakes the thread from accept or from a stalled read.
  shutdown(listener_, SHUT_RDWR);
  if (const int client = client_.load(); client >= 0) shutdown(client, SHUT_RDWR);
  if (thread_.joinable()) thread_.join();
  close(listener_);
}

void FaultHttpServer::Serve() {
  int client;
  while ((client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0) {
    client_ = client;
    // The request up to the end of its headers; its body is not needed.
    std::string request;
    char buffer[4096];
    ssize_t got = 0;
    while (request.find("\r\n\r\n") == std::string::npos &&
           (got = recv(client, buffer, sizeof buffer, 0)) > 0) {
      request.append(buffer, static_cast<size_t>(got));
      if (!std::isalpha(static_cast<unsigned char>(request[0]))) break;
    }
    const std::string start = "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\"><response>";
    const std::string malformed = start + "<href>/book/a.vcf</href></multistatus>";
    if (got > 0 && !std::isalpha(static_cast<unsigned char>(request[0]))) {
      SendAll(client, Reply("400 Bad Request", "", 0));
    } else if (got > 0 && fault_ == HttpFault::kStatus500) {
      SendAll(client, Reply("500 Internal Server Error", "", 0));
    } else if (got > 0 && fault_ == HttpFault::kDropMidBody) {
      SendAll(client, Reply("207 Multi-Status", start, 4096));
    } else if (got > 0 && fault_ == HttpFault::kMalformed) {
      SendAll(client, Reply("207 Multi-Status", malformed, malformed.size()));
    } else {
      // A stall: read on until the client gives up or the server stops.
      while (recv(client, buffer, sizeof buffer, 0) > 0) {
      }
    }
    client_ = -1;
    close(client);
  }
}

}  // namespace kivo
