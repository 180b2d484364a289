#pragma once

#include "engine/folder_scan.h"
#include "engine/side_index.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace orvel::remote {

// The far side's scan as frames: every folder of its index (ScanFolders), then
// every entry in index order, a folder's entries together (ScanEntries), then
// the two lists (ScanList), then the summary (ScanEnd). `flush` is handed the
// frames built so far whenever they pass a few hundred KiB, and the rest at the
// end; false from it stops the encoding (the stream is gone).
bool EncodeScan(const engine::SideIndex& index, const engine::ScanLists& lists, const engine::ScanSummary& summary,
                std::uint32_t requestId, const std::function<bool(std::string&)>& flush);

// Fills an index and its lists from those frames as if the scan had run here.
// Every frame is checked against what came before it (ids in order, a folder's
// entries together, names that can only mean an entry of that folder, lists of
// entries that exist, each at most once, limits); the first frame that breaks a
// rule makes the whole scan unusable (Problem() says why).
class ScanDecoder {
 public:
  // The index is reset to `root` (no folder to look up in: the entries are on
  // the far side) and the lists emptied. keepExtras: the scan was asked for
  // the entries' stamps and the folders' file systems.
  ScanDecoder(engine::SideIndex& index, engine::ScanLists& lists, std::string root, bool keepExtras = false);

  bool Folders(std::string_view payload);
  bool Entries(std::string_view payload);
  bool List(std::string_view payload);
  bool End(std::string_view payload, engine::ScanSummary& summary);
  const std::string& Problem() const { return problem_; }
  std::size_t EntriesSoFar() const { return index_.EntryCount(); }

 private:
  enum class Phase { Folders, Entries, Lists, Done };
  bool Fail(std::string problem);

  engine::SideIndex& index_;
  engine::ScanLists& lists_;
  bool keepExtras_ = false;
  Phase phase_ = Phase::Folders;
  engine::SideIndex::FolderId lastFolder_ = engine::SideIndex::kNoFolder;
  std::unordered_set<std::string_view> names_;  // of the folder being filled
  std::vector<bool> started_;                   // folders whose entries have begun
  std::vector<bool> inFiles_;
  std::vector<bool> inFolders_;
  std::string problem_;
};

}  // namespace orvel::remote
