#pragma once

#include "engine/interfaces.h"
#include "messages.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

namespace orvel::cli {

// The progress of a run as one line on a terminal, rewritten in place ("\r"):
// condition number and name, status and percent, then the run's figures (rows
// done and found, files and bytes copied, speed, time left) as far as the line
// has room. Draws nothing when the stream
// is not a terminal. Cancel requests come from Ctrl+C.
class TerminalProgress : public engine::IProgress {
 public:
  TerminalProgress(std::FILE* stream, bool draw, Language language = Language::Japanese)
      : stream_(stream), draw_(draw), language_(language) {}

  void Open() override;
  void Close() override { ClearLine(); }
  void ShowStatus(engine::RunStatus status) override;
  void SetBarRange(int lower, int upper) override;
  void SetBarStep(int) override {}
  void SetBarPos(int position) override;
  bool PollCancel() override;
  void ShowCondition(int count, int position, std::string_view name) override;
  void ShowPath(std::string_view) override { Beat(false); }
  void WatchRun(const engine::RunMeter* meter) override { meter_ = meter; }

  // Called as the run goes on: at each step (at least every 20 ms while it
  // waits for a scan) and, with true, when a condition or phase begins.
  void SetHeartbeat(std::function<void(bool phaseChange)> heartbeat) { heartbeat_ = std::move(heartbeat); }

  // Removes the line so that a message can be written on a clean line, and
  // writes out what standard output holds so that the message follows it.
  void ClearLine();

 private:
  void Redraw();
  void Beat(bool phaseChange) {
    if (heartbeat_) heartbeat_(phaseChange);
  }

  std::FILE* stream_;
  bool draw_;
  Language language_;
  bool drawn_ = false;
  int columns_ = 80;
  std::string status_;
  std::string name_;
  int conditionCount_ = 0;
  int conditionPosition_ = 0;
  int lower_ = 0;
  int upper_ = 100;
  int position_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
  std::string line_;
  std::function<void(bool)> heartbeat_;
  const engine::RunMeter* meter_ = nullptr;
};

}  // namespace orvel::cli
