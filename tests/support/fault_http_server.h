#ifndef KIVO_TESTS_SUPPORT_FAULT_HTTP_SERVER_H_
#define KIVO_TESTS_SUPPORT_FAULT_HTTP_SERVER_H_

// A loopback HTTP server on its own thread that answers every request with
// one fault a real server will not produce on demand. Bytes that are not an
// HTTP request (a TLS handshake) get a plain 400, as from any web server.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace kivo {

enum class HttpFault {
  kRefuse,       // the port is taken but nobody listens: connecting is refused
  kStatus500,    // 500 Internal Server Error
  kDropMidBody,  // a 207 whose body stops half-way and the connection closes
  kMalformed,    // a 207 whose body is not well-formed XML
  kStall,        // reads the request and never answers
};

class FaultHttpServer {
 public:
  explicit FaultHttpServer(HttpFault fault);
  ~FaultHttpServer();

  uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>/book/"
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/book/"; }

 private:
  void Serve();

  HttpFault fault_;
  int listener_ = -1;
  std::atomic<int> client_{-1};
  uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_FAULT_HTTP_SERVER_H_
