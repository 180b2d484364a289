#include "ui/shell/shell_actions.h"

#include "engine/row_store.h"
#include "ui/shell/detached_process.h"
#include "ui/shell/file_manager.h"
#include "ui/result_list/result_model.h"

namespace orvel::ui {

ShellActions::ShellActions(const ResultModel& list, engine::IProgress& progress, QWidget* window)
    : list_(list), progress_(progress), window_(window), files_(std::make_unique<FileManager>(window)) {}

ShellActions::~ShellActions() = default;

bool ShellActions::IsItem(int item) const { return item >= 0 && item < list_.ItemCount(); }

// The file whose folder the path column shows: the list's texts, not the row.
void ShellActions::Properties(const std::vector<int>& selected) {
  if (selected.empty() || !IsItem(selected.front())) return;
  const int item = selected.front();
  files_->ShowItemProperties(list_.ItemText(item, ResultModel::kPath) + list_.ItemText(item, ResultModel::kName));
}

void ShellActions::FindBase(const std::vector<int>& selected) { Find(selected, true); }

void ShellActions::FindTarget(const std::vector<int>& selected) { Find(selected, false); }

// The side's path is asked for also when the entry is missing there; the file
// manager says so in its own way.
void ShellActions::Find(const std::vector<int>& selected, bool baseSide) {
  const engine::RowStore& rows = list_.Rows();
  for (int item : selected) {
    if (!IsItem(item)) continue;
    const engine::ResultRow& row = rows.Row(list_.ItemData(item));
    const std::string& folder = baseSide ? rows.BaseFolder(row) : rows.TargetFolder(row);
    files_->ShowItem(folder + std::string(rows.Name(row)));
  }
}

void ShellActions::ExternalTool(const std::vector<int>& selected, const std::string& exePath) {
  const engine::RowStore& rows = list_.Rows();
  progress_.Open();
  progress_.ShowStatus(engine::RunStatus::Launching);
  progress_.SetBarRange(0, static_cast<int>(selected.size()));
  progress_.SetBarStep(1);
  int done = 0;
  for (int item : selected) {
    if (IsItem(item)) {
      const engine::ResultRow& row = rows.Row(list_.ItemData(item));
      // A file on one side only has nothing to be compared with.
      if (row.hasBase && row.hasTarget) {
        const std::string name(rows.Name(row));
        // Not waited for, and a tool that cannot be started is not reported.
        StartDetached(ToolCommand(exePath, rows.BaseFolder(row) + name, rows.TargetFolder(row) + name));
      }
    }
    if (progress_.PollCancel()) break;
    progress_.SetBarPos(++done);
  }
  progress_.Close();
}

}  // namespace orvel::ui
