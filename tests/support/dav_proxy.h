#ifndef KIVO_TESTS_SUPPORT_DAV_PROXY_H_
#define KIVO_TESTS_SUPPORT_DAV_PROXY_H_

// A loopback proxy in front of a real server (a test's Radicale), one
// request per connection, that breaks one write on purpose: the n-th PUT or
// DELETE is answered 500, or its connection is dropped before the server
// sees it or after the server carried it out, or a hook runs before it goes
// on (another client changing the item, so the server answers 412).

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kivo {

enum class ProxyFault { kNone, kStatus500, kDropBefore, kDropAfter, kHook };

class DavProxy {
 public:
  explicit DavProxy(uint16_t server_port);
  ~DavProxy();

  // The server's URL with the proxy's port.
  std::string Through(const std::string& server_url) const;
  // Breaks the write with index `write` (0 for the first PUT or DELETE from
  // now on) once; kNone passes everything.
  void Arm(ProxyFault fault, int write = 0, std::function<void()> hook = {});

 private:
  void Serve();
  void Handle(int client);

  uint16_t server_port_;
  uint16_t port_ = 0;
  int listener_ = -1;
  std::mutex mutex_;
  ProxyFault fault_ = ProxyFault::kNone;
  int countdown_ = 0;
  std::function<void()> hook_;
  std::thread thread_;
};

}  // namespace kivo

#endif  // KIVO_TESTS_SUPPORT_DAV_PROXY_H_
