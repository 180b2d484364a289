#include "engine/list_creation_run.h"

#include "engine/background_scan.h"
#include "engine/ensure_folder_path.h"
#include "engine/far_scan.h"
#include "platform/file_system.h"
#include "platform/file_system_traits.h"

#include <chrono>
#include <optional>
#include <tuple>

namespace orvel::engine {

// The two root folders of the condition being processed, open for the whole of it.
struct ListCreationRun::Roots {
  platform::Folder base;
  platform::Folder target;
  // A side on another machine has one of these instead of its folder.
  std::unique_ptr<IFarRoot> baseFar;
  std::unique_ptr<IFarRoot> targetFar;
  // The folders as written, and whether a far side's silence was said already.
  std::string baseWritten;
  std::string targetWritten;
  bool baseSilenceTold = false;
  bool targetSilenceTold = false;
};

namespace {

// Why a folder looked up by its path is no folder to work on.
std::error_code NoFolderError(const platform::EntryInfo& info) {
  if (info.error) return info.error;
  return std::make_error_code(info.exists ? std::errc::not_a_directory : std::errc::no_such_file_or_directory);
}

}  // namespace

ListCreationRun::ListCreationRun(IRunHost& host, IProgress& progress, IPrompt& prompt, IResultList& list,
                                 RowStore& rows, RunFlags& flags, SyncExecution& execution)
    : host_(host),
      progress_(progress),
      prompt_(prompt),
      list_(list),
      rows_(rows),
      flags_(flags),
      execution_(execution),
      comparison_(rows, list) {}

RunOutcome ListCreationRun::Run() {
  flags_.found = 0;
  flags_.unreadable = 0;
  flags_.leftoversRemoved = 0;
  flags_.listed = 0;
  flags_.judged = 0;
  rows_.Clear();
  list_.Clear();
  flags_.busy = true;
  cancelled_ = false;
  execution_.BeginRun();
  announcedUnits_.clear();
  if (flags_.syncMode) {
    comparison_.SetExecution([this](int item) { execution_.ExecuteRow(item, Direction::AsMarked); });
  }

  progress_.Open();
  bool stopped = false;
  const int count = host_.ConditionCount();
  for (int i = 0; i < count; ++i) {
    const Step step = ProcessCondition(i, count);
    execution_.Release();
    TellSilentFarSides();
    roots_.reset();
    execution_.ReportNotes(prompt_);
    locks_.Release();
    ReturnNames();
    if (step == Step::Stop) {
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
  ReturnNames();
  baseLists_ = {};
  targetLists_ = {};

  if (cancelled_) return RunOutcome::Cancelled;
  return stopped ? RunOutcome::Stopped : RunOutcome::Completed;
}

ListCreationRun::~ListCreationRun() {
  // A run cut short by an exception: the rows must not keep reading names from
  // indexes that go with this object.
  try {
    ReturnNames();
  } catch (...) {
    list_.Clear();
    rows_.Clear();
  }
}

void ListCreationRun::ReturnNames() {
  // The rows read their names from the indexes until now; the indexes go.
  // The display may not turn before the rows have their names back: a line
  // painted in between would read a name from an index already emptied.
  NameStore base = baseIndex_.TakeNames();
  NameStore target = targetIndex_.TakeNames();
  rows_.ReturnNames(std::move(base), std::move(target));
  progress_.Pulse();
}

void ListCreationRun::Stop(RunMessage message, const MessageArgs& args, const std::string& folder,
                           std::error_code error) {
  prompt_.Message(message, args);
  prompt_.Stopped(message, args, folder, error);
}

std::string ListCreationRun::PatienceText() const {
  const std::int64_t ms = far_ ? far_->Patience().count() : 0;
  if (ms % 1000 == 0) return std::to_string(ms / 1000);
  return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100);
}

void ListCreationRun::TellSilentFarSides() {
  if (!roots_) return;
  Roots& roots = *roots_;
  for (auto [far, written, told] : {std::tuple{roots.baseFar.get(), &roots.baseWritten, &roots.baseSilenceTold},
                                    {roots.targetFar.get(), &roots.targetWritten, &roots.targetSilenceTold}}) {
    if (!far || *told || far->Broken() != std::errc::timed_out) continue;
    *told = true;
    Stop(RunMessage::FarSideSilent, {*written, PatienceText()}, *written, far->Broken());
  }
}

bool ListCreationRun::Validate(const CCondition& condition) {
  // A folder on another machine is looked at there, when it is opened.
  if (!far_ || !far_->IsFar(condition.AFolder)) {
    const auto base = platform::LookUpFollow(condition.AFolder);
    if (!base.exists || !base.directory) {
      Stop(RunMessage::BaseMissing, {}, condition.AFolder, NoFolderError(base));
      return false;
    }
  }
  if (far_ && far_->IsFar(condition.BFolder)) return true;
  const auto target = platform::LookUpFollow(condition.BFolder);
  if (!target.exists && !target.error) {
    if (!prompt_.Ask(RunMessage::TargetMissingAsk)) {
      prompt_.Stopped(RunMessage::TargetMissingAsk, {}, condition.BFolder, NoFolderError(target));
      return false;
    }
    if (!EnsureFolderPath(condition.BFolder)) {
      Stop(RunMessage::TargetCannotCreate, {}, condition.BFolder, {});
      return false;
    }
    madeTargetRoot_ = true;
  } else if (!target.directory) {
    Stop(RunMessage::TargetNotFolder, {}, condition.BFolder, NoFolderError(target));
    return false;
  }
  return true;
}

ListCreationRun::Step ListCreationRun::OpenFarRoot(const std::string& written, const std::string& path, bool base,
                                                   std::unique_ptr<IFarRoot>& root) {
  const bool exclusive = flags_.syncMode;
  bool create = false;
  // A login may take long (a slow host, a password asked): the display turns
  // and a cancel is heard meanwhile.
  progress_.ShowStatus(RunStatus::Connecting);
  progress_.ShowPath(written);
  const auto waiting = [this] {
    progress_.Pulse();
    return !CancelRequested();
  };
  for (;;) {
    IFarSides::Opened opened = far_->Open(written, exclusive, create, waiting);
    if (opened.root) {
      root = std::move(opened.root);
      progress_.ShowPath({});
      return Step::Next;
    }
    const std::error_code error = opened.error;
    if (cancelled_) return Step::Stop;
    if (error == std::errc::not_a_directory || (base && platform::IsAbsence(error))) {
      Stop(base ? RunMessage::BaseMissing : RunMessage::TargetNotFolder, {}, written, error);
      return Step::Stop;
    }
    if (platform::IsAbsence(error)) {
      if (create) {
        Stop(RunMessage::TargetCannotCreate, {}, written, error);
        return Step::Stop;
      }
      if (!prompt_.Ask(RunMessage::TargetMissingAsk)) {
        prompt_.Stopped(RunMessage::TargetMissingAsk, {}, written, error);
        return Step::Stop;
      }
      create = true;
      continue;
    }
    if (error == platform::MakeError(platform::Fault::Busy)) {
      if (!prompt_.Ask(RunMessage::FolderBusyAsk, {path})) {
        prompt_.Stopped(RunMessage::FolderBusyAsk, {path}, written, error);
        return Step::Stop;
      }
      continue;
    }
    ++flags_.unreadable;
    if (error == std::errc::timed_out) {
      Stop(RunMessage::FarSideSilent, {written, PatienceText()}, written, error);
    } else {
      Stop(RunMessage::FolderUnreadable, {path, prompt_.ReasonText(opened.reason)}, written, error);
    }
    return Step::Stop;
  }
}

ListCreationRun::Step ListCreationRun::OpenRoots(const CCondition& condition, const RunValues& values, Roots& roots) {
  roots.baseWritten = condition.AFolder;
  roots.targetWritten = condition.BFolder;
  for (auto [path, folder] : {std::pair{&values.aFolder, &roots.base}, {&values.bFolder, &roots.target}}) {
    if (far_ && far_->IsFar(*path)) {
      const bool base = folder == &roots.base;
      if (OpenFarRoot(base ? condition.AFolder : condition.BFolder, *path, base,
                      base ? roots.baseFar : roots.targetFar) == Step::Stop)
        return Step::Stop;
      continue;
    }
    platform::Expected<platform::Folder> opened = platform::Folder::OpenRoot(*path);
    if (!opened) {
      ++flags_.unreadable;
      Stop(RunMessage::FolderUnreadable, {*path, prompt_.ReasonText(ReasonOf(opened.error()))},
           folder == &roots.base ? condition.AFolder : condition.BFolder, opened.error());
      return Step::Stop;
    }
    *folder = std::move(*opened);
  }
  // The same folder by identity, whatever the spelling ("/" and "//", a link,
  // a relative path, two names of one machine).
  const bool same = roots.baseFar || roots.targetFar
                        ? roots.baseFar && roots.targetFar && roots.baseFar->Machine() == roots.targetFar->Machine() &&
                              roots.baseFar->Info().identity == roots.targetFar->Info().identity
                        : roots.base.Id() == roots.target.Id();
  if (same) {
    Stop(RunMessage::SameFolders, {}, condition.BFolder, {});
    return Step::Stop;
  }
  // A far root was locked by its far side as it was opened.
  const auto mode = flags_.syncMode ? platform::FolderLock::Mode::Exclusive : platform::FolderLock::Mode::Shared;
  for (const auto& [folder, far, path, written] :
       {std::tuple{&roots.base, roots.baseFar.get(), &values.aFolder, &condition.AFolder},
        {&roots.target, roots.targetFar.get(), &values.bFolder, &condition.BFolder}}) {
    if (far || locks_.Take(*folder, *path, mode, prompt_)) continue;
    prompt_.Stopped(RunMessage::FolderBusyAsk, {*path}, *written, platform::MakeError(platform::Fault::Busy));
    return Step::Stop;
  }
  return Step::Next;
}

bool ListCreationRun::CancelRequested() {
  if (!progress_.PollCancel()) return false;
  cancelled_ = true;
  execution_.StopCopies();
  return true;
}

void ListCreationRun::ShowEntryPath(const SideIndex& index, SideIndex::EntryId entry) {
  // The folder's path is made once per folder, not once per entry.
  const SideIndex::FolderId folder = index.EntryFolder(entry);
  if (&index != pathIndex_ || folder != pathFolder_) {
    pathIndex_ = &index;
    pathFolder_ = folder;
    pathBuffer_.clear();
    index.AppendFolderPath(folder, pathBuffer_);
    pathFolderLength_ = pathBuffer_.size();
  }
  pathBuffer_.resize(pathFolderLength_);
  pathBuffer_.append(index.EntryName(entry));
  progress_.ShowPath(pathBuffer_);
}

void ListCreationRun::CompareAtCoarserUnit(const RunValues& values, const Roots& roots) {
  constexpr std::int64_t kSecond = platform::kNanosecondsPerSecond;
  constexpr std::int64_t kMillisecond = 1'000'000;
  // Each side's step: what its file system type says, what this run's copies
  // saw it keep, and whole seconds when no time of the scan had a fraction
  // (ext2/ext3 with small inodes cannot be told by type).
  const auto unitOf = [&](const platform::Folder& root, const IFarRoot* far, const ScanSummary& summary,
                          platform::FileSystemTraits& traits) {
    traits = far ? far->Info().traits : platform::TraitsOfFolder(root.Fd());
    std::int64_t unit = far ? traits.timeUnitNs
                            : platform::CoarserUnit(traits.timeUnitNs, execution_.Session().LearnedUnit(root.Id().device));
    if (summary.timesSeen && !summary.subsecondTimes) unit = platform::CoarserUnit(unit, kSecond);
    return unit;
  };
  platform::FileSystemTraits baseTraits;
  platform::FileSystemTraits targetTraits;
  const std::int64_t baseUnit = unitOf(roots.base, roots.baseFar.get(), baseSummary_, baseTraits);
  const std::int64_t targetUnit = unitOf(roots.target, roots.targetFar.get(), targetSummary_, targetTraits);
  comparison_.SetTimeUnit(platform::CoarserUnit(baseUnit, targetUnit), baseTraits.fuse || targetTraits.fuse);
  for (const auto& [device, path, unit, traits] :
       {std::tuple{roots.baseFar ? roots.baseFar->Info().fileSystemId : roots.base.Id().device, &values.aFolder,
                   baseUnit, &baseTraits},
        std::tuple{roots.targetFar ? roots.targetFar->Info().fileSystemId : roots.target.Id().device,
                   &values.bFolder, targetUnit, &targetTraits}}) {
    if (unit <= kMillisecond) continue;
    const auto said = announcedUnits_.find(device);
    if (said != announcedUnits_.end() && said->second >= unit) continue;
    announcedUnits_[device] = unit;
    prompt_.Notice(RunMessage::TimeGranularity, {*path, platform::TimeUnitText(unit), traits->type});
  }
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

// Remembered deletions of at most this many entries never ask.
constexpr std::size_t kMassDeletionFloor = 5;

// How often the display turns while the run waits for the other side's scan.
constexpr std::chrono::milliseconds kWaitSlice{20};

}  // namespace

void ListCreationRun::ScanBothSides(const RunValues& values, const Roots& roots) {
  if (roots.baseFar || roots.targetFar) return ScanWithFarSide(values, roots);
  const bool wasBusy = flags_.busy;
  ScanSetup baseSetup{ScanSide::Base,    &roots.base,     values.aFolder, values.subFolder,
                      roots.target.Id(), flags_.syncMode, values.memory};
  ScanSetup targetSetup{ScanSide::Target, &roots.target,   values.bFolder, values.subFolder,
                        roots.base.Id(),  flags_.syncMode, values.memory};
  platform::LeftoverTally leftovers[2];
  baseSetup.leftovers = &leftovers[0];
  targetSetup.leftovers = &leftovers[1];
  baseSummary_ = {};
  targetSummary_ = {};
  // The target tree is read on a second thread while this one reads the base
  // tree; to the display it is still the base scan, then the target scan.
  std::optional<BackgroundScan> targetScan;
  if (flags_.busy) {
    targetScan.emplace(values, targetSetup, targetIndex_, targetLists_);
  } else {
    targetIndex_.Reset(values.bFolder, &roots.target, values.memory);
  }

  ForegroundScanControl control(progress_, flags_);
  baseSummary_ = FolderScan(values, control).Scan(baseSetup, baseIndex_, baseLists_);
  progress_.SetBarPos(25);
  progress_.ShowPath({});

  if (targetScan) {
    if (!flags_.busy) {
      // The base scan was cancelled: the target side lists nothing.
      targetScan->Cancel();
      targetIndex_.Reset(values.bFolder, &roots.target, values.memory);
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
      targetSummary_ = targetScan->Summary();
    }
  }
  progress_.SetBarPos(50);
  progress_.ShowPath({});
  for (int side = 0; side < 2; ++side) {
    ScanSummary& summary = side == 0 ? baseSummary_ : targetSummary_;
    summary.leftoversRemoved = leftovers[side].removed.load();
    summary.leftoversUnproven = leftovers[side].unproven.load();
  }
  flags_.unreadable += static_cast<unsigned>(baseSummary_.unreadable + targetSummary_.unreadable);
  if (wasBusy && !flags_.busy) cancelled_ = true;  // a scan saw the cancel
}

ListCreationRun::Step ListCreationRun::RunPass(RunStatus status, const SideIndex& index, int barStart,
                                               bool countAll, const Loop& folders, const Loop& files) {
  progress_.ShowStatus(status);
  const std::size_t total = folders.entries.size() + files.entries.size();
  for (const Loop* loop : {&folders, &files}) {
    // The files' count continues after all folders, also when a cancel cut the
    // folders short.
    std::size_t k = loop == &folders ? 0 : folders.entries.size();
    for (const SideIndex::EntryId e : loop->entries) {
      if (loop->showPath) ShowEntryPath(index, e);
      const bool added = (comparison_.*loop->classify)(e);
      if (added || countAll) ++flags_.found;
      ++flags_.judged;
      progress_.SetBarPos(barStart + static_cast<int>(25 * k / total));
      ++k;
      if (execution_.Declined()) return Step::Stop;
      if (CancelRequested()) {
        if (loop->clearOnCancel) loop->clearOnCancel->clear();
        break;
      }
    }
    if (SyncCancelled()) return Step::Next;
  }
  return Step::Next;
}

ListCreationRun::Step ListCreationRun::ProcessCondition(int index, int count) {
  CCondition condition = host_.BeginCondition(index);
  progress_.ShowCondition(count, index + 1, condition.Name);

  madeTargetRoot_ = false;
  if (!Validate(condition)) return Step::Stop;
  const RunValues values = DeriveRunValues(condition);
  roots_ = std::make_unique<Roots>();
  Roots& roots = *roots_;
  if (OpenRoots(condition, values, roots) == Step::Stop) return Step::Stop;
  if (madeTargetRoot_ || (roots.targetFar && roots.targetFar->Info().created)) {
    execution_.NoteMadeTargetRoot(roots.baseFar ? nullptr : &roots.base, roots.baseFar.get(),
                                  roots.targetFar ? nullptr : &roots.target, roots.targetFar.get());
  }

  progress_.SetBarRange(0, 100);
  baseLists_.Clear();
  targetLists_.Clear();
  progress_.ShowStatus(RunStatus::Searching);

  ScanBothSides(values, roots);
  NoteLeftovers(values, roots);
  flags_.listed += baseLists_.folders.size() + baseLists_.files.size() + targetLists_.folders.size() +
                   targetLists_.files.size();
  if (SyncCancelled()) return Step::Next;
  for (const auto& [summary, path] : {std::pair{&baseSummary_, &values.aFolder}, {&targetSummary_, &values.bFolder}}) {
    if (summary->rootError) {
      // Nothing of a root that cannot be listed is compared, so nothing is
      // decided on it.
      ++flags_.unreadable;
      const bool base = summary == &baseSummary_;
      const std::string& written = base ? condition.AFolder : condition.BFolder;
      bool& silenceTold = base ? roots.baseSilenceTold : roots.targetSilenceTold;
      if ((base ? roots.baseFar : roots.targetFar) && summary->rootError == std::errc::timed_out) {
        silenceTold = true;
        Stop(RunMessage::FarSideSilent, {written, PatienceText()}, written, summary->rootError);
      } else {
        Stop(RunMessage::FolderUnreadable, {*path, RootErrorText(roots, base, summary->rootError)}, written,
             summary->rootError);
      }
      return Step::Stop;
    }
  }

  rows_.BeginCondition(index);
  comparison_.Begin(values, baseIndex_, targetIndex_);
  CompareAtCoarserUnit(values, roots);
  pathIndex_ = nullptr;  // the indexes hold this condition's scans now
  PairMemory* memory = nullptr;
  // A far side that cannot tell what its root is gives no proof that the
  // state is its own: said, never guessed, and every entry is new to the pair.
  const auto known = [](const IFarRoot* far) { return !far || far->Info().rootIdentity.Known(); };
  if (known(roots.baseFar.get()) && known(roots.targetFar.get())) {
    memory = execution_.Memory().BeginCondition(values, {roots.base, roots.baseFar.get()},
                                                {roots.target, roots.targetFar.get()}, baseIndex_, targetIndex_,
                                                prompt_);
  } else if (values.memory) {
    prompt_.Notice(RunMessage::MemoryRemote, {values.aFolder, values.bFolder});
  }
  comparison_.SetMemory(memory, &execution_.Memory(), flags_.syncMode);
  if (flags_.syncMode) {
    execution_.UseRoots(values.aFolder, roots.base, values.bFolder, roots.target);
    execution_.UseFarRoots(values.aFolder, roots.baseFar.get(), values.bFolder, roots.targetFar.get());
    // A base root with nothing in it facing a target that has something is far
    // more often an unmounted disk than an intent: complete sync asks before it
    // deletes the first entry.
    if (values.complete && baseSummary_.rootEntries == 0 && targetSummary_.rootEntries > 0) {
      execution_.GuardDeletions([this, base = values.aFolder, target = values.bFolder] {
        return prompt_.Ask(RunMessage::EmptyBaseAsk, {base, target});
      });
    }
    // The remembered deletions: a side that lost more than half of what the
    // state remembers is far more often a disk not mounted, emptied or replaced
    // than an intent. Counted and asked before the first deletion (a run that
    // deletes nothing pays nothing).
    if (memory && memory->Table().Count() > 0) {
      execution_.GuardDeletions([this, memory, base = values.aFolder, target = values.bFolder] {
        const PairMemory::PlannedDeletions planned = memory->CountDeletions();
        const std::size_t total = memory->Table().Count();
        for (const bool baseSide : {true, false}) {
          const std::size_t deletions = baseSide ? planned.base : planned.target;
          if (deletions * 2 <= total || deletions <= kMassDeletionFloor) continue;
          const MessageArgs args{baseSide ? base : target, std::to_string(deletions), std::to_string(total),
                                 baseSide ? target : base};
          if (!prompt_.Ask(baseSide ? RunMessage::MassDeleteBaseAsk : RunMessage::MassDeleteTargetAsk, args))
            return false;
        }
        return true;
      });
    }
  }

  // Base pass: folders first, then files; every entry looked at counts.
  if (RunPass(RunStatus::BasePass, baseIndex_, 50, true,
              Loop{baseLists_.folders, &Comparison::ListedBaseFolder, false, &targetLists_.folders},
              Loop{baseLists_.files, &Comparison::ListedBaseFile, true, &targetLists_.files}) == Step::Stop)
    return Step::Stop;
  if (SyncCancelled()) return Step::Next;
  // Target pass: only entries the base side did not judge add rows.
  const Step step = RunPass(RunStatus::TargetPass, targetIndex_, 75, false,
                            Loop{targetLists_.folders, &Comparison::ListedTargetFolder, false, nullptr},
                            Loop{targetLists_.files, &Comparison::ListedTargetFile, true, nullptr});
  // Passes cut short saw only part of the trees: nothing more is decided on them.
  if (memory && step == Step::Next && !cancelled_) {
    flags_.found += static_cast<unsigned>(comparison_.EmptiedFolders(execution_.Memory(), baseIndex_, targetIndex_));
    if (execution_.Declined()) return Step::Stop;
    if (flags_.syncMode) comparison_.ForgetVanished(baseIndex_, targetIndex_);
  }
  return step;
}

void ListCreationRun::NoteLeftovers(const RunValues& values, const Roots& roots) {
  for (const bool base : {true, false}) {
    const ScanSummary& summary = base ? baseSummary_ : targetSummary_;
    flags_.leftoversRemoved += summary.leftoversRemoved;
    if (summary.leftoversUnproven == 0) continue;
    const IFarRoot* far = base ? roots.baseFar.get() : roots.targetFar.get();
    const std::string type = far ? far->Info().traits.type
                                 : platform::TraitsOfFolder((base ? roots.base : roots.target).Fd()).type;
    prompt_.Notice(RunMessage::TemporaryUnproven,
                   {base ? values.aFolder : values.bFolder, std::to_string(summary.leftoversUnproven), type});
  }
}

std::string ListCreationRun::RootErrorText(const Roots& roots, bool base, std::error_code error) const {
  const IFarRoot* far = base ? roots.baseFar.get() : roots.targetFar.get();
  return prompt_.ReasonText(far ? far->Describe(error) : ReasonOf(error));
}

void ListCreationRun::ScanWithFarSide(const RunValues& values, const Roots& roots) {
  const bool wasBusy = flags_.busy;
  baseSummary_ = {};
  targetSummary_ = {};
  // The other tree's root is known where both lie on one machine.
  const auto otherRoot = [](const platform::Folder& other, const IFarRoot* self, const IFarRoot* otherFar) {
    if (!self && !otherFar) return other.Id();
    if (self && otherFar && self->Machine() == otherFar->Machine()) return otherFar->Info().identity;
    return platform::Identity{};
  };
  IFarRoot* const baseFar = roots.baseFar.get();
  IFarRoot* const targetFar = roots.targetFar.get();
  platform::LeftoverTally leftovers[2];
  const ScanSetup baseSetup{ScanSide::Base,
                            baseFar ? nullptr : &roots.base,
                            values.aFolder,
                            values.subFolder,
                            otherRoot(roots.target, baseFar, targetFar),
                            flags_.syncMode,
                            values.memory,
                            ScanLookUps::ByFileSystem,
                            &leftovers[0]};
  const ScanSetup targetSetup{ScanSide::Target,
                              targetFar ? nullptr : &roots.target,
                              values.bFolder,
                              values.subFolder,
                              otherRoot(roots.base, targetFar, baseFar),
                              flags_.syncMode,
                              values.memory,
                              ScanLookUps::ByFileSystem,
                              &leftovers[1]};
  struct Half {
    IFarRoot* far;
    const ScanSetup& setup;
    SideIndex& index;
    ScanLists& lists;
    ScanSummary& summary;
    std::optional<FarScan> scan;
  };
  Half sides[] = {{baseFar, baseSetup, baseIndex_, baseLists_, baseSummary_, {}},
                  {targetFar, targetSetup, targetIndex_, targetLists_, targetSummary_, {}}};
  if (flags_.busy) {
    for (Half& side : sides)
      if (side.far) side.scan.emplace(*side.far, values, side.setup, side.index, side.lists);
  }
  // The near side, if any, is read here meanwhile.
  for (Half& side : sides) {
    if (side.far) continue;
    ForegroundScanControl control(progress_, flags_);
    side.summary = FolderScan(values, control).Scan(side.setup, side.index, side.lists);
    side.summary.leftoversRemoved = side.setup.leftovers->removed.load();
    side.summary.leftoversUnproven = side.setup.leftovers->unproven.load();
  }
  progress_.SetBarPos(25);
  progress_.ShowPath({});
  for (Half& side : sides) {
    if (!side.far) continue;
    if (side.scan && flags_.busy) {
      while (!side.scan->WaitFor(kWaitSlice)) {
        progress_.ShowPath(side.scan->CurrentFolder());
        if (progress_.PollCancel()) {
          flags_.busy = false;
          break;
        }
      }
    }
    if (side.scan) side.scan->Cancel();  // returns at once when the scan has ended
    if (flags_.busy && side.scan && !side.scan->Error()) {
      side.summary = side.scan->Summary();
    } else {
      // Cancelled or failed: nothing of the far scan is used; look-ups there
      // fail with the connection's reason, never read as "absent".
      side.index.Reset(side.setup.rootPath);
      side.lists.Clear();
      if (flags_.busy && side.scan) side.summary.rootError = side.scan->Error();
    }
    side.index.UseFarRoot(side.far);
  }
  progress_.SetBarPos(50);
  progress_.ShowPath({});
  flags_.unreadable += static_cast<unsigned>(baseSummary_.unreadable + targetSummary_.unreadable);
  if (wasBusy && !flags_.busy) cancelled_ = true;  // a scan saw the cancel
}

}  // namespace orvel::engine
