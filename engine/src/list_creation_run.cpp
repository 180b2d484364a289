#include "engine/list_creation_run.h"

#include "engine/background_scan.h"
#include "engine/ensure_folder_path.h"
#include "platform/file_system.h"

#include <chrono>
#include <optional>

namespace orvel::engine {

RunOutcome ListCreationRun::Run() {
  flags_.found = 0;
  rows_.Clear();
  list_.Clear();
  flags_.busy = true;
  cancelled_ = false;
  if (flags_.syncMode) {
    comparison_.SetExecution([this](int item) { execution_.ExecuteRow(item, Direction::AsMarked, true); });
  }

  progress_.Open();
  bool stopped = false;
  const int count = host_.ConditionCount();
  for (int i = 0; i < count; ++i) {
    if (ProcessCondition(i, count) == Step::Stop) {
      stopped = true;
      break;
    }
    // A cancel ends a sync run: nothing further is copied or deleted.
    if (SyncCancelled()) break;
  }
  progress_.Close();
  host_.EndRun();
  flags_.busy = false;

  // The entry lists are only needed during the run; give their memory back.
  baseIndex_.Reset({});
  targetIndex_.Reset({});
  baseLists_ = {};
  targetLists_ = {};

  if (cancelled_) return RunOutcome::Cancelled;
  return stopped ? RunOutcome::Stopped : RunOutcome::Completed;
}

bool ListCreationRun::Validate(const CCondition& condition) {
  const auto base = platform::LookUpFollow(condition.GetAFolder());
  if (!base.exists || !base.directory) {
    prompt_.Message(run_text::kBaseMissing);
    return false;
  }
  const auto target = platform::LookUpFollow(condition.GetBFolder());
  if (!target.exists) {
    if (!prompt_.AskYesNo(run_text::kTargetMissingAsk)) return false;
    if (!EnsureFolderPath(condition.GetBFolder())) {
      prompt_.Message(run_text::kTargetCannotCreate);
      return false;
    }
  } else if (!target.directory) {
    prompt_.Message(run_text::kTargetNotFolder);
    return false;
  }
  return true;
}

bool ListCreationRun::CancelRequested() {
  if (!progress_.PollCancel()) return false;
  cancelled_ = true;
  return true;
}

void ListCreationRun::ShowEntryPath(const SideIndex& index, SideIndex::EntryId entry) {
  pathBuffer_.assign(index.FolderPath(index.EntryFolder(entry))).append(index.EntryName(entry));
  progress_.ShowPath(pathBuffer_);
}

namespace {

// The scan on the run's own thread: it shows where it is, sees cancels, and a
// cancel clears the busy flag for the rest of the run.
class ForegroundScanControl : public ScanControl {
 public:
  ForegroundScanControl(IProgress& progress, RunFlags& flags) : progress_(progress), flags_(flags) {}
  bool Running() const override { return flags_.busy; }
  void EnterFolder(std::string_view path) override { progress_.ShowPath(path); }
  bool CancelAfterEntry() override {
    if (!progress_.PollCancel()) return false;
    flags_.busy = false;
    return true;
  }

 private:
  IProgress& progress_;
  RunFlags& flags_;
};

// How often the display turns while the run waits for the other side's scan.
constexpr std::chrono::milliseconds kWaitSlice{20};

}  // namespace

void ListCreationRun::ScanBothSides(const RunValues& values) {
  const bool wasBusy = flags_.busy;
  // The target tree is read on a second thread while this one reads the base
  // tree; to the display it is still the base scan, then the target scan.
  std::optional<BackgroundScan> targetScan;
  if (flags_.busy) {
    targetScan.emplace(values, ScanSide::Target, values.bFolder, values.subFolder, targetIndex_, targetLists_);
  } else {
    targetIndex_.Reset(values.bFolder);
  }

  ForegroundScanControl control(progress_, flags_);
  FolderScan(values, control).Scan(ScanSide::Base, values.aFolder, values.subFolder, baseIndex_, baseLists_);
  progress_.SetBarPos(25);
  progress_.ShowPath({});

  if (targetScan) {
    if (!flags_.busy) {
      // The base scan was cancelled: the target side lists nothing.
      targetScan->Cancel();
      targetIndex_.Reset(values.bFolder);
      targetLists_.Clear();
    } else {
      while (!targetScan->WaitFor(kWaitSlice)) {
        progress_.ShowPath(targetScan->CurrentFolder());
        if (progress_.PollCancel()) {
          flags_.busy = false;
          targetScan->Cancel();
          targetLists_.files.clear();  // the empty folders found so far stay listed
          break;
        }
      }
      targetScan->Join();
    }
  }
  progress_.SetBarPos(50);
  progress_.ShowPath({});
  if (wasBusy && !flags_.busy) cancelled_ = true;  // a scan saw the cancel
}

ListCreationRun::Step ListCreationRun::ProcessCondition(int index, int count) {
  CCondition condition = host_.BeginCondition(index);
  progress_.ShowCondition(count, index + 1, condition.GetName());

  if (!Validate(condition)) return Step::Stop;
  const RunValues values = DeriveRunValues(condition);
  if (values.aFolder == values.bFolder) {
    prompt_.Message(run_text::kSameFolders);
    return Step::Stop;
  }

  progress_.SetBarRange(0, 100);
  baseLists_.Clear();
  targetLists_.Clear();
  progress_.ShowStatus(run_text::kSearching);

  ScanBothSides(values);
  if (SyncCancelled()) return Step::Next;

  comparison_.Begin(values, baseIndex_, targetIndex_);
  const auto relFolder = [](const SideIndex& side, SideIndex::EntryId e) {
    return side.FolderPath(side.EntryFolder(e));
  };

  // Base pass: folders first, then files.
  progress_.ShowStatus(run_text::kBasePass);
  std::size_t total = baseLists_.folders.size() + baseLists_.files.size();
  std::size_t k = 0;
  for (const auto e : baseLists_.folders) {
    comparison_.BaseFolder(relFolder(baseIndex_, e), baseIndex_.EntryName(e));
    ++flags_.found;
    progress_.SetBarPos(50 + static_cast<int>(25 * k / total));
    ++k;
    if (CancelRequested()) {
      targetLists_.folders.clear();
      break;
    }
  }
  if (SyncCancelled()) return Step::Next;
  k = baseLists_.folders.size();
  for (const auto e : baseLists_.files) {
    ShowEntryPath(baseIndex_, e);
    comparison_.BaseFile(relFolder(baseIndex_, e), baseIndex_.EntryName(e));
    ++flags_.found;
    progress_.SetBarPos(50 + static_cast<int>(25 * k / total));
    ++k;
    if (CancelRequested()) {
      targetLists_.files.clear();
      break;
    }
  }
  if (SyncCancelled()) return Step::Next;

  // Target pass: only entries the base side did not judge add rows.
  progress_.ShowStatus(run_text::kTargetPass);
  total = targetLists_.folders.size() + targetLists_.files.size();
  k = 0;
  for (const auto e : targetLists_.folders) {
    if (comparison_.TargetFolder(relFolder(targetIndex_, e), targetIndex_.EntryName(e))) ++flags_.found;
    progress_.SetBarPos(75 + static_cast<int>(25 * k / total));
    ++k;
    if (CancelRequested()) break;
  }
  if (SyncCancelled()) return Step::Next;
  k = targetLists_.folders.size();
  for (const auto e : targetLists_.files) {
    ShowEntryPath(targetIndex_, e);
    if (comparison_.TargetFile(relFolder(targetIndex_, e), targetIndex_.EntryName(e))) ++flags_.found;
    progress_.SetBarPos(75 + static_cast<int>(25 * k / total));
    ++k;
    if (CancelRequested()) break;
  }
  return Step::Next;
}

}  // namespace orvel::engine
