#include "support/deep_tree.h"

#include <stdexcept>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::test {

namespace {

constexpr int kFolder = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

int Enter(int fd, const char* name) {
  const int child = ::openat(fd, name, kFolder);
  ::close(fd);
  return child;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  mounted_ = ::mount("tmpfs", dir_.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") == 0;
}

ScratchFolder::~ScratchFolder() {
  if (mounted_) ::umount2(dir_.Path().c_str(), MNT_DETACH);
}

void MakeDeepChain(const std::string& root, std::size_t depth, const std::string& name, const std::string& file,
                   const std::string& content) {
  int fd = ::open(root.c_str(), kFolder);
  for (std::size_t i = 0; i < depth && fd >= 0; ++i) {
    if (::mkdirat(fd, name.c_str(), 0755) != 0) break;
    fd = Enter(fd, name.c_str());
  }
  if (fd < 0) throw std::runtime_error("cannot make the chain below " + root);
  if (!file.empty()) {
    const int out = ::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool written = out >= 0 && ::write(out, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    if (out >= 0) ::close(out);
    if (!written) throw std::runtime_error("cannot write the file at the bottom of the chain");
  }
  ::close(fd);
}

DeepChain ReadDeepChain(const std::string& root, const std::string& name, const std::string& file) {
  DeepChain chain;
  int fd = ::open(root.c_str(), kFolder);
  for (int child; fd >= 0 && (child = ::openat(fd, name.c_str(), kFolder)) >= 0; ++chain.depth) {
    ::close(fd);
    fd = child;
  }
  const int in = fd >= 0 ? ::openat(fd, file.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  if (in >= 0) {
    chain.file.emplace();
    char buffer[4096];
    for (ssize_t n; (n = ::read(in, buffer, sizeof buffer)) > 0;) chain.file->append(buffer, static_cast<std::size_t>(n));
    ::close(in);
  }
  if (fd >= 0) ::close(fd);
  return chain;
}

void RemoveDeepTree(const std::string& path) {
  int fd = ::open(path.c_str(), kFolder);
  std::vector<std::string> below;  // the names from `path` down to the folder being emptied
  while (fd >= 0) {
    // Its files go; its first folder is entered; an empty one goes from the folder above.
    DIR* dir = ::fdopendir(::dup(fd));
    std::string folder;
    while (dirent* entry = dir ? ::readdir(dir) : nullptr) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      struct stat st;
      if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
        folder = name;
        break;
      }
      if (::unlinkat(fd, name.c_str(), 0) != 0) break;
    }
    if (dir) ::closedir(dir);
    if (!folder.empty()) {
      fd = Enter(fd, folder.c_str());
      below.push_back(folder);
    } else if (below.empty()) {
      break;
    } else {
      fd = Enter(fd, "..");
      if (fd >= 0 && ::unlinkat(fd, below.back().c_str(), AT_REMOVEDIR) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot remove " + path);
      }
      below.pop_back();
    }
  }
  if (fd >= 0) ::close(fd);
  ::rmdir(path.c_str());
}

}  // namespace orvel::test
