#pragma once

#include "engine/interfaces.h"
#include "engine/row_store.h"
#include "platform/file_copy.h"

#include <functional>
#include <string>
#include <string_view>

namespace orvel::engine {

// Direction override of ExecuteRow.
enum class Direction { AsMarked = 0, ForceBase = 1, ForceTarget = 2 };

// Carries out result rows against the file system and shows the outcome in the
// list. The row store is never changed, so executing a row again repeats it.
class SyncExecution {
 public:
  // deleteTrash is read at the moment of each deletion.
  SyncExecution(const RowStore& rows, IResultList& list, std::function<bool()> deleteTrash)
      : rows_(rows), list_(list), deleteTrash_(std::move(deleteTrash)) {}

  // Executes the row of list item `item`; always returns 1. With asSeen (the
  // sync run, right after the comparison) the row is carried out only while both
  // of its entries are still as the scan saw them; otherwise it shows "?".
  int ExecuteRow(int item, Direction direction, bool asSeen = false);

  // The file operation a mark calls for. "=" and unknown marks touch nothing.
  // With `seen`, entries that changed since the scan are left alone (failure).
  bool SyncEntry(const std::string& baseFolder, const std::string& targetFolder, const std::string& name,
                 std::string_view mark, const ResultRow* seen = nullptr);

 private:
  bool Copy(const std::string& source, const std::string& destination, const std::string& destinationFolder,
            const platform::CopyExpectation* expect);
  bool Delete(const std::string& path, const ResultRow* seen, const std::string& basePath);

  const RowStore& rows_;
  IResultList& list_;
  std::function<bool()> deleteTrash_;
};

}  // namespace orvel::engine
