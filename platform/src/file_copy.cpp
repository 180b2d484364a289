#include "platform/file_copy.h"

#include "platform/file_system.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <random>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

// Restores errno on scope exit, so that clean-up calls keep the first failure.
class KeepErrno {
 public:
  KeepErrno() : saved_(errno) {}
  ~KeepErrno() { errno = saved_; }
  KeepErrno(const KeepErrno&) = delete;
  KeepErrno& operator=(const KeepErrno&) = delete;

 private:
  int saved_;
};

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) {
      KeepErrno keep;
      ::close(fd_);
    }
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  // Closes now and reports the result: a late write error shows up here.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

void Fail(int error) { errno = error; }

std::size_t NameStart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// The folder part of a path, for opening an unnamed file in it.
std::string FolderOf(const std::string& path) {
  const std::size_t start = NameStart(path);
  if (start == 0) return ".";
  if (start == 1) return "/";
  return path.substr(0, start - 1);
}

char RandomChar() {
  static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 generator(std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()) ^
                                         static_cast<std::uint64_t>(std::time(nullptr)));
  return kAlphabet[generator() % kAlphabet.size()];
}

// A hidden name beside the destination: ".<name>.orvel-XXXXXX". Long names are
// shortened so the temporary name still fits the usual 255-byte limit.
std::string TempPathFor(const std::string& destination) {
  constexpr std::size_t kKeptNameBytes = 200;
  const std::size_t start = NameStart(destination);
  const std::size_t kept = std::min(destination.size() - start, kKeptNameBytes);
  std::string tmp;
  tmp.reserve(start + kept + 14);
  tmp.append(destination, 0, start);
  tmp += '.';
  tmp.append(destination, start, kept);
  tmp += ".orvel-";
  for (int i = 0; i < 6; ++i) tmp += RandomChar();
  return tmp;
}

FileTime TimeOf(const struct stat& st) {
  return FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

// The destination may be replaced only when it is no folder and has a write
// bit; root is held to the same rule. `exists` tells whether anything is there.
// With an expectation, a destination that is not as expected fails with ESTALE.
bool CheckDestination(const std::string& destination, bool& exists, const CopyExpectation* expect) {
  struct stat st;
  if (::lstat(destination.c_str(), &st) != 0) {
    exists = false;
    if (errno != ENOENT) return false;
    if (expect && expect->destinationExists) {
      Fail(ESTALE);
      return false;
    }
    return true;
  }
  exists = true;
  if (expect && (!expect->destinationExists || TimeOf(st) != expect->destinationTime)) {
    Fail(ESTALE);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    Fail(EISDIR);
    return false;
  }
  if ((st.st_mode & 0222) == 0) {
    Fail(EACCES);
    return false;
  }
  return true;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      Fail(EIO);
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CopyByReadWrite(int in, int out) {
  thread_local std::vector<char> buffer(128 * 1024);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
  }
}

// Copies from the current offsets the `size` bytes the source had when it was
// opened (the copy then matches the times taken at that moment), or to its end
// when it shrank. The kernel copy is used where it works; file systems and
// kernels that refuse it get plain reads and writes from wherever it stopped.
bool CopyContents(int in, int out, off_t size) {
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  bool copiedAny = false;
  off_t copied = 0;
  while (size == 0 || copied < size) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
    if (n > 0) {
      copiedAny = true;
      copied += n;
      continue;
    }
    if (n == 0) {
      // Pseudo files (/proc, /sys) give the kernel copy nothing at all; one
      // read tells them from a truly empty file.
      if (!copiedAny) break;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) break;
    return false;
  }
  if (size != 0 && copied >= size) return true;
  return CopyByReadWrite(in, out);
}

mode_t CreationMode(const struct stat& st) { return st.st_mode & 0777 & ~ProcessUmask(); }

// Everything the copy carries besides the name: contents, permission bits and
// times, all set on the still unpublished file.
bool FillCopy(int in, int out, const struct stat& st) {
  if (!CopyContents(in, out, st.st_size)) return false;
  // The file was created with the source's permission bits; only what the
  // umask took away (and setuid, setgid, sticky) needs setting again.
  const mode_t wanted = st.st_mode & 07777;
  if (wanted != CreationMode(st) && ::fchmod(out, wanted) != 0) {
    // Setuid and setgid may be refused to an ordinary user; the rest must stick.
    if (errno != EPERM || ::fchmod(out, st.st_mode & 0777) != 0) return false;
  }
  const timespec times[2] = {st.st_atim, st.st_mtim};
  return ::futimens(out, times) == 0;
}

enum class Outcome { Done, Failed, Unsupported };

bool ProcFdUsable() {
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
}

// Linking by descriptor (AT_EMPTY_PATH) saves the walk through /proc; kernels
// before 6.10 allow it only with CAP_DAC_READ_SEARCH, so the first refusal
// switches to the /proc name for good.
std::atomic<bool> linkByDescriptor{true};

bool UnnamedFilesLinkable() { return linkByDescriptor.load(std::memory_order_relaxed) || ProcFdUsable(); }

Outcome LinkUnnamed(int fd, const char* name) {
  if (linkByDescriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", AT_FDCWD, name, AT_EMPTY_PATH) == 0) return Outcome::Done;
    if (errno != ENOENT && errno != EPERM && errno != EINVAL) return Outcome::Failed;
    linkByDescriptor.store(false, std::memory_order_relaxed);
  }
  if (!ProcFdUsable()) return Outcome::Unsupported;
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, proc, AT_FDCWD, name, AT_SYMLINK_FOLLOW) == 0 ? Outcome::Done : Outcome::Failed;
}

// Moves a finished temporary file over the destination, or removes it.
bool Publish(const std::string& tmp, const std::string& destination) {
  if (::rename(tmp.c_str(), destination.c_str()) == 0) return true;
  KeepErrno keep;
  ::unlink(tmp.c_str());
  return false;
}

// Gives a finished unnamed file a hidden temporary name and renames that over
// an existing destination.
bool PublishUnnamedOver(UniqueFd& out, const std::string& destination, const CopyExpectation* expect) {
  bool exists = false;
  if (!CheckDestination(destination, exists, expect)) return false;
  std::string tmp;
  for (;;) {
    tmp = TempPathFor(destination);
    if (LinkUnnamed(out.get(), tmp.c_str()) == Outcome::Done) break;
    if (errno != EEXIST) return false;
  }
  if (!out.Close()) {
    KeepErrno keep;
    ::unlink(tmp.c_str());
    return false;
  }
  return Publish(tmp, destination);
}

// The copy is written as an unnamed file and linked in only when complete, so
// not even a crash leaves a partial file with a name behind.
Outcome CopyAsUnnamed(int in, const struct stat& st, const std::string& destination, const CopyExpectation* expect) {
  UniqueFd out(::open(FolderOf(destination).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, st.st_mode & 0777));
  if (out.get() < 0) {
    // Older kernels and some file systems (FAT, network mounts) lack O_TMPFILE.
    return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL ? Outcome::Unsupported : Outcome::Failed;
  }
  if (!FillCopy(in, out.get(), st)) return Outcome::Failed;
  switch (LinkUnnamed(out.get(), destination.c_str())) {
    case Outcome::Done:
      break;
    case Outcome::Unsupported:
      return Outcome::Unsupported;
    case Outcome::Failed:
      if (errno != EEXIST) return Outcome::Failed;
      return PublishUnnamedOver(out, destination, expect) ? Outcome::Done : Outcome::Failed;
  }
  if (!out.Close()) {
    KeepErrno keep;
    ::unlink(destination.c_str());
    return Outcome::Failed;
  }
  return Outcome::Done;
}

bool CopyAsNamedTemp(int in, const struct stat& st, const std::string& destination) {
  std::string tmp;
  int fd;
  do {
    tmp = TempPathFor(destination);
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
  } while (fd < 0 && errno == EEXIST);
  if (fd < 0) return false;
  UniqueFd out(fd);
  if (!FillCopy(in, out.get(), st) || !out.Close()) {
    KeepErrno keep;
    ::unlink(tmp.c_str());
    return false;
  }
  return Publish(tmp, destination);
}

bool CopyRegularFile(const std::string& source, const std::string& destination, const CopyExpectation* expect) {
  bool exists = false;
  if (!CheckDestination(destination, exists, expect)) return false;
  // O_NONBLOCK: should the source have turned into a FIFO since it was looked
  // at, the open must not wait for a writer.
  UniqueFd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.get() < 0) return false;
  struct stat st;
  if (::fstat(in.get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) {
    Fail(ENOTSUP);
    return false;
  }
  if (!exists && UnnamedFilesLinkable()) {
    switch (CopyAsUnnamed(in.get(), st, destination, expect)) {
      case Outcome::Done:
        return true;
      case Outcome::Failed:
        return false;
      case Outcome::Unsupported:
        if (::lseek(in.get(), 0, SEEK_SET) != 0) return false;
        break;
    }
  }
  return CopyAsNamedTemp(in.get(), st, destination);
}

bool ReadLink(const std::string& path, off_t sizeHint, std::string& target) {
  std::size_t size = sizeHint > 0 ? static_cast<std::size_t>(sizeHint) + 1 : 256;
  for (;;) {
    target.resize(size);
    const ssize_t n = ::readlink(path.c_str(), target.data(), size);
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < size) {
      target.resize(static_cast<std::size_t>(n));
      return true;
    }
    size *= 2;  // the link grew since it was looked at
  }
}

bool CopyLink(const std::string& source, const std::string& destination, const struct stat& st,
              const CopyExpectation* expect) {
  bool exists = false;
  if (!CheckDestination(destination, exists, expect)) return false;
  std::string target;
  if (!ReadLink(source, st.st_size, target)) return false;
  std::string tmp;
  for (;;) {
    tmp = TempPathFor(destination);
    if (::symlink(target.c_str(), tmp.c_str()) == 0) break;
    if (errno != EEXIST) return false;
  }
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::utimensat(AT_FDCWD, tmp.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    KeepErrno keep;
    ::unlink(tmp.c_str());
    return false;
  }
  return Publish(tmp, destination);
}

}  // namespace

CopyResult CopyEntryChecked(const std::string& source, const std::string& destination, const CopyExpectation* expect) {
  if (destination.empty() || destination.back() == '/') {
    Fail(EINVAL);
    return CopyResult::Failed;
  }
  struct stat st;
  if (::lstat(source.c_str(), &st) != 0) return CopyResult::SourceMissing;
  if (S_ISDIR(st.st_mode)) {
    Fail(EISDIR);
    return CopyResult::SourceIsFolder;
  }
  if (expect && expect->checkSource && TimeOf(st) != expect->sourceTime) {
    Fail(ESTALE);
    return CopyResult::Changed;
  }
  bool copied;
  if (S_ISLNK(st.st_mode)) {
    copied = CopyLink(source, destination, st, expect);
  } else if (!S_ISREG(st.st_mode)) {
    Fail(ENOTSUP);  // FIFOs, sockets and devices are never opened
    copied = false;
  } else {
    copied = CopyRegularFile(source, destination, expect);
  }
  if (copied) return CopyResult::Copied;
  return errno == ESTALE ? CopyResult::Changed : CopyResult::Failed;
}

bool CopyEntry(const std::string& source, const std::string& destination) {
  return CopyEntryChecked(source, destination, nullptr) == CopyResult::Copied;
}

}  // namespace orvel::platform
