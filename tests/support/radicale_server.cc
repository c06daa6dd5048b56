#include "support/radicale_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "dav/dav_collection.h"
#include "dav/dav_url.h"
#include "platform/atomic_file.h"

namespace kivo {

namespace {

// A port nobody listens on right now. Radicale binds it a moment later; a
// clash with another process is caught by the retry.
uint16_t FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  uint16_t port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

std::string ReadAll(const std::string& file) { return ReadWholeFile(file).value_or(""); }

}  // namespace

bool RadicaleServer::Installed() { return std::system("command -v radicale >/dev/null") == 0; }

RadicaleServer::RadicaleServer(bool tls) : tls_(tls) {
  char pattern[] = "/tmp/kivo_radicale_XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    error_ = "cannot make a folder for radicale";
    return;
  }
  dir_ = pattern;
  std::ofstream(dir_ + "/users") << kUser << ":" << kPassword << "\n";
  if (tls_ && std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                           "-addext subjectAltName=IP:127.0.0.1 -keyout " +
                           dir_ + "/key.pem -out " + dir_ + "/cert.pem 2>" + dir_ + "/log")
                              .c_str()) != 0) {
    error_ = "openssl could not make a certificate: " + ReadAll(dir_ + "/log");
    return;
  }
  for (int attempt = 0; attempt < 3 && !Start(); ++attempt) Stop();
  if (pid_ < 0) return;
  error_.clear();
  HttpClient client(options());
  for (CollectionKind kind : {CollectionKind::kContacts, CollectionKind::kCalendar}) {
    DavStatus made =
        CreateDavCollection(client, ParseCollectionUrl(collection_url(kind)).value(), kind, "test");
    if (!made) error_ = made.error().Text();
  }
}

RadicaleServer::~RadicaleServer() {
  Stop();
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

bool RadicaleServer::Start() {
  port_ = FreePort();
  std::ofstream(dir_ + "/config") << "[server]\nhosts = 127.0.0.1:" << port_ << "\n"
                                  << (tls_ ? "ssl = True\ncertificate = " + dir_ +
                                                 "/cert.pem\nkey = " + dir_ + "/key.pem\n"
                                           : "")
                                  << "[auth]\ntype = htpasswd\nhtpasswd_filename = " << dir_
                                  << "/users\nhtpasswd_encryption = plain\ndelay = 0\n"
                                  << "[storage]\nfilesystem_folder = " << dir_ << "/storage\n"
                                  << "[web]\ntype = none\n[logging]\nlevel = warning\n";

  const std::string config = dir_ + "/config";
  const std::string log = dir_ + "/log";
  pid_ = fork();
  if (pid_ == 0) {
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(out, 2);
    execlp("radicale", "radicale", "--config", config.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Until it answers: a Depth 0 PROPFIND of the home makes it too.
  HttpClient client(options());
  for (int i = 0; i < 400; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "radicale stopped at start: " + ReadAll(log);
      return false;
    }
    DavResult<HttpResponse> home = client.Send({"PROPFIND", home_url(), {"Depth: 0"}, {}, {}});
    if (home || home.error().kind != DavErrorKind::kUnreachable) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  error_ = "radicale did not answer within 20 s: " + ReadAll(log);
  return false;
}

void RadicaleServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  bool gone = false;
  for (int i = 0; i < 100 && !(gone = waitpid(pid_, nullptr, WNOHANG) == pid_); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!gone && kill(pid_, SIGKILL) == 0) waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string RadicaleServer::home_url() const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + "/" +
         kUser + "/";
}

std::string RadicaleServer::collection_url(CollectionKind kind) const {
  return home_url() + (kind == CollectionKind::kContacts ? "contacts/" : "calendar/");
}

HttpOptions RadicaleServer::options() const {
  HttpOptions options;
  options.user = kUser;
  options.password = kPassword;
  if (tls_) options.ca_file = dir_ + "/cert.pem";
  return options;
}

}  // namespace kivo
