#pragma once

#include "engine/interfaces.h"
#include "engine/run_flags.h"
#include "engine/sync_execution.h"

#include <string_view>

namespace orvel::engine {

namespace row_text {
inline constexpr std::string_view kConfirmSync = "同期実行します\nよろしいですか？";
inline constexpr std::string_view kConfirmForceBase1 = "強制基本同期実行します\nよろしいですか？";
inline constexpr std::string_view kConfirmForceBase2 =
    "基本フォルダから強制的に対照フォルダへ同期実行します\n本当によろしいですか？";
inline constexpr std::string_view kConfirmForceTarget1 = "強制対照同期実行します\nよろしいですか？";
inline constexpr std::string_view kConfirmForceTarget2 =
    "対照フォルダから強制的に基本フォルダへ同期実行します\n本当によろしいですか？";
inline constexpr std::string_view kIndividualSync = "個別同期中...";
}  // namespace row_text

enum class RowLoopOutcome { Declined, Completed, Cancelled };

// The selective and forced commands: execute the selected rows with a direction
// override after their confirmation questions.
class RowLoop {
 public:
  RowLoop(IProgress& progress, IPrompt& prompt, RunFlags& flags, SyncExecution& execution)
      : progress_(progress), prompt_(prompt), flags_(flags), execution_(execution) {}

  // confDlg only matters for Direction::AsMarked; the forced directions always ask twice.
  RowLoopOutcome Run(Direction direction, bool confDlg, const ISelection& selection);

 private:
  bool Confirm(Direction direction, bool confDlg);

  IProgress& progress_;
  IPrompt& prompt_;
  RunFlags& flags_;
  SyncExecution& execution_;
};

}  // namespace orvel::engine
