#include "engine/run_meter.h"

#include <algorithm>

namespace orvel::engine {

void RunMeter::Begin(RunKind kind, std::uint64_t plannedBytes, std::uint64_t selected) {
  summary_ = RunSummary{};
  summary_.kind = kind;
  start_ = Clock::now();
  workStart_ = {};
  planned_ = plannedBytes;
  selected_ = selected;
  results_ = 0;
  running_ = true;
}

void RunMeter::End(bool cancelled) {
  running_ = false;
  summary_.cancelled = cancelled;
  summary_.rows = static_cast<std::uint64_t>(list_.ItemCount());
  summary_.conflicts = listConflicts_;
  summary_.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_);
}

void RunMeter::Clear() {
  list_.Clear();
  listConflicts_ = 0;
}

void RunMeter::AppendItem(int rowIndex) {
  list_.AppendItem(rowIndex);
  const Mark found = rows_.RowResult(rowIndex);
  if (found == Mark::Conflict) ++listConflicts_;
  if (found == Mark::Failed && running_) ++summary_.failures;
}

void RunMeter::SetItemResult(int item, const ItemResult& result) {
  if (list_.ItemMark(item) == Mark::Conflict && result.shown != Mark::Conflict && listConflicts_ > 0) --listConflicts_;
  list_.SetItemResult(item, result);
  if (!running_) return;
  ++results_;
  const auto copied = [&](CopyFigures& way, bool fromBase) {
    const ResultRow row = rows_.Row(list_.ItemData(item));
    if (row.timesOnly) {
      ++summary_.timesSet;
      return;
    }
    ++way.entries;
    way.bytes += fromBase ? row.baseSize : row.targetSize;
  };
  const auto deleted = [&](DeletionFigures& side) {
    const bool folder = rows_.Row(list_.ItemData(item)).isFolder;
    ++(!folder && deleteTrash_ && deleteTrash_() ? side.toTrash : side.forGood);
  };
  switch (result.shown) {
    case Mark::BaseSynced:
      copied(summary_.toTarget, true);
      break;
    case Mark::TargetSynced:
      copied(summary_.toBase, false);
      break;
    case Mark::Deleted:
      deleted(summary_.inTarget);
      break;
    case Mark::BaseDeleted:
      deleted(summary_.inBase);
      break;
    case Mark::Failed:
      ++summary_.failures;
      break;
    default:
      break;
  }
}

ProgressFigures RunMeter::FiguresAt(Clock::time_point now) const {
  ProgressFigures figures;
  const bool rowCommand = summary_.kind == RunKind::RowCommand;
  figures.done = rowCommand ? results_ : flags_.judged;
  figures.found = rowCommand ? selected_ : flags_.listed;
  figures.rows = static_cast<std::uint64_t>(list_.ItemCount());
  figures.copied = {summary_.toTarget.entries + summary_.toBase.entries,
                    summary_.toTarget.bytes + summary_.toBase.bytes};
  figures.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_);
  // The scan lists first, then the entries are judged (and copied): speeds and
  // estimates are measured from when that began, as the display first saw it.
  if (workStart_ == Clock::time_point{} && figures.done > 0) workStart_ = now;
  if (workStart_ == Clock::time_point{}) return figures;
  const double working = std::chrono::duration<double>(now - workStart_).count();
  if (working > 0) figures.bytesPerSecond = static_cast<double>(figures.copied.bytes) / working;
  if (now - start_ < kEstimateAfter || working <= 0) return figures;
  double left = -1;
  if (planned_ > 0 && figures.copied.bytes > 0 && figures.copied.bytes <= planned_) {
    // The bytes the list on screen said the run would copy, at the speed so far.
    left = static_cast<double>(planned_ - figures.copied.bytes) / figures.bytesPerSecond;
  } else if (figures.found > 0 && figures.done > 0) {
    // Otherwise the entries still to judge at the pace so far.
    const double part = static_cast<double>(std::min(figures.done, figures.found)) / static_cast<double>(figures.found);
    left = working * (1 - part) / part;
  }
  if (left >= 0) figures.timeLeft = std::chrono::seconds(static_cast<std::int64_t>(left + 0.5));
  return figures;
}

}  // namespace orvel::engine
