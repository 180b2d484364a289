#include "engine/sync_execution.h"

#include "engine/ensure_folder_path.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "platform/trash.h"

namespace orvel::engine {

namespace {

// What a copy from one side to the other may expect, from what the scan saw.
platform::CopyExpectation ExpectationOf(const ResultRow& seen, bool fromBase) {
  platform::CopyExpectation e;
  e.checkSource = fromBase ? seen.hasBase : seen.hasTarget;
  e.sourceTime = fromBase ? seen.baseTime : seen.targetTime;
  e.destinationExists = fromBase ? seen.hasTarget : seen.hasBase;
  e.destinationTime = fromBase ? seen.targetTime : seen.baseTime;
  return e;
}

}  // namespace

int SyncExecution::ExecuteRow(int item, Direction direction, bool asSeen) {
  const ResultRow& row = rows_.Row(list_.ItemData(item));
  std::string_view mark = MarkText(row.mark);
  if (direction == Direction::ForceBase) mark = MarkText(Mark::BaseNewer);
  if (direction == Direction::ForceTarget) mark = MarkText(Mark::TargetNewer);

  // An identical pair (or one within the tolerance) needs nothing: its text stays.
  if (mark == MarkText(Mark::Same)) return 1;

  // With the base folder inside the target folder, the target's scan lists the
  // base's own files; complete sync must not delete them.
  const auto insideBase = [&] {
    return (rows_.TargetFolder(row) + std::string(rows_.Name(row))).starts_with(rows_.BaseRoot(row));
  };
  if (mark == MarkText(Mark::Delete) && insideBase()) {
    list_.SetItemText(item, 2, MarkText(Mark::Failed));
    return 1;
  }

  if (!SyncEntry(rows_.BaseFolder(row), rows_.TargetFolder(row), std::string(rows_.Name(row)), mark,
                 asSeen ? &row : nullptr)) {
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
                              std::string_view mark, const ResultRow* seen) {
  if (mark == "=") return true;  // nothing to do for an identical pair
  if (mark == ">" || mark == ">>") {
    const auto expect = seen ? ExpectationOf(*seen, true) : platform::CopyExpectation{};
    return Copy(baseFolder + name, targetFolder + name, targetFolder, seen ? &expect : nullptr);
  }
  if (mark == "<" || mark == "<<") {
    const auto expect = seen ? ExpectationOf(*seen, false) : platform::CopyExpectation{};
    return Copy(targetFolder + name, baseFolder + name, baseFolder, seen ? &expect : nullptr);
  }
  if (mark == "X") return Delete(targetFolder + name, seen, baseFolder + name);
  return true;
}

bool SyncExecution::Copy(const std::string& source, const std::string& destination,
                         const std::string& destinationFolder, const platform::CopyExpectation* expect) {
  switch (platform::CopyEntryChecked(source, destination, expect)) {
    case platform::CopyResult::Copied:
      return true;
    case platform::CopyResult::SourceIsFolder:
      // Folder rows stand for empty folders: making the folder is the whole copy.
      return EnsureFolderPath(destination);
    case platform::CopyResult::Failed:
      // Most often the destination folder is missing: make it and try once more.
      EnsureFolderPath(destinationFolder);
      return platform::CopyEntryChecked(source, destination, expect) == platform::CopyResult::Copied;
    case platform::CopyResult::SourceMissing:
    case platform::CopyResult::Changed:
      break;
  }
  return false;
}

bool SyncExecution::Delete(const std::string& path, const ResultRow* seen, const std::string& basePath) {
  const auto info = platform::LookUp(path);
  if (!info.exists) return false;
  if (seen) {
    // Delete only what the scan saw, and only while the base side still lacks it.
    if (!seen->hasTarget || info.mtime != seen->targetTime) return false;
    if (platform::LookUp(basePath).exists) return false;
  }
  // A folder is removed only when empty, and never goes to the trash.
  if (info.directory) return platform::RemoveDirectory(path);
  if (deleteTrash_ && deleteTrash_()) return platform::MoveToTrash(path);
  return platform::DeleteFile(path);
}

}  // namespace orvel::engine
