#pragma once

// What the sync execution's files share about the row being executed.
#include "engine/sync_execution.h"
#include "file_row_copy.h"
#include "platform/file_ops.h"

#include <string_view>

namespace orvel::engine {

using platform::Expectation;

// What the list says of one side of a row: whether it shows an entry there, and
// with which time.
struct Shown {
  bool exists = false;
  platform::FileTime time;
};

// The expectation an operation checks on one side: the entry the list shows, or
// for a side that shows none, no file (files) or nothing at all (folders).
inline Expectation ExpectationOf(const Shown& shown, bool folderRow) {
  if (shown.exists) return folderRow ? Expectation::Folder(shown.time) : Expectation::File(shown.time);
  return Expectation{folderRow ? Expectation::Kind::Absent : Expectation::Kind::NoFile, {}};
}

// One row being executed, with what the list shows of it.
struct SyncExecution::Work {
  const ResultRow& row;
  std::string_view rel;
  std::string_view name;
  TreeAccess& base;
  TreeAccess& target;
  const FolderIdentities& ids;
  Shown baseShown;
  Shown targetShown;
  int rowIndex;
};

// What a row with a far side leaves in its pair's state, kept until the far
// side has answered.
struct SyncExecution::FarMemo {
  PairMemory* pair = nullptr;
  std::string rel;
  std::string name;
  bool isFolder = false;
  bool kindChange = false;
  int rowIndex = -1;
  Mark shown = Mark::Same;
  platform::EntryInfo source;  // as the comparison saw it, else its time alone
  bool sourceSeen = false;
  platform::EntryInfo kept;  // what the destination kept, filled in by the copy
};

// The file copy of a row, from the side `fromBase` says.
inline FileRowCopy SyncExecution::FileCopyOf(const Work& work, bool fromBase) {
  FileRowCopy copy;
  copy.rel = work.rel;
  copy.name = work.name;
  copy.fromFolder = fromBase ? work.ids.base : work.ids.target;
  copy.toFolder = fromBase ? work.ids.target : work.ids.base;
  copy.source = ExpectationOf(fromBase ? work.baseShown : work.targetShown, work.row.isFolder);
  copy.destination = ExpectationOf(fromBase ? work.targetShown : work.baseShown, work.row.isFolder);
  copy.fromSide = fromBase ? Side::Base : Side::Target;
  copy.toSide = fromBase ? Side::Target : Side::Base;
  return copy;
}

}  // namespace orvel::engine
