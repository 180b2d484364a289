#pragma once

#include "platform/file_time.h"

#include <string>

namespace orvel::platform {

// Copies the entry at source over destination (overwriting allowed) and reports
// success. The copy never leaves a half-written destination: the contents go to
// a temporary file in the destination's folder, which replaces the destination
// only once it is complete; on any failure the destination is as it was and no
// temporary file remains.
//   - A regular file keeps its contents, permission bits and last-write time
//     (nanoseconds).
//   - A symbolic link is copied as a link (its target text), with the link's own
//     last-write time.
//   - A FIFO, socket or device is never opened: failure.
//   - A destination that is read-only (no write permission bit) or a directory
//     is refused: failure, also when running as root.
//   - A missing destination folder is a failure (the caller creates it and tries
//     again).
// errno describes the failure.
bool CopyEntry(const std::string& source, const std::string& destination);

// What a copy expects to find, so that it never acts on entries that changed
// since the caller looked at them: the source's last-write time, and whether the
// destination is missing or an entry with a given last-write time.
struct CopyExpectation {
  bool checkSource = false;
  FileTime sourceTime;
  bool destinationExists = false;
  FileTime destinationTime;
};

enum class CopyResult {
  Copied,
  SourceMissing,   // nothing at the source path
  SourceIsFolder,  // folders are made by the caller, not copied
  Changed,         // source or destination is not as expected; nothing was touched
  Failed,          // errno tells why
};

// CopyEntry that tells why it did not copy, and with an expectation refuses to
// act on entries that are not as expected. The checks use the look-ups the copy
// makes anyway, so they cost nothing extra.
CopyResult CopyEntryChecked(const std::string& source, const std::string& destination, const CopyExpectation* expect);

}  // namespace orvel::platform
