#ifndef KIVO_DAV_NETRC_H_
#define KIVO_DAV_NETRC_H_

// The ~/.netrc file of ftp and curl: whitespace-separated words,
//   machine dav.example.org login alice password "two words"
//   default login anonymous password guest
// where "machine" starts an entry for a host, "default" one for every other
// host, "login", "password" and "account" give its fields, and "macdef NAME"
// starts a macro that runs to the next empty line. A word may be quoted, with
// \" and \\ inside the quotes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

struct NetrcEntry {
  std::string machine;  // empty for the default entry
  std::string login;
  std::string password;
};

std::vector<NetrcEntry> ParseNetrc(std::string_view text);

// The first entry for `host` (compared without case) whose login is `login`,
// or any login when `login` is empty; else the default entry under the same
// rule; else nothing.
std::optional<NetrcEntry> FindNetrcEntry(const std::vector<NetrcEntry>& entries,
                                         std::string_view host, std::string_view login);

}  // namespace kivo

#endif  // KIVO_DAV_NETRC_H_
