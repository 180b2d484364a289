#include "support/unprivileged.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvel::test {

namespace {

constexpr uid_t kNobody = 65534;

bool WriteAllTo(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

void HandOver(const std::string& root) {
  if (::geteuid() != 0) return;
  ::chown(root.c_str(), kNobody, kNobody);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    ::lchown(entry.path().c_str(), kNobody, kNobody);
  // The temp folders above it must let the user through.
  for (std::filesystem::path p = std::filesystem::path(root).parent_path(); p.string().starts_with("/tmp/");
       p = p.parent_path())
    ::chmod(p.c_str(), 0755);
}

std::optional<std::string> RunUnprivileged(const std::function<std::string()>& body, std::string& why) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  if (child == 0) {
    ::close(pipeFds[0]);
    ::alarm(60);
    if (::geteuid() == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(3);
      if (::setuid(0) == 0) ::_exit(4);  // root's powers must be gone for good
    }
    const bool written = WriteAllTo(pipeFds[1], body());
    ::_exit(written ? 0 : 5);
  }
  ::close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    why = WIFEXITED(status) ? "the unprivileged child could not be set up (status " +
                                  std::to_string(WEXITSTATUS(status)) + ")"
                            : "the unprivileged child ended by signal " + std::to_string(WTERMSIG(status));
    return std::nullopt;
  }
  return out;
}

}  // namespace orvel::test
