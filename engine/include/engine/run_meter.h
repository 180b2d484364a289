#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"
#include "engine/run_flags.h"
#include "engine/run_plan.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace orvel::engine {

// What a progress display shows beside its bar while a run goes on.
struct ProgressFigures {
  std::uint64_t done = 0;   // entries judged (rows executed, in a row command)
  std::uint64_t found = 0;  // entries the scans listed (rows selected)
  std::uint64_t rows = 0;   // rows listed so far
  CopyFigures copied;       // both ways
  double bytesPerSecond = 0;
  std::optional<std::chrono::seconds> timeLeft;  // once it can be estimated
  std::chrono::milliseconds elapsed{0};
  // The share of the whole work done (0 … 1) where the bytes to copy outweigh
  // the entries to judge: the bar follows it rather than the entries' count.
  std::optional<double> workDone;
};

// What the estimate of a run is made from.
struct ProgressSoFar {
  std::chrono::duration<double> elapsed{0};  // since the run began
  std::chrono::duration<double> working{0};  // since entries were first judged
  std::uint64_t done = 0;                    // entries judged (rows executed)
  std::uint64_t found = 0;                   // entries to judge (rows selected)
  std::uint64_t copiedBytes = 0;
  std::uint64_t plannedBytes = 0;            // 0: unknown
};

struct ProgressEstimate {
  std::optional<double> workDone;  // as ProgressFigures::workDone
  std::optional<std::chrono::seconds> timeLeft;
};

// The share of the work done, and the time left once it is stable: after
// kEstimateAfter and kEstimateShare of the work (of the bytes, where they
// dominate), never before. The time left then grows at most to
// (1 / kEstimateShare − 1) times the time worked.
ProgressEstimate EstimateProgress(const ProgressSoFar& so);
inline constexpr std::chrono::seconds kEstimateAfter{5};
inline constexpr double kEstimateShare = 0.05;
// Judging one entry weighs as much as copying this many bytes (a look-up, a
// comparison, a row: about a millisecond, in which a disk moves some 64 KiB).
inline constexpr std::uint64_t kEntryWeight = 64 * 1024;

enum class RunKind { ListCreation, SyncRun, RowCommand };

// What a run did, told after it, cancelled ones included.
struct RunSummary {
  RunKind kind = RunKind::ListCreation;
  bool cancelled = false;
  std::uint64_t rows = 0;       // rows the list holds
  CopyFigures toTarget;         // copied base over target
  CopyFigures toBase;           // copied target over base
  DeletionFigures inTarget;
  DeletionFigures inBase;
  std::uint64_t timesSet = 0;   // files of equal contents whose older side took the newer time
  std::uint64_t conflicts = 0;  // "!" rows the list still shows
  std::uint64_t failures = 0;   // rows of this run that failed or could not be judged
  std::uint64_t leftoversRemoved = 0;  // temporaries of killed runs removed by the scans
  std::chrono::milliseconds elapsed{0};
};

// The result list as the engine sees it during a run, counting on the way:
// every call goes on to the list, and the appends and results are counted into
// the progress figures and the summary, at no cost beyond a few additions.
class RunMeter : public IResultList {
 public:
  using Clock = std::chrono::steady_clock;

  // deleteTrash is read at each deletion, as execution reads it.
  RunMeter(const RowStore& rows, IResultList& list, const RunFlags& flags, std::function<bool()> deleteTrash)
      : rows_(rows), list_(list), flags_(flags), deleteTrash_(std::move(deleteTrash)) {}

  // plannedBytes: the bytes the list on screen would copy (0: unknown), from
  // which the time left is told once copying has a speed. selected: the rows
  // of a row command.
  void Begin(RunKind kind, std::uint64_t plannedBytes = 0, std::uint64_t selected = 0);
  void End(bool cancelled);
  ProgressFigures Figures() const { return FiguresAt(Clock::now()); }
  ProgressFigures FiguresAt(Clock::time_point now) const;
  const RunSummary& Summary() const { return summary_; }

  // IResultList
  int ItemCount() const override { return list_.ItemCount(); }
  void AppendItem(int rowIndex) override;
  int ItemData(int item) const override { return list_.ItemData(item); }
  std::string ItemText(int item, int column) const override { return list_.ItemText(item, column); }
  Mark ItemMark(int item) const override { return list_.ItemMark(item); }
  DateCopy ItemDateCopy(int item) const override { return list_.ItemDateCopy(item); }
  void SetItemResult(int item, const ItemResult& result) override;
  void MarkPending(int item) override { list_.MarkPending(item); }
  void Clear() override;

 private:
  const RowStore& rows_;
  IResultList& list_;
  const RunFlags& flags_;
  std::function<bool()> deleteTrash_;
  RunSummary summary_;
  Clock::time_point start_{};
  mutable Clock::time_point workStart_{};  // the first moment entries were being judged or rows executed
  std::uint64_t planned_ = 0;
  std::uint64_t selected_ = 0;
  std::uint64_t results_ = 0;
  std::uint64_t listConflicts_ = 0;  // "!" items of the whole list
  bool running_ = false;
};

}  // namespace orvel::engine
