#pragma once

#include "engine/side_index.h"
#include "platform/error.h"
#include "platform/folder.h"

#include <atomic>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

// The content comparisons of pairs never synced (a first remembering sync of
// two full trees reads every pair once), made ahead of the comparison on a
// second thread. The comparison takes the answers as it meets the pairs; one it
// reaches before the helper does, it compares itself, so the two share the work.
//
// The helper reads the scans only through what does not change them, and opens
// each folder beneath the roots as the scans saw it.
class CompareAhead {
 public:
  struct Pair {
    SideIndex::EntryId base;
    SideIndex::EntryId target;
    SideIndex::FolderId baseFolder;
    SideIndex::FolderId targetFolder;
  };

  CompareAhead(const SideIndex& base, const SideIndex& target, const platform::Folder& baseRoot,
               const platform::Folder& targetRoot, std::vector<Pair> pairs);
  ~CompareAhead();
  CompareAhead(const CompareAhead&) = delete;
  CompareAhead& operator=(const CompareAhead&) = delete;

  // The answer for the pair of this base entry; false when it is not one of them.
  bool Take(SideIndex::EntryId baseEntry, platform::Expected<bool>& answer);

 private:
  struct Slot {
    std::atomic<int> state{0};  // 0 open, 1 being compared, 2 answered
    bool same = false;
    std::error_code error;
  };
  struct Folders;  // the open folder pair of the previous comparison, per thread

  void Work();
  bool Claim(std::size_t k);
  void Compare(std::size_t k, Folders& folders);

  const SideIndex& base_;
  const SideIndex& target_;
  const platform::Folder& baseRoot_;
  const platform::Folder& targetRoot_;
  std::vector<Pair> pairs_;
  std::unique_ptr<Slot[]> slots_;
  std::unordered_map<SideIndex::EntryId, std::uint32_t> byBase_;
  std::unique_ptr<Folders> mine_;
  std::atomic<bool> stop_{false};
  std::thread helper_;
};

}  // namespace orvel::engine
