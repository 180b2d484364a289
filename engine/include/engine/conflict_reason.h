#pragma once

#include <system_error>

namespace orvel::engine {

// Why the remembered sync stops at "!": carried as the row's reason.
enum class ConflictReason {
  EditedBoth = 1,           // edited on both sides since the last sync
  EditedBaseDeletedTarget,  // edited in the base, deleted in the target
  EditedTargetDeletedBase,  // edited in the target, deleted in the base
  CreatedBoth,              // made on both sides with other contents, never synced
  KindChangedBoth,          // a file on one side, a folder on the other, both changed
  FileAndFolder,            // a file on one side, a folder on the other, never synced
};

const std::error_category& ConflictCategory();
std::error_code MakeConflict(ConflictReason reason);
bool IsConflict(const std::error_code& code);

}  // namespace orvel::engine
