// A sync run's plain file copies on several threads, where every request is a
// round trip: the rows still show their results in row order, and every other
// row waits for the copies in flight before it runs.
#include "engine/sync_execution.h"

#include "copy_pool.h"
#include "sync_work.h"

#include <system_error>

namespace orvel::engine {

namespace {

// Enough copies in flight to hide a round trip behind the others, few enough
// that the far side and this machine's descriptors are not strained.
constexpr unsigned kCopyThreads = 8;
// Copies handed over at most before the run waits for the oldest: a slow one
// at the front does not hold the others up, and a cancel drops few.
constexpr std::size_t kMostHandedOver = 4 * kCopyThreads;

}  // namespace

void SyncExecution::EndCopyPool::operator()(CopyPool* pool) const { delete pool; }

void SyncExecution::StartCopyPool(const platform::Folder& base, const platform::Folder& target) {
  pool_.reset();
  if (!FolderScan::LooksUpConcurrently(copyMode_, base) && !FolderScan::LooksUpConcurrently(copyMode_, target)) return;
  try {
    pool_.reset(CopyPool::Start(session_, base, target, kCopyThreads).release());
  } catch (const std::system_error&) {
    // No threads to be had: the copies run one after another here.
  }
}

void SyncExecution::StopCopies() {
  if (pool_) pool_->StopStarting();
}

bool SyncExecution::PoolCopy(int item, const Work& work, Mark mark, Direction direction, PairMemory* pair) {
  const bool fromBase = mark == Mark::BaseNewer || mark == Mark::BaseOnly;
  const bool copy = fromBase || mark == Mark::TargetNewer || mark == Mark::TargetOnly;
  // Folders, kind changes, conflicts and deletions take steps that later rows
  // build on; they stay on this thread, in order.
  if (!syncRun_ || direction != Direction::AsMarked || !copy || work.row.isFolder || work.row.kindChange || work.row.timesOnly ||
      !farRoots_.empty())
    return false;
  SettleCopies(false);
  while (pool_->Outstanding() >= kMostHandedOver) {
    std::optional<PooledCopy> oldest = pool_->TakeFront(true);
    FinishPooledCopy(*oldest);
  }
  PooledCopy job;
  job.item = item;
  job.rowIndex = work.rowIndex;
  job.done = ItemResult{fromBase ? Mark::BaseSynced : Mark::TargetSynced,
                        fromBase ? DateCopy::BaseOverTarget : DateCopy::TargetOverBase, {}};
  job.base = work.baseShown;
  job.target = work.targetShown;
  job.fromBase = fromBase;
  job.copy = FileCopyOf(work, fromBase);
  // Only the remembered state needs the copy looked at again.
  job.copy.lookAtCopy = pair != nullptr;
  list_.MarkPending(item);
  pool_->Submit(std::move(job));
  return true;
}

void SyncExecution::SettleCopies(bool all) {
  if (!pool_) return;
  while (std::optional<PooledCopy> copy = pool_->TakeFront(all)) FinishPooledCopy(*copy);
}

void SyncExecution::FinishPooledCopy(PooledCopy& copy) {
  if (copy.failure) std::rethrow_exception(copy.failure);
  if (!copy.started) {
    // Dropped by a cancel: the row shows what it showed.
    list_.SetItemResult(copy.item, ItemResult{list_.ItemMark(copy.item), list_.ItemDateCopy(copy.item), {}});
    return;
  }
  const ResultRow& row = rows_.Row(copy.rowIndex);
  const std::string_view fromRoot = copy.fromBase ? rows_.BaseRoot(row) : rows_.TargetRoot(row);
  const std::string_view toRoot = copy.fromBase ? rows_.TargetRoot(row) : rows_.BaseRoot(row);
  if (!copy.result.made.folders.empty())
    madeFolders_.push_back(MadeFolder{std::string(fromRoot), std::string(toRoot), std::move(copy.result.made)});
  if (copy.result.toDevice) devicePaths_.try_emplace(copy.result.toDevice, toRoot);
  ItemResult result = copy.done;
  if (copy.error.code) {
    result = ItemResult{Mark::Failed, DateCopy::None, copy.error};
  } else if (PairMemory* pair = memory_.PairOf(rows_.BaseRoot(row), rows_.TargetRoot(row))) {
    const Work work{row,          rows_.RelativeFolder(row),    rows_.Name(row),
                    Tree(rows_.BaseRoot(row)), Tree(rows_.TargetRoot(row)), rows_.Identities(row),
                    copy.base,    copy.target,                  copy.rowIndex};
    Remember(*pair, work, result.shown, copy.result.copied);
  }
  list_.SetItemResult(copy.item, result);
}

}  // namespace orvel::engine
