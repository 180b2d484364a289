#pragma once

#include "engine/folder_scan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

namespace orvel::engine {

// Scans one side on a thread of its own while the caller scans the other side,
// so the two trees are read at the same time. The thread touches nothing but its
// index and lists; the caller keeps the progress display and the cancel poll,
// and reads the results only after Stop() has joined the thread.
class BackgroundScan {
 public:
  BackgroundScan(const RunValues& values, const ScanSetup& setup, SideIndex& index, ScanLists& lists);
  ~BackgroundScan();
  BackgroundScan(const BackgroundScan&) = delete;
  BackgroundScan& operator=(const BackgroundScan&) = delete;

  // Waits at most `timeout` for the scan to finish; true once it has.
  bool WaitFor(std::chrono::milliseconds timeout);
  // The folder the scan is reading now.
  std::string CurrentFolder() const;
  // Asks the scan to end at its next entry (as a cancel does) and joins the thread.
  void Cancel();
  // Joins the thread; rethrows what the scan threw.
  void Join();
  // What the scan found; valid after Join().
  const ScanSummary& Summary() const { return summary_; }

 private:
  class Control : public ScanControl {
   public:
    explicit Control(BackgroundScan& owner) : owner_(owner) {}
    bool Running() const override { return !owner_.stop_.load(std::memory_order_relaxed); }
    void EnterFolder(std::string_view path) override;
    bool CancelAfterEntry() override { return owner_.stop_.load(std::memory_order_relaxed); }

   private:
    BackgroundScan& owner_;
  };

  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable finishedSignal_;
  bool finished_ = false;
  std::string currentFolder_;
  std::exception_ptr error_;
  ScanSummary summary_;
  Control control_{*this};
  std::thread thread_;
};

}  // namespace orvel::engine
