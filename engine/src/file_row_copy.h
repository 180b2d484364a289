#pragma once

#include "engine/row_store.h"
#include "engine/tree_access.h"
#include "platform/copy_session.h"
#include "platform/file_ops.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvel::engine {

// The file (or link) of one row, to be copied to the other side: everything
// the copy needs, taken from the row before it starts, so that it can run on
// another thread while rows are added.
struct FileRowCopy {
  std::string rel;  // the row's folder below the roots
  std::string name;
  platform::Identity fromFolder;  // as the scan saw them (unknown: whatever is there)
  platform::Identity toFolder;
  platform::Expectation source;
  platform::Expectation destination;
  Side fromSide = Side::Base;
  Side toSide = Side::Target;
  bool lookAtCopy = true;  // what the copy holds is wanted (the remembered state), one more look-up
};

// What a copy did besides its result.
struct FileRowCopyDone {
  TreeAccess::Made made;       // the destination's folders this copy made
  platform::EntryInfo copied;  // what the destination holds now (after success)
  std::uint64_t toDevice = 0;  // the destination folder's file system, once it was reached
};

// Copies the file, making the destination's missing folders, each inside its
// verified parent.
RowError CopyFileOfRow(const FileRowCopy& copy, TreeAccess& from, TreeAccess& to, platform::CopySession& session,
                       FileRowCopyDone& done);

}  // namespace orvel::engine
