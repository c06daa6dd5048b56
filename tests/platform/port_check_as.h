#ifndef KIVO_TESTS_PLATFORM_PORT_CHECK_AS_H_
#define KIVO_TESTS_PLATFORM_PORT_CHECK_AS_H_

// CheckPort as another user sees it: a device the test owns is open to root,
// so the "no permission" answer needs a user without the privilege. The check
// runs in a child process that takes on that user and reports back through a
// pipe.

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/port_diagnosis.h"

namespace kivo::test {

inline PortCheck CheckPortAsUser(const std::string& device, const std::string& user) {
  const passwd* pw = getpwnam(user.c_str());
  int fds[2];
  if (pw == nullptr || pipe(fds) != 0) return {false, "no user " + user};
  const uid_t uid = pw->pw_uid;
  const gid_t gid = pw->pw_gid;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    PortCheck check{false, "cannot become " + user};
    if (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0) {
      check = CheckPort(device);
    }
    const std::string answer = (check.usable ? "1" : "0") + check.reason;
    (void)!write(fds[1], answer.data(), answer.size());
    _exit(0);
  }
  close(fds[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (answer.empty()) return {false, "the check did not answer"};
  return {answer[0] == '1', answer.substr(1)};
}

}  // namespace kivo::test

#endif  // KIVO_TESTS_PLATFORM_PORT_CHECK_AS_H_
