#include "dav/credentials.h"

#include <cstdlib>

#include "dav/netrc.h"
#include "platform/atomic_file.h"

namespace kivo {

CredentialSources CredentialSourcesFromEnvironment(PasswordPrompt* prompt) {
  CredentialSources sources;
  sources.prompt = prompt;
  if (const char* password = std::getenv("KIVO_PASSWORD"); password && *password) {
    sources.env_password = password;
  }
  if (const char* netrc = std::getenv("NETRC"); netrc && *netrc) {
    sources.netrc = netrc;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    sources.netrc = std::filesystem::path(home) / ".netrc";
  }
  return sources;
}

DavResult<Credentials> ResolveCredentials(const DavUrl& url, std::string user,
                                          const CredentialSources& sources) {
  if (user.empty()) user = url.user;
  std::optional<NetrcEntry> entry;
  if (!sources.netrc.empty()) {
    // A missing or unreadable netrc is the same as an empty one.
    if (std::optional<std::string> text = ReadWholeFile(sources.netrc)) {
      entry = FindNetrcEntry(ParseNetrc(*text), url.host, user);
    }
  }
  Credentials credentials;
  credentials.user = !user.empty() ? user : entry ? entry->login : "";
  if (credentials.user.empty()) return credentials;
  if (sources.env_password) {
    credentials.password = *sources.env_password;
  } else if (entry && !entry->password.empty()) {
    credentials.password = entry->password;
  } else if (sources.prompt != nullptr) {
    std::optional<std::string> answer = sources.prompt->AskPassword(url.url, credentials.user);
    if (!answer) {
      return MakeDavError(DavErrorKind::kUnauthorized, url.url,
                          "no password was given for user '" + credentials.user + "'");
    }
    credentials.password = std::move(*answer);
  } else {
    return MakeDavError(
        DavErrorKind::kUnauthorized, url.url,
        "no password for user '" + credentials.user + "': set KIVO_PASSWORD or put it in ~/.netrc");
  }
  return credentials;
}

}  // namespace kivo
