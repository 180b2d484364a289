#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"
#include "engine/run_values.h"
#include "engine/side_index.h"
#include "engine/sync_memory.h"

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace orvel::engine {

// Judges listed entries and adds a result row (and a list item) for each
// difference. An entry present on both sides is judged once, by the base side.
class Comparison {
 public:
  Comparison(RowStore& rows, IResultList& list);
  ~Comparison();

  // The condition being processed: its run values and the two sides' scans.
  void Begin(const RunValues& values, const SideIndex& base, const SideIndex& target);

  // Times are compared in steps of unitNs, the coarser of the two sides' file
  // systems (both cut down to it; the tolerance applies on top). With
  // linksByText, a pair of links with the same text is the same whatever
  // their times (a side whose links cannot be given a time safely).
  void SetTimeUnit(std::int64_t unitNs, bool linksByText) {
    timeUnitNs_ = unitNs > 1 ? unitNs : 1;
    linksByText_ = linksByText;
  }

  // When set, each added row is handed to onRowAdded (the sync run executes it).
  void SetExecution(std::function<void(int item)> onRowAdded) { onRowAdded_ = std::move(onRowAdded); }

  // The remembered state of the condition's pair (null: none), by which normal
  // mode judges; with recordEqual the pairs found equal are remembered (the sync run).
  void SetMemory(PairMemory* memory, SyncMemory* registry, bool recordEqual) {
    memory_ = memory;
    registry_ = registry;
    recordEqual_ = recordEqual;
  }
  // After both passes: a row for each folder that the memory's deletions empty
  // and that the state remembers, deepest first; returns how many were added.
  int EmptiedFolders(SyncMemory& registry, const SideIndex& base, const SideIndex& target);
  // After a sync run's passes: forgets remembered entries neither side has any more.
  void ForgetVanished(const SideIndex& base, const SideIndex& target);

  // relFolder: the entry's relative folder (empty or ending in the separator).
  bool BaseFolder(std::string_view relFolder, std::string_view name);
  bool BaseFile(std::string_view relFolder, std::string_view name);
  bool TargetFolder(std::string_view relFolder, std::string_view name);
  bool TargetFile(std::string_view relFolder, std::string_view name);

  // The same for an entry the scan of the side being passed listed: that side
  // is read from the entry itself, and the other side is looked up in its
  // folder of the same path, resolved once per folder.
  bool ListedBaseFolder(SideIndex::EntryId entry);
  bool ListedBaseFile(SideIndex::EntryId entry);
  bool ListedTargetFolder(SideIndex::EntryId entry);
  bool ListedTargetFile(SideIndex::EntryId entry);

 private:
  enum class Kind { BaseFolder, BaseFile, TargetFolder, TargetFile };
  struct Verdict;
  struct State;
  static bool Failed(const SideIndex::Found& own, Side ownSide, const SideIndex::Found& other, Verdict& verdict);
  Verdict Judge(Kind kind, const SideIndex::Found& base, const SideIndex::Found& target) const;
  void JudgeByMemory(Kind kind, std::string_view relFolder, std::string_view name, const SideIndex::Found& base,
                     const SideIndex::Found& target, Verdict& verdict);
  // Complete sync where `name` is a folder on one side and a file on the other.
  void JudgeCompleteKind(Kind kind, std::string_view relFolder, std::string_view name, const SideIndex::Found& base,
                         const SideIndex::Found& target, Verdict& verdict);
  // `name` is a folder on one side and a file on the other: by the memory, or
  // in complete sync (no memory) the base's entry wins.
  void JudgeKindChange(std::string_view relFolder, std::string_view name, bool folderOnBase,
                       const SideIndex::Found& base, const SideIndex::Found& target, Verdict& verdict);
  // Whether every entry below a folder of one side is as remembered (without
  // memory: whether the scan read all of it); collects the tree as the scan saw it.
  bool TreeUnchanged(bool baseSide, const std::string& folderPath, std::vector<ReplacedEntry>& tree);
  // On entering a folder of the listed side: whether its entries are left out
  // because a kind change above them decides (judging it first when needed).
  bool SettledAbove(bool baseSide, std::string_view relFolder);
  bool AddRow(std::string_view relFolder, std::string_view name, Verdict& verdict, Side side, SideIndex::EntryId own,
              const SideIndex::Found& base, const SideIndex::Found& target);
  // own: the listed entry of the side being passed, or kNoEntry to look both sides up.
  bool Classify(Kind kind, std::string_view relFolder, std::string_view name,
                SideIndex::EntryId own = SideIndex::kNoEntry);
  bool ClassifyListed(Kind kind, SideIndex::EntryId entry);

  RowStore& rows_;
  IResultList& list_;
  const RunValues* values_ = nullptr;
  std::unique_ptr<State> state_;
  std::function<void(int)> onRowAdded_;
  PairMemory* memory_ = nullptr;
  SyncMemory* registry_ = nullptr;
  bool recordEqual_ = false;
  std::int64_t timeUnitNs_ = 1;
  bool linksByText_ = false;
};

}  // namespace orvel::engine
