#pragma once

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

}  // namespace orvel::platform
