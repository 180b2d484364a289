#include "engine/far_scan.h"

namespace orvel::engine {

FarScan::FarScan(IFarRoot& far, const RunValues& values, const ScanSetup& setup, SideIndex& index, ScanLists& lists)
    : far_(far) {
  thread_ = std::thread([this, &values, setup, &index, &lists] {
    std::error_code error;
    try {
      error = far_.Scan(values, setup, index, lists, summary_, [this, &setup](std::string_view folder) {
        std::lock_guard lock(mutex_);
        currentFolder_.assign(setup.rootPath).append(folder);
      });
    } catch (const std::bad_alloc&) {
      error = std::make_error_code(std::errc::not_enough_memory);
    }
    std::lock_guard lock(mutex_);
    error_ = error;
    finished_ = true;
    finishedSignal_.notify_all();
  });
}

FarScan::~FarScan() {
  if (thread_.joinable()) Cancel();
}

bool FarScan::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return finishedSignal_.wait_for(lock, timeout, [this] { return finished_; });
}

std::string FarScan::CurrentFolder() const {
  std::lock_guard lock(mutex_);
  return currentFolder_;
}

void FarScan::Cancel() {
  // The far scan cannot be stopped half-way in the protocol; the connection goes.
  bool running = false;
  {
    std::lock_guard lock(mutex_);
    running = !finished_;
  }
  if (running) far_.Interrupt();
  Join();
}

void FarScan::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace orvel::engine
