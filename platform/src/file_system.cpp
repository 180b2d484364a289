#include "platform/file_system.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

EntryInfo FromStat(const struct stat& st) {
  EntryInfo info;
  info.exists = true;
  info.directory = S_ISDIR(st.st_mode);
  info.mtime = FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
  return info;
}

}  // namespace

unsigned ProcessUmask() {
  static const unsigned mask = [] {
    // Reading the mask from /proc leaves it untouched for other threads.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.starts_with("Umask:")) return static_cast<unsigned>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
    }
    const mode_t old = ::umask(022);
    ::umask(old);
    return static_cast<unsigned>(old);
  }();
  return mask;
}

EntryInfo LookUp(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return EntryInfo{};
  return FromStat(st);
}

EntryInfo LookUpFollow(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return EntryInfo{};
  return FromStat(st);
}

bool IsReadOnly(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool CreateDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool RemoveDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool DeleteFile(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  // Root could unlink it anyway; a file without write bits counts as
  // read-only and is kept all the same.
  if ((st.st_mode & 0222) == 0) {
    errno = EACCES;
    return false;
  }
  return ::unlink(path.c_str()) == 0;
}

}  // namespace orvel::platform
