#pragma once

#include "engine/far_root.h"
#include "engine/folder_scan.h"
#include "engine/run_values.h"
#include "engine/side_index.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace orvel::engine {

// The scan of a far root on a thread of its own, so that the near side scans
// meanwhile: the far machine reads its tree while this one reads its own.
class FarScan {
 public:
  FarScan(IFarRoot& far, const RunValues& values, const ScanSetup& setup, SideIndex& index, ScanLists& lists);
  ~FarScan();
  FarScan(const FarScan&) = delete;
  FarScan& operator=(const FarScan&) = delete;

  // Waits at most `timeout` for the scan to finish; true once it has.
  bool WaitFor(std::chrono::milliseconds timeout);
  // The folder the far side is reading now, as the user reads it.
  std::string CurrentFolder() const;
  // Ends the connection (nothing of the scan is used) and joins the thread.
  void Cancel();
  void Join();
  // Valid after Join(): what the scan found, and why it failed.
  const ScanSummary& Summary() const { return summary_; }
  std::error_code Error() const { return error_; }

 private:
  IFarRoot& far_;
  mutable std::mutex mutex_;
  std::condition_variable finishedSignal_;
  bool finished_ = false;
  std::string currentFolder_;
  std::error_code error_;
  ScanSummary summary_;
  std::thread thread_;
};

}  // namespace orvel::engine
