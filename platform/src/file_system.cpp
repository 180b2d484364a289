#include "platform/file_system.h"

#include "platform/folder.h"
#include "platform/stat_util.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

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
  CName name(path);
  if (!name.Valid()) return EntryInfo{false, false, {}, MakeError(Fault::NulInPath), false};
  struct stat st;
  if (::lstat(name.Get(), &st) != 0) return MissingOrFailed(errno);
  return InfoOf(st);
}

EntryInfo LookUpFollow(const std::string& path) {
  CName name(path);
  if (!name.Valid()) return EntryInfo{false, false, {}, MakeError(Fault::NulInPath), false};
  struct stat st;
  if (::stat(name.Get(), &st) != 0) return MissingOrFailed(errno);
  return InfoOf(st);
}

std::error_code CreateDirectory(const std::string& path) {
  CName name(path);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  return ::mkdir(name.Get(), 0777) == 0 ? std::error_code{} : LastError();
}

}  // namespace orvel::platform
