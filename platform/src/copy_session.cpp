#include "platform/copy_session.h"

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
  return found->second;
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
