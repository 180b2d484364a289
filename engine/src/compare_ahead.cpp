#include "engine/compare_ahead.h"

#include "platform/content_compare.h"

#include <string>

namespace orvel::engine {

struct CompareAhead::Folders {
  SideIndex::FolderId baseFolder = SideIndex::kNoFolder;
  SideIndex::FolderId targetFolder = SideIndex::kNoFolder;
  platform::Folder base;
  platform::Folder target;
  std::error_code error;
};

CompareAhead::CompareAhead(const SideIndex& base, const SideIndex& target, const platform::Folder& baseRoot,
                           const platform::Folder& targetRoot, std::vector<Pair> pairs)
    : base_(base),
      target_(target),
      baseRoot_(baseRoot),
      targetRoot_(targetRoot),
      pairs_(std::move(pairs)),
      slots_(std::make_unique<Slot[]>(pairs_.size())),
      mine_(std::make_unique<Folders>()) {
  byBase_.reserve(pairs_.size());
  for (std::uint32_t k = 0; k < pairs_.size(); ++k) byBase_.emplace(pairs_[k].base, k);
  helper_ = std::thread([this] { Work(); });
}

CompareAhead::~CompareAhead() {
  stop_.store(true, std::memory_order_relaxed);
  helper_.join();
}

bool CompareAhead::Claim(std::size_t k) {
  int open = 0;
  return slots_[k].state.compare_exchange_strong(open, 1, std::memory_order_acquire);
}

void CompareAhead::Work() {
  Folders folders;
  for (std::size_t k = 0; k < pairs_.size() && !stop_.load(std::memory_order_relaxed); ++k) {
    if (Claim(k)) Compare(k, folders);
  }
}

void CompareAhead::Compare(std::size_t k, Folders& folders) {
  const Pair& pair = pairs_[k];
  Slot& slot = slots_[k];
  if (pair.baseFolder != folders.baseFolder || pair.targetFolder != folders.targetFolder) {
    folders.baseFolder = pair.baseFolder;
    folders.targetFolder = pair.targetFolder;
    folders.error = {};
    std::string rel;
    base_.AppendFolderPath(pair.baseFolder, rel);
    platform::Expected<platform::Folder> b = baseRoot_.OpenBeneath(rel);
    platform::Expected<platform::Folder> t = targetRoot_.OpenBeneath(rel);
    if (!b || !t) {
      folders.error = !b ? b.error() : t.error();
    } else if (b->Id() != base_.FolderIdentity(pair.baseFolder) || t->Id() != target_.FolderIdentity(pair.targetFolder)) {
      // Not the folders the scans listed any more.
      folders.error = platform::MakeError(platform::Fault::FolderReplaced);
    } else {
      folders.base = std::move(*b);
      folders.target = std::move(*t);
    }
  }
  if (folders.error) {
    slot.error = folders.error;
  } else {
    const platform::Expected<bool> same = platform::SameContents(
        folders.base, folders.target, base_.EntryName(pair.base), base_.EntryInfoOf(pair.base),
        target_.EntryInfoOf(pair.target));
    if (same) {
      slot.same = *same;
    } else {
      slot.error = same.error();
    }
  }
  slot.state.store(2, std::memory_order_release);
  slot.state.notify_all();
}

bool CompareAhead::Take(SideIndex::EntryId baseEntry, platform::Expected<bool>& answer) {
  const auto found = byBase_.find(baseEntry);
  if (found == byBase_.end()) return false;
  const std::size_t k = found->second;
  Slot& slot = slots_[k];
  if (Claim(k)) {
    Compare(k, *mine_);
  } else {
    for (int state = slot.state.load(std::memory_order_acquire); state != 2;
         state = slot.state.load(std::memory_order_acquire))
      slot.state.wait(state, std::memory_order_acquire);
  }
  answer = slot.error ? platform::Expected<bool>(slot.error) : platform::Expected<bool>(slot.same);
  return true;
}

}  // namespace orvel::engine
