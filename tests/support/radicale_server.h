#ifndef KIVO_TESTS_SUPPORT_RADICALE_SERVER_H_
#define KIVO_TESTS_SUPPORT_RADICALE_SERVER_H_

// A real Radicale for one test: on 127.0.0.1 at a free port, with its
// storage, configuration and htpasswd file (one plain-text user) in a fresh
// folder, an address book and a calendar made, stopped and removed on
// destruction. With TLS it serves https with a self-signed certificate made
// for 127.0.0.1, which options() trusts as its CA file.

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "dav/collection.h"
#include "dav/http_client.h"

namespace kivo {

class RadicaleServer {
 public:
  static constexpr char kUser[] = "alice";
  static constexpr char kPassword[] = "rabbit hole";

  // Whether a radicale program is on the PATH.
  static bool Installed();

  explicit RadicaleServer(bool tls = false);
  ~RadicaleServer();
  RadicaleServer(const RadicaleServer&) = delete;
  RadicaleServer& operator=(const RadicaleServer&) = delete;

  // False when it did not start or set up; error() says why.
  bool running() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port>/alice/" (https with TLS)
  std::string home_url() const;
  // The address book or calendar made at start.
  std::string collection_url(CollectionKind kind) const;
  // The user and password (and the CA file with TLS), ready for a client.
  HttpOptions options() const;

 private:
  bool Start();
  void Stop();

  bool tls_;
  std::string dir_;
  uint16_t port_ = 0;
  pid_t pid_ = -1;
  std::string error_;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_RADICALE_SERVER_H_
