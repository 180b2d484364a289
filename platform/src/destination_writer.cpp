#include "platform/destination_writer.h"

#include "platform/file_system.h"
#include "platform/metadata.h"
#include "platform/stat_util.h"
#include "platform/temporary_name.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

std::error_code Changed() { return MakeError(Fault::ChangedSinceList); }

int StatAt(int dirfd, const char* name, struct stat& st) {
  return ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

// What a file system without hard links answers to linkat (exFAT, FAT, sshfs
// without the extension).
bool NoHardLinks(int number) { return number == EPERM || number == EOPNOTSUPP || number == ENOSYS; }

bool ProcFdUsable() {
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
}

// Linking by descriptor (AT_EMPTY_PATH) saves the walk through /proc; kernels
// before 6.10 allow it only with CAP_DAC_READ_SEARCH, so the first refusal
// switches to the /proc name for good.
std::atomic<bool> linkByDescriptor{true};

bool UnnamedFilesLinkable() { return linkByDescriptor.load(std::memory_order_relaxed) || ProcFdUsable(); }

enum class Linked { Done, Failed, Unsupported };

// A new name for the file an open (or O_PATH) descriptor refers to.
Linked LinkDescriptor(int fd, int dirfd, const char* name) {
  if (linkByDescriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", dirfd, name, AT_EMPTY_PATH) == 0) return Linked::Done;
    if (errno != ENOENT && errno != EPERM && errno != EINVAL) return Linked::Failed;
    linkByDescriptor.store(false, std::memory_order_relaxed);
  }
  if (!ProcFdUsable()) return Linked::Unsupported;
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, proc, dirfd, name, AT_SYMLINK_FOLLOW) == 0 ? Linked::Done : Linked::Failed;
}

bool PwriteAll(int fd, const char* data, std::size_t size, std::int64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

// Copies bytes [offset, end) of the source to the same place of `out`; end < 0
// copies to the source's end (pseudo files report no size). The kernel copy is
// used between local files; what it refuses, and what it fails at, goes
// through plain reads and writes, which also tell whose the failure is.
std::error_code CopyBytes(CopySource& source, int out, std::int64_t offset, std::int64_t end, bool& sourceFault) {
  constexpr std::int64_t kChunk = std::int64_t{1} << 30;
  const int in = source.LocalFd();
  bool kernel = in >= 0;
  const std::int64_t start = offset;
  while (kernel && (end < 0 || offset < end)) {
    loff_t inOffset = offset;
    loff_t outOffset = offset;
    const auto want = static_cast<std::size_t>(end < 0 ? kChunk : std::min(kChunk, end - offset));
    const ssize_t n = ::copy_file_range(in, &inOffset, out, &outOffset, want, 0);
    if (n > 0) {
      offset += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // Nothing at all at the start: a pseudo file (/proc, /sys) gives the kernel
    // copy nothing; one read tells it from an empty file. Nothing later: the end.
    if (n == 0 && offset > start) return {};
    kernel = false;
  }
  thread_local std::vector<char> buffer(128 * 1024);
  while (end < 0 || offset < end) {
    const auto want = static_cast<std::size_t>(
        end < 0 ? static_cast<std::int64_t>(buffer.size())
                : std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), end - offset));
    const ssize_t n = source.ReadAt(buffer.data(), want, offset);
    if (n < 0) {
      sourceFault = true;
      return LastError();
    }
    if (n == 0) return {};  // the source shrank: its re-check says so
    if (!PwriteAll(out, buffer.data(), static_cast<std::size_t>(n), offset)) return LastError();
    offset += n;
  }
  return {};
}

}  // namespace

DestinationWriter::DestinationWriter(CopySession& session, int dirFd, std::uint64_t device, const char* name,
                                     std::string_view nameView, const DestinationState& before)
    : session_(session),
      device_(session.DeviceOf(device, dirFd)),
      dirFd_(dirFd),
      name_(name),
      nameView_(nameView),
      before_(before) {}

DestinationWriter::~DestinationWriter() { Discard(); }

void DestinationWriter::Discard() {
  if (tmp_.empty()) return;
  const int saved = errno;
  ::unlinkat(dirFd_, tmp_.c_str(), 0);
  errno = saved;
  tmp_.clear();
}

std::error_code DestinationWriter::Create(mode_t mode) {
  // Readable: a file received from elsewhere is filled again from it when it
  // cannot be named (see ReceivedFile).
  if (!device_.noTmpfile && UnnamedFilesLinkable()) {
    out_.Reset(::openat(dirFd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
    if (out_) {
      createdMode_ = mode & ~ProcessUmask();
      unnamed_ = true;
      return {};
    }
    // Older kernels and some file systems (FAT, exFAT, network mounts) lack O_TMPFILE.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return LastError();
    device_.noTmpfile = true;
  }
  // The owner may write it until its metadata is applied, so that its mark
  // can be set and taken off whatever mode it ends with.
  createdMode_ = (mode | 0600) & ~ProcessUmask();
  for (;;) {
    std::string tmp = TemporaryNameFor(nameView_);
    const int fd = ::openat(dirFd_, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode | 0600);
    if (fd >= 0) {
      out_.Reset(fd);
      tmp_ = std::move(tmp);
      Mark();
      return {};
    }
    if (errno != EEXIST) return LastError();
  }
}

void DestinationWriter::Mark() {
  if (device_.noXattrs) return;
  marked_ = MarkTemporary(out_.Get(), tmp_);
  if (!marked_ && errno == EOPNOTSUPP) device_.noXattrs = true;
}

void DestinationWriter::Unmark() {
  if (!marked_) return;
  UnmarkTemporary(out_.Get());
  marked_ = false;
}

std::error_code DestinationWriter::FillFrom(CopySource& source) {
  sourceFault_ = false;
  const FileMeta& meta = source.Meta();
  const int out = out_.Get();
  if (!meta.sparse) return CopyBytes(source, out, 0, meta.size > 0 ? meta.size : -1, sourceFault_);
  // Only the data is copied; the holes stay holes, and the size comes last.
  std::vector<Extent> extents;
  if (const std::error_code error = source.Extents(extents)) {
    sourceFault_ = true;
    return error;
  }
  for (const Extent& extent : extents) {
    if (const std::error_code error = CopyBytes(source, out, extent.offset, extent.offset + extent.length, sourceFault_))
      return error;
  }
  return ::ftruncate(out, meta.size) == 0 ? std::error_code{} : LastError();
}

void DestinationWriter::ApplyMetadata(const FileMeta& meta) {
  // Off before the mode: a read-only file's owner could not take it off after.
  Unmark();
  ApplyCarriedMetadata(session_, device_, out_.Get(), meta, createdMode_);
}

std::error_code DestinationWriter::Publish() {
  if (unnamed_) {
    if (!before_.exists) {
      // An unnamed file linked in under the final name: an entry that appeared
      // meanwhile is not replaced.
      session_.Probe(CopyStage::BeforeDestinationCheck);
      session_.NoteChange(dirFd_, device_);
      switch (LinkDescriptor(out_.Get(), dirFd_, name_)) {
        case Linked::Done:
          if (!out_.Close()) {
            const std::error_code error = LastError();
            ::unlinkat(dirFd_, name_, 0);
            return error;
          }
          return {};
        case Linked::Failed:
          if (errno == EEXIST) return Changed();
          if (!NoHardLinks(errno)) return LastError();
          [[fallthrough]];
        case Linked::Unsupported:
          device_.noTmpfile = true;
          return Retry();
      }
    }
    for (;;) {
      std::string tmp = TemporaryNameFor(nameView_);
      // Named, it is seen by a later scan: marked first, so that a leftover is known as ours.
      tmp_ = tmp;
      Mark();
      tmp_.clear();
      const Linked linked = LinkDescriptor(out_.Get(), dirFd_, tmp.c_str());
      if (linked == Linked::Done) {
        tmp_ = std::move(tmp);
        break;
      }
      if (linked == Linked::Failed && errno == EEXIST) continue;
      if (linked == Linked::Failed && !NoHardLinks(errno)) return LastError();
      device_.noTmpfile = true;
      return Retry();
    }
  }
  // Right before the temporary takes the destination's place: the copy never carries the mark.
  Unmark();
  if (!out_.Close()) return LastError();
  session_.Probe(CopyStage::BeforeDestinationCheck);
  session_.NoteChange(dirFd_, device_);
  return before_.exists ? PublishNamed() : PublishNew();
}

// The hidden temporary beside nothing: a rename that never replaces, or a
// link; where the file system has neither, a plain rename right after the
// last look that found nothing there.
std::error_code DestinationWriter::PublishNew() {
  if (!device_.noNoReplace) {
    if (::renameat2(dirFd_, tmp_.c_str(), dirFd_, name_, RENAME_NOREPLACE) == 0) {
      tmp_.clear();
      return {};
    }
    if (errno == EEXIST) return Changed();
    if (errno != EINVAL && errno != ENOSYS) return LastError();
    device_.noNoReplace = true;
  }
  if (!device_.noHardLinks) {
    if (::linkat(dirFd_, tmp_.c_str(), dirFd_, name_, 0) == 0) {
      Discard();
      return {};
    }
    if (errno == EEXIST) return Changed();
    if (!NoHardLinks(errno)) return LastError();
    device_.noHardLinks = true;
  }
  session_.Note(device_, CopyNote::PlainRename);
  struct stat there;
  const int look = StatAt(dirFd_, name_, there);
  if (look == 0) return Changed();
  if (look != ENOENT) return SystemError(look);
  if (::renameat(dirFd_, tmp_.c_str(), dirFd_, name_) != 0) return LastError();
  tmp_.clear();
  return {};
}

// The hidden temporary over exactly the entry that was looked at.
std::error_code DestinationWriter::PublishNamed() {
  // Right before the replacement: the destination must be what was looked at.
  struct stat now;
  if (StatAt(dirFd_, name_, now) != 0 || !SameState(now, before_.st)) return Changed();
  session_.Probe(CopyStage::BeforeExchange);
  if (!device_.noExchange) {
    if (::renameat2(dirFd_, tmp_.c_str(), dirFd_, name_, RENAME_EXCHANGE) == 0) {
      // What was swapped out must be the entry checked a moment ago (a rename
      // moves its change time); otherwise swap back and leave it in place.
      struct stat displaced;
      if (StatAt(dirFd_, tmp_.c_str(), displaced) != 0 || !SameFile(displaced, before_.st)) {
        ::renameat2(dirFd_, tmp_.c_str(), dirFd_, name_, RENAME_EXCHANGE);
        return Changed();
      }
      Discard();
      return {};
    }
    if (errno != EINVAL && errno != ENOSYS) return LastError();
    device_.noExchange = true;
  }
  // File systems without RENAME_EXCHANGE: the check just made is the last word.
  session_.Note(device_, CopyNote::PlainRename);
  if (::renameat(dirFd_, tmp_.c_str(), dirFd_, name_) != 0) return LastError();
  tmp_.clear();
  return {};
}

std::error_code DestinationWriter::LinkFrom(int file) {
  if (device_.noHardLinks) return Unsupported();
  // Another name of a published copy cannot carry a mark of its own: its
  // temporary, if a killed run leaves one, stays a file like any other.
  session_.NoteChange(dirFd_, device_);
  const auto refused = [&] {
    device_.noHardLinks = true;
    session_.Note(device_, CopyNote::HardLinksNotKept);
    return Unsupported();
  };
  if (!before_.exists) {
    switch (LinkDescriptor(file, dirFd_, name_)) {
      case Linked::Done:
        return {};
      case Linked::Failed:
        if (errno == EEXIST) return Changed();
        if (errno == EMLINK) return Unsupported();
        return NoHardLinks(errno) ? refused() : LastError();
      case Linked::Unsupported:
        return Unsupported();
    }
  }
  for (;;) {
    std::string tmp = TemporaryNameFor(nameView_);
    const Linked linked = LinkDescriptor(file, dirFd_, tmp.c_str());
    if (linked == Linked::Done) {
      tmp_ = std::move(tmp);
      break;
    }
    if (linked == Linked::Unsupported) return Unsupported();
    if (errno == EEXIST) continue;
    if (errno == EMLINK) return Unsupported();
    return NoHardLinks(errno) ? refused() : LastError();
  }
  session_.Probe(CopyStage::BeforeDestinationCheck);
  return PublishNamed();
}

}  // namespace orvel::platform
