#include "platform/received_file.h"

#include "platform/stat_util.h"
#include "platform/temporary_name.h"
#include "platform/write_all.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

std::error_code Changed() { return MakeError(Fault::ChangedSinceList); }

// The bytes already received, read back from the unnamed file that could not
// be named, for a second try through a hidden temporary.
class FilledFile final : public CopySource {
 public:
  FilledFile(int fd, const FileMeta& meta) : fd_(fd), meta_(meta) {}
  const FileMeta& Meta() const override { return meta_; }
  std::error_code Extents(std::vector<Extent>& out) override {
    out.assign(1, Extent{0, meta_.size});
    return {};
  }
  ssize_t ReadAt(char* buffer, std::size_t size, std::int64_t offset) override {
    return ::pread(fd_, buffer, size, offset);
  }
  int LocalFd() const override { return fd_; }
  std::error_code Recheck() override { return {}; }

 private:
  int fd_;
  FileMeta meta_;
};

timespec TimespecOf(FileTime t) { return timespec{t.sec, t.nsec}; }

}  // namespace

ReceivedFile::ReceivedFile(CopySession& session, const Folder& to, std::string_view name,
                           const Expectation& destination)
    : session_(session), to_(to), name_(name), destination_(destination) {}

ReceivedFile::~ReceivedFile() = default;

std::error_code ReceivedFile::Begin(bool link, std::uint32_t mode, std::uint64_t size) {
  link_ = link;
  mode_ = mode & 07777;
  size_ = size;
  if (name_.find('\0') != std::string::npos) return MakeError(Fault::NulInPath);
  // As a local copy: a destination that must hold no file needs no look, the
  // rename that never replaces stops at anything there.
  if (destination_.kind != Expectation::Kind::Absent && destination_.kind != Expectation::Kind::NoFile) {
    if (::fstatat(to_.Fd(), name_.c_str(), &before_.st, AT_SYMLINK_NOFOLLOW) != 0) {
      const std::error_code error = LastError();
      if (!IsAbsence(error)) return error;
      if (!destination_.MetBy(EntryInfo{})) return Changed();
    } else {
      before_.exists = true;
      if (!destination_.MetBy(InfoOf(before_.st))) return Changed();
      if (S_ISDIR(before_.st.st_mode)) return SystemError(EISDIR);
      if (IsReadOnlyMode(before_.st.st_mode)) return MakeError(Fault::ReadOnly);
    }
  }
  writer_ = std::make_unique<DestinationWriter>(session_, to_.Fd(), to_.Id().device, name_.c_str(), name_, before_);
  if (link_) return size_ > 4096 ? SystemError(ENAMETOOLONG) : std::error_code{};
  return writer_->Create(mode_ & 0777);
}

std::error_code ReceivedFile::Append(std::string_view bytes) {
  if (!writer_) return SystemError(EBADF);
  received_ += bytes.size();
  // More than announced: the source grew while it was read.
  if (received_ > size_) return Changed();
  if (link_) {
    linkText_.append(bytes);
    return {};
  }
  return WriteAll(writer_->Fd(), bytes.data(), bytes.size()) ? std::error_code{} : LastError();
}

std::error_code ReceivedFile::Finish(FileTime mtime) {
  if (!writer_) return SystemError(EBADF);
  if (received_ != size_) return Changed();
  if (link_) return FinishLink(mtime);
  FileMeta meta;
  meta.size = static_cast<std::int64_t>(size_);
  meta.mode = S_IFREG | mode_;
  // The far owner means nothing here: the file is the receiving user's.
  meta.uid = ::geteuid();
  meta.gid = ::getegid();
  meta.mtime = meta.atime = TimespecOf(mtime);
  writer_->ApplyMetadata(meta);
  session_.Probe(CopyStage::ContentsWritten);
  std::error_code published = writer_->Publish();
  if (published != DestinationWriter::Retry()) return published;
  // The file system would not name the unnamed file: once more through a
  // hidden one, filled from the first.
  DestinationWriter second(session_, to_.Fd(), to_.Id().device, name_.c_str(), name_, before_);
  if (const std::error_code error = second.Create(mode_ & 0777)) return error;
  FilledFile filled(writer_->Fd(), meta);
  if (const std::error_code error = second.FillFrom(filled)) return error;
  second.ApplyMetadata(meta);
  return second.Publish();
}

std::error_code ReceivedFile::FinishLink(FileTime mtime) {
  std::string tmp;
  for (;;) {
    tmp = TemporaryNameFor(name_);
    if (::symlinkat(linkText_.c_str(), to_.Fd(), tmp.c_str()) == 0) break;
    if (errno != EEXIST) return LastError();
  }
  writer_->AdoptTemporary(tmp);
  CopySession::Device& device = writer_->Device();
  // As a local copy: a FUSE file system may apply a link's time to its target.
  if (device.traits.fuse) {
    session_.Note(device, CopyNote::LinkTimesLeft);
  } else if (!device.noTimes) {
    const timespec times[2] = {TimespecOf(mtime), TimespecOf(mtime)};
    if (::utimensat(to_.Fd(), tmp.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != EOPNOTSUPP && errno != EPERM && errno != EINVAL) return LastError();
      session_.Note(device, CopyNote::LinkTimesLeft);
    }
  }
  session_.Probe(CopyStage::ContentsWritten);
  return writer_->Publish();
}

}  // namespace orvel::platform
