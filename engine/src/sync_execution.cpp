#include "engine/sync_execution.h"

#include "engine/ensure_folder_path.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "platform/trash.h"

namespace orvel::engine {

int SyncExecution::ExecuteRow(int item, Direction direction) {
  const ResultRow& row = rows_.Row(list_.ItemData(item));
  std::string_view mark = MarkText(row.mark);
  if (direction == Direction::ForceBase) mark = MarkText(Mark::BaseNewer);
  if (direction == Direction::ForceTarget) mark = MarkText(Mark::TargetNewer);

  // An identical pair (or one within the tolerance) needs nothing: its text stays.
  if (mark == MarkText(Mark::Same)) return 1;

  if (!SyncEntry(rows_.BaseFolder(row), rows_.TargetFolder(row), std::string(rows_.Name(row)), mark)) {
    list_.SetItemText(item, 2, MarkText(Mark::Failed));
    return 1;
  }
  std::string_view shown = mark;
  if (mark == ">" || mark == ">>") {
    list_.SetItemText(item, 3, list_.ItemText(item, 1));
    shown = MarkText(Mark::BaseSynced);
  } else if (mark == "<" || mark == "<<") {
    list_.SetItemText(item, 1, list_.ItemText(item, 3));
    shown = MarkText(Mark::TargetSynced);
  } else if (mark == "X") {
    shown = MarkText(Mark::Deleted);
  }
  list_.SetItemText(item, 2, shown);
  return 1;
}

bool SyncExecution::SyncEntry(const std::string& baseFolder, const std::string& targetFolder, const std::string& name,
                              std::string_view mark) {
  if (mark == "=") return true;  // nothing to do for an identical pair
  if (mark == ">" || mark == ">>") return Copy(baseFolder + name, targetFolder + name, targetFolder);
  if (mark == "<" || mark == "<<") return Copy(targetFolder + name, baseFolder + name, baseFolder);
  if (mark == "X") return Delete(targetFolder + name);
  return true;
}

bool SyncExecution::Copy(const std::string& source, const std::string& destination,
                         const std::string& destinationFolder) {
  const auto info = platform::LookUp(source);
  if (!info.exists) return false;
  // Folder rows stand for empty folders: making the folder is the whole copy.
  if (info.directory) return EnsureFolderPath(destination);
  if (platform::CopyEntry(source, destination)) return true;
  EnsureFolderPath(destinationFolder);
  return platform::CopyEntry(source, destination);
}

bool SyncExecution::Delete(const std::string& path) {
  const auto info = platform::LookUp(path);
  if (!info.exists) return false;
  // A folder is removed only when empty, and never goes to the trash.
  if (info.directory) return platform::RemoveDirectory(path);
  if (deleteTrash_ && deleteTrash_()) return platform::MoveToTrash(path);
  return platform::DeleteFile(path);
}

}  // namespace orvel::engine
