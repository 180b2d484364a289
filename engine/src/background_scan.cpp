#include "engine/background_scan.h"

#include <utility>

namespace orvel::engine {

BackgroundScan::BackgroundScan(const RunValues& values, const ScanSetup& setup, SideIndex& index, ScanLists& lists) {
  thread_ = std::thread([this, &values, setup, &index, &lists] {
    try {
      FolderScan scan(values, control_);
      summary_ = scan.Scan(setup, index, lists);
    } catch (...) {
      error_ = std::current_exception();
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    finishedSignal_.notify_all();
  });
}

BackgroundScan::~BackgroundScan() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void BackgroundScan::Control::EnterFolder(std::string_view path) {
  std::lock_guard lock(owner_.mutex_);
  owner_.currentFolder_.assign(path);
}

bool BackgroundScan::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return finishedSignal_.wait_for(lock, timeout, [this] { return finished_; });
}

std::string BackgroundScan::CurrentFolder() const {
  std::lock_guard lock(mutex_);
  return currentFolder_;
}

void BackgroundScan::Cancel() {
  stop_ = true;
  Join();
}

void BackgroundScan::Join() {
  if (thread_.joinable()) thread_.join();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

}  // namespace orvel::engine
