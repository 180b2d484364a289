#include "platform/copy_session.h"

#include "platform/error.h"

#include <fcntl.h>
#include <unistd.h>

namespace orvel::platform {

void CopySession::Reset() {
  std::lock_guard lock(mutex_);
  devices_.clear();
  reported_.clear();
  links_.clear();
}

void CopySession::ForgetLinks() {
  std::lock_guard lock(mutex_);
  links_.clear();
}

CopySession::Device& CopySession::DeviceOf(std::uint64_t device, int folderFd) {
  std::lock_guard lock(mutex_);
  const auto [found, made] = devices_.try_emplace(device);
  // Read under the lock: no copy sees the record before its traits are in.
  if (made) found->second.traits = TraitsOfFolder(folderFd);
  // Before anything is written there, so that its flush hears of every write-back failure since.
  if (!found->second.flushFd) found->second.flushFd.Reset(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return found->second;
}

void CopySession::NoteChange(int folderFd, Device& device) {
  if (device.changed.load()) return;
  {
    // A folder that could not be read when the record was made; another may be.
    std::lock_guard lock(mutex_);
    if (!device.flushFd) device.flushFd.Reset(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  device.changed.store(true);
}

bool CopySession::Changed() const {
  std::lock_guard lock(mutex_);
  for (const auto& [id, device] : devices_)
    if (device.changed.load()) return true;
  return false;
}

std::vector<CopySession::FlushFailure> CopySession::FlushChanges() {
  struct Due {
    std::uint64_t id;
    int fd;  // a descriptor once valid is never replaced before Reset
    std::string type;
  };
  std::vector<Due> due;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, device] : devices_)
      if (device.changed.exchange(false)) due.push_back({id, device.flushFd.Get(), device.traits.type});
  }
  // No lock while the disks work.
  std::vector<FlushFailure> failed;
  for (const Due& d : due) {
    if (d.fd < 0) {
      // No descriptor to name the file system by: everything, then.
      ::sync();
      continue;
    }
    if (::syncfs(d.fd) != 0) failed.push_back({d.id, d.type, LastError()});
  }
  // A descriptor held beyond this would keep the disk from being unmounted.
  std::lock_guard lock(mutex_);
  for (auto& [id, device] : devices_) device.flushFd.Reset(-1);
  return failed;
}

CopySession::Device* CopySession::Find(std::uint64_t device) {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(device);
  return found == devices_.end() ? nullptr : &found->second;
}

std::vector<CopySession::Report> CopySession::TakeNewNotes() {
  std::lock_guard lock(mutex_);
  std::vector<Report> reports;
  for (const auto& [id, device] : devices_) {
    unsigned& said = reported_[id];
    const unsigned fresh = device.notes.load() & ~said;
    for (unsigned bit = 1; bit != 0 && bit <= fresh; bit <<= 1) {
      if (fresh & bit) reports.push_back(Report{id, device.traits.type, static_cast<CopyNote>(bit)});
    }
    said |= fresh;
  }
  return reports;
}

std::int64_t CopySession::LearnedUnit(std::uint64_t device) const {
  std::lock_guard lock(mutex_);
  const auto found = devices_.find(device);
  if (found == devices_.end()) return 0;
  const std::int64_t unit = found->second.keptUnit.load();
  return unit < 0 ? 0 : unit;
}

CopySession::LinkTurn::LinkTurn(CopySession& session, std::uint64_t device, std::uint64_t inode)
    : session_(session), key_{device, inode} {
  std::unique_lock lock(session_.mutex_);
  session_.turnEnded_.wait(lock, [&] { return !session_.turns_.contains(key_); });
  session_.turns_.insert(key_);
}

CopySession::LinkTurn::~LinkTurn() {
  {
    std::lock_guard lock(session_.mutex_);
    session_.turns_.erase(key_);
  }
  session_.turnEnded_.notify_all();
}

CopySession::LinkedCopy* CopySession::FindCopy(std::uint64_t device, std::uint64_t inode) {
  std::lock_guard lock(mutex_);
  const auto found = links_.find({device, inode});
  return found == links_.end() ? nullptr : &found->second;
}

void CopySession::RememberCopy(std::uint64_t device, std::uint64_t inode, LinkedCopy copy) {
  std::lock_guard lock(mutex_);
  if (links_.size() >= kMaxLinkedCopies) return;
  links_[{device, inode}] = std::move(copy);
}

}  // namespace orvel::platform
