#ifndef KIVO_DAV_CREDENTIALS_H_
#define KIVO_DAV_CREDENTIALS_H_

// Who logs in to a server, and with which password. The user comes from the
// caller (--user) or the URL; the password from KIVO_PASSWORD, else ~/.netrc,
// else a prompt the front end shows. Never from the command line, and never
// into a message or a log.

#include <filesystem>
#include <optional>
#include <string>

#include "dav/dav_result.h"
#include "dav/dav_url.h"

namespace kivo {

// Asks the person at the front end. The command-line tool reads the terminal
// with echo off, the desktop program shows a dialog.
class PasswordPrompt {
 public:
  virtual ~PasswordPrompt() = default;
  // Blocks until answered. `target` is the URL (without user information).
  // Nothing when the person declines.
  virtual std::optional<std::string> AskPassword(const std::string& target,
                                                 const std::string& user) = 0;
};

struct CredentialSources {
  std::optional<std::string> env_password;  // KIVO_PASSWORD, when set and not empty
  std::filesystem::path netrc;              // empty: none
  PasswordPrompt* prompt = nullptr;         // null: nobody to ask
};

// KIVO_PASSWORD, and the netrc file NETRC names, else ~/.netrc.
CredentialSources CredentialSourcesFromEnvironment(PasswordPrompt* prompt);

struct Credentials {
  std::string user;  // empty: log in as nobody
  std::string password;
};

// The user is `user`, else the URL's, else the login of the netrc entry for
// the URL's host. With no user at all nothing is sent. With a user but no
// password from the environment, the netrc or the prompt: kUnauthorized,
// saying where a password can come from.
[[nodiscard]] DavResult<Credentials> ResolveCredentials(const DavUrl& url, std::string user,
                                                        const CredentialSources& sources);

}  // namespace kivo

#endif  // KIVO_DAV_CREDENTIALS_H_
