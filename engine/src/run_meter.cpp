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
  if (summary_.kind != RunKind::RowCommand) summary_.leftoversRemoved = flags_.leftoversRemoved;
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
    way.bytes += result.bytes ? *result.bytes : fromBase ? row.baseSize : row.targetSize;
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

ProgressEstimate EstimateProgress(const ProgressSoFar& so) {
  ProgressEstimate estimate;
  const double found = static_cast<double>(so.found);
  const double done = static_cast<double>(std::min(so.done, so.found));
  const double planned = static_cast<double>(so.plannedBytes);
  const double copied = std::min(static_cast<double>(so.copiedBytes), planned);
  // A run of a few large files is measured by its bytes: a thousand small
  // entries judged in a second say nothing of the gigabyte still to copy.
  const bool bytesDominate = so.plannedBytes > 0 && planned >= found * kEntryWeight;
  double share = 0;
  if (bytesDominate) {
    share = (done * kEntryWeight + copied) / (found * kEntryWeight + planned);
    estimate.workDone = share;
  } else if (so.found > 0) {
    share = done / found;
  }
  const bool stable = so.elapsed >= kEstimateAfter && so.working.count() > 0 && share >= kEstimateShare &&
                      (!bytesDominate || copied >= kEstimateShare * planned);
  if (!stable) return estimate;
  const double left = so.working.count() * (1 - share) / share;
  estimate.timeLeft = std::chrono::seconds(static_cast<std::int64_t>(left + 0.5));
  return estimate;
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
  ProgressSoFar so;
  so.elapsed = now - start_;
  if (workStart_ != Clock::time_point{}) so.working = now - workStart_;
  so.done = figures.done;
  so.found = figures.found;
  so.copiedBytes = figures.copied.bytes;
  so.plannedBytes = planned_;
  if (so.working.count() > 0) figures.bytesPerSecond = static_cast<double>(figures.copied.bytes) / so.working.count();
  const ProgressEstimate estimate = EstimateProgress(so);
  figures.workDone = estimate.workDone;
  figures.timeLeft = estimate.timeLeft;
  return figures;
}

}  // namespace orvel::engine
