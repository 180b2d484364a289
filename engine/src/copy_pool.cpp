#include "copy_pool.h"

namespace orvel::engine {

std::unique_ptr<CopyPool> CopyPool::Start(platform::CopySession& session, const platform::Folder& base,
                                          const platform::Folder& target, unsigned threads) {
  platform::Expected<platform::Folder> ownBase = base.Reopen();
  platform::Expected<platform::Folder> ownTarget = target.Reopen();
  // Without descriptors of its own the run copies one file at a time.
  if (!ownBase || !ownTarget) return nullptr;
  std::unique_ptr<CopyPool> pool(new CopyPool(session, std::move(*ownBase), std::move(*ownTarget)));
  pool->threads_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) pool->threads_.emplace_back([p = pool.get()] { p->Work(); });
  return pool;
}

CopyPool::CopyPool(platform::CopySession& session, platform::Folder base, platform::Folder target)
    : session_(session), base_(std::move(base)), target_(std::move(target)) {}

CopyPool::~CopyPool() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    waiting_.clear();
  }
  workReady_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void CopyPool::Submit(PooledCopy copy) {
  order_.push_back(std::make_unique<Slot>(Slot{std::move(copy), false}));
  Slot* slot = order_.back().get();
  {
    std::lock_guard lock(mutex_);
    if (stopStarting_) {
      slot->done = true;
      return;
    }
    waiting_.push_back(slot);
  }
  workReady_.notify_one();
}

std::optional<PooledCopy> CopyPool::TakeFront(bool wait) {
  if (order_.empty()) return std::nullopt;
  Slot* front = order_.front().get();
  {
    std::unique_lock lock(mutex_);
    if (wait) slotDone_.wait(lock, [&] { return front->done; });
    if (!front->done) return std::nullopt;
  }
  PooledCopy copy = std::move(front->copy);
  order_.pop_front();
  return copy;
}

void CopyPool::StopStarting() {
  {
    std::lock_guard lock(mutex_);
    stopStarting_ = true;
    for (Slot* slot : waiting_) slot->done = true;
    waiting_.clear();
  }
  slotDone_.notify_all();
}

void CopyPool::Work() {
  // This thread's own way to the folders of each side.
  TreeAccess base;
  TreeAccess target;
  base.Attach(base_);
  target.Attach(target_);
  for (;;) {
    Slot* slot = nullptr;
    {
      std::unique_lock lock(mutex_);
      workReady_.wait(lock, [&] { return quit_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      slot = waiting_.front();
      waiting_.pop_front();
    }
    PooledCopy& copy = slot->copy;
    copy.started = true;
    try {
      copy.error = CopyFileOfRow(copy.copy, copy.fromBase ? base : target, copy.fromBase ? target : base, session_,
                                 copy.result);
    } catch (...) {
      copy.failure = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      slot->done = true;
    }
    slotDone_.notify_all();
  }
}

}  // namespace orvel::engine
