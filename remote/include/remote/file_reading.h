#pragma once

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder.h"
#include "platform/unique_fd.h"
#include "remote/messages.h"

#include <functional>
#include <string>
#include <string_view>

namespace orvel::remote {

// The entry `name` of a verified folder with everything a look-up from the far
// side tells (a final link is not followed).
WireEntry LookUpEntry(const platform::Folder& folder, std::string_view name);

// A file or link opened for reading its contents, checked against what the
// caller expects. A link is never followed: its contents are its target text.
struct OpenedFile {
  platform::UniqueFd fd;  // not open for a link
  std::string linkText;
  FileBeginReply begin;
};

// Opens the entry without following a link and without blocking on a FIFO
// (which, like sockets and devices, is refused with Fault::SpecialFile); the
// entry must meet `expect` (Fault::ChangedSinceList otherwise).
platform::Expected<OpenedFile> OpenForReading(const platform::Folder& folder, std::string_view name,
                                              const platform::Expectation& expect);

// Whether the opened file is still as it was when opened (size and time): a
// source that changed while it was read is not handed on.
std::error_code CheckUnchanged(const OpenedFile& file);

// The SHA-256 digest of a file's contents (of a link's target text), so that
// two machines can compare contents without moving them. `tick` hears the
// bytes read so far after every chunk (a long file keeps the connection alive
// with them).
platform::Expected<DigestReply> DigestEntryAt(const platform::Folder& folder, std::string_view name,
                                              const platform::Expectation& expect,
                                              const std::function<void(std::uint64_t)>& tick = {});

}  // namespace orvel::remote
