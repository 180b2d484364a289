#pragma once

#include "engine/comparison.h"
#include "engine/far_root.h"
#include "engine/folder_scan.h"
#include "engine/interfaces.h"
#include "engine/root_locks.h"
#include "engine/row_store.h"
#include "engine/run_flags.h"
#include "engine/side_index.h"
#include "engine/sync_execution.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace orvel::engine {

enum class RunOutcome {
  Completed,  // every condition was processed (possibly with a cancelled loop in list creation)
  Stopped,    // a validation message or a No ended the run
  Cancelled,  // list creation: a cancel was requested at least once; sync run: a cancel ended it
};

// List creation over all conditions of the set, in set order; with the
// sync-mode flag set, every row is executed the moment it is added.
class ListCreationRun {
 public:
  ListCreationRun(IRunHost& host, IProgress& progress, IPrompt& prompt, IResultList& list, RowStore& rows,
                  RunFlags& flags, SyncExecution& execution);
  ~ListCreationRun();
  ListCreationRun(const ListCreationRun&) = delete;
  ListCreationRun& operator=(const ListCreationRun&) = delete;

  // Where folders on other machines are opened (null: every folder is local).
  void UseFarSides(IFarSides* far) { far_ = far; }

  RunOutcome Run();

 private:
  enum class Step { Next, Stop };
  struct Roots;
  // One loop of a pass: the entries of one list, judged by one classification.
  struct Loop {
    const EntryList& entries;
    bool (Comparison::*classify)(SideIndex::EntryId);
    bool showPath;
    EntryList* clearOnCancel;  // the other side's list a cancel empties
  };

  Step ProcessCondition(int index, int count);
  // The message that ends a condition, then which folder and why (IPrompt::Stopped).
  void Stop(RunMessage message, const MessageArgs& args, const std::string& folder, std::error_code error);
  // The far sides' patience in seconds, as messages give it.
  std::string PatienceText() const;
  // Says which far sides of the condition were given up for their silence
  // (their rows failed already), unless said before.
  void TellSilentFarSides();
  bool Validate(const CCondition& condition);
  Step OpenRoots(const CCondition& condition, const RunValues& values, Roots& roots);
  // A folder on another machine, as written (a separator added to "host:"
  // would name another folder): opened there, a missing target made there
  // when the user agrees. `shown` is the folder as messages show it.
  Step OpenFarRoot(const std::string& written, const std::string& shown, bool base, std::unique_ptr<IFarRoot>& root);
  void ScanBothSides(const RunValues& values, const Roots& roots);
  // The same with one side or both on other machines: each far side scans
  // there while the near side scans here.
  void ScanWithFarSide(const RunValues& values, const Roots& roots);
  // Why a root could not be listed, as the user reads it.
  std::string RootErrorText(const Roots& roots, bool base, std::error_code error) const;
  // Counts the leftovers the scans removed; says where names like them could not be told from the user's.
  void NoteLeftovers(const RunValues& values, const Roots& roots);
  // Sets the step the comparison sees times in, and says it once per run when coarser than 1 ms.
  void CompareAtCoarserUnit(const RunValues& values, const Roots& roots);
  Step RunPass(RunStatus status, const SideIndex& index, int barStart, bool countAll, const Loop& folders,
               const Loop& files);
  bool CancelRequested();
  void ReturnNames();
  bool SyncCancelled() const { return flags_.syncMode && cancelled_; }
  void ShowEntryPath(const SideIndex& index, SideIndex::EntryId entry);

  IRunHost& host_;
  IProgress& progress_;
  IPrompt& prompt_;
  IResultList& list_;
  RowStore& rows_;
  RunFlags& flags_;
  SyncExecution& execution_;
  bool madeTargetRoot_ = false;  // this condition's target root was made by Validate
  IFarSides* far_ = nullptr;
  // The condition's roots, open until the execution has finished with them
  // (it sets the times of the folders it made once their contents are in place).
  std::unique_ptr<Roots> roots_;
  Comparison comparison_;
  RootLocks locks_;
  SideIndex baseIndex_;
  SideIndex targetIndex_;
  ScanLists baseLists_;
  ScanLists targetLists_;
  ScanSummary baseSummary_;
  ScanSummary targetSummary_;
  bool cancelled_ = false;
  std::map<std::uint64_t, std::int64_t> announcedUnits_;  // device → the step already said
  std::string pathBuffer_;  // the shown entry's folder path, then its name
  const SideIndex* pathIndex_ = nullptr;
  SideIndex::FolderId pathFolder_ = SideIndex::kNoFolder;
  std::size_t pathFolderLength_ = 0;
};

}  // namespace orvel::engine
