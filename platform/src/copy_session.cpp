#include "platform/copy_session.h"

namespace orvel::platform {

void CopySession::Reset() {
  devices_.clear();
  reported_.clear();
  links_.clear();
}

CopySession::Device& CopySession::DeviceOf(std::uint64_t device, int folderFd) {
  Device& d = devices_[device];
  if (!d.probed) {
    d.probed = true;
    d.traits = TraitsOfFolder(folderFd);
  }
  return d;
}

CopySession::Device* CopySession::Find(std::uint64_t device) {
  const auto found = devices_.find(device);
  return found == devices_.end() ? nullptr : &found->second;
}

std::vector<CopySession::Report> CopySession::TakeNewNotes() {
  std::vector<Report> reports;
  for (const auto& [id, device] : devices_) {
    unsigned& said = reported_[id];
    const unsigned fresh = device.notes & ~said;
    for (unsigned bit = 1; bit != 0 && bit <= fresh; bit <<= 1) {
      if (fresh & bit) reports.push_back(Report{id, device.traits.type, static_cast<CopyNote>(bit)});
    }
    said |= fresh;
  }
  return reports;
}

std::int64_t CopySession::LearnedUnit(std::uint64_t device) const {
  const auto found = devices_.find(device);
  return found == devices_.end() || found->second.keptUnit < 0 ? 0 : found->second.keptUnit;
}

CopySession::LinkedCopy* CopySession::FindCopy(std::uint64_t device, std::uint64_t inode) {
  const auto found = links_.find({device, inode});
  return found == links_.end() ? nullptr : &found->second;
}

void CopySession::RememberCopy(std::uint64_t device, std::uint64_t inode, LinkedCopy copy) {
  if (links_.size() >= kMaxLinkedCopies) return;
  links_[{device, inode}] = std::move(copy);
}

}  // namespace orvel::platform
