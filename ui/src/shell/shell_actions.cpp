#include "ui/shell/shell_actions.h"

#include "engine/row_store.h"
#include "platform/file_system.h"
#include "remote/address.h"
#include "ui/shell/detached_process.h"
#include "ui/shell/file_manager.h"
#include "ui/result_list/result_model.h"

#include <QCoreApplication>

namespace orvel::ui {

ShellActions::ShellActions(const ResultModel& list, engine::IProgress& progress, QWidget* window, Notice notice)
    : list_(list),
      progress_(progress),
      window_(window),
      notice_(std::move(notice)),
      files_(std::make_unique<FileManager>(window)) {
  files_->SetNotice(notice_);
}

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
    // The file manager shows this machine's files only.
    if (remote::LooksRemote(folder)) {
      if (notice_)
        notice_(QCoreApplication::translate("ShellActions", "ほかのマシンのフォルダはファイルマネージャで開けません: %1")
                    .arg(QString::fromStdString(folder)));
      continue;
    }
    files_->ShowItem(folder + std::string(rows.Name(row)));
  }
}

ShellActions::ToolStart ShellActions::StartTool(const std::string& exePath, const std::string& base,
                                                const std::string& target, QString& failure) {
  // Both files as they are now, whatever the line showed when it was listed
  // (a sync run may have made the missing one since): a file on one side only
  // has nothing to be compared with. A tool is handed paths of this machine; a
  // file on another has none.
  if (remote::LooksRemote(base) || remote::LooksRemote(target)) return ToolStart::Far;
  if (!platform::LookUpFollow(base).IsFile() || !platform::LookUpFollow(target).IsFile()) return ToolStart::Lacking;
  // Not waited for; a tool that cannot be started is told.
  std::string error;
  if (StartDetached(ToolCommand(exePath, base, target), &error)) return ToolStart::Started;
  if (failure.isEmpty()) failure = QString::fromStdString(error);
  return ToolStart::Failed;
}

bool ShellActions::CanCompare(const std::string& basePath, const std::string& targetPath) {
  return !remote::LooksRemote(basePath) && !remote::LooksRemote(targetPath) &&
         platform::LookUpFollow(basePath).IsFile() && platform::LookUpFollow(targetPath).IsFile();
}

void ShellActions::ExternalTool(const std::vector<int>& selected, const std::string& exePath) {
  const engine::RowStore& rows = list_.Rows();
  progress_.Open();
  progress_.ShowStatus(engine::RunStatus::Launching);
  progress_.SetBarRange(0, static_cast<int>(selected.size()));
  progress_.SetBarStep(1);
  int done = 0;
  int lacking = 0;
  int far = 0;
  QString failure;
  for (int item : selected) {
    if (IsItem(item)) {
      const engine::ResultRow& row = rows.Row(list_.ItemData(item));
      const std::string name(rows.Name(row));
      switch (StartTool(exePath, rows.BaseFolder(row) + name, rows.TargetFolder(row) + name, failure)) {
        case ToolStart::Far:
          ++far;
          break;
        case ToolStart::Lacking:
          ++lacking;
          break;
        case ToolStart::Started:
        case ToolStart::Failed:
          break;
      }
    }
    if (progress_.PollCancel()) break;
    progress_.SetBarPos(++done);
  }
  progress_.Close();
  TellTool(failure, far, lacking);
}

void ShellActions::CompareFiles(const std::string& basePath, const std::string& targetPath, const std::string& exePath) {
  QString failure;
  const ToolStart started = StartTool(exePath, basePath, targetPath, failure);
  TellTool(failure, started == ToolStart::Far ? 1 : 0, started == ToolStart::Lacking ? 1 : 0);
}

void ShellActions::TellTool(const QString& failure, int far, int lacking) {
  if (!notice_) return;
  if (!failure.isEmpty()) {
    notice_(QCoreApplication::translate("ShellActions", "外部ツールを起動できません: %1").arg(failure));
  } else if (far > 0) {
    notice_(QCoreApplication::translate("ShellActions", "外部ツール: ほかのマシンのファイルがある %1 行には起動しません")
                .arg(far));
  } else if (lacking > 0) {
    notice_(QCoreApplication::translate("ShellActions", "外部ツール: 両方のファイルがそろっていない %1 行には起動しません")
                .arg(lacking));
  }
}

}  // namespace orvel::ui
