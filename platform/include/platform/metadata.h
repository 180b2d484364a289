#pragma once

#include "platform/copy_session.h"
#include "platform/copy_source.h"
#include "platform/folder.h"

#include <sys/types.h>

namespace orvel::platform {

// Gives the open file or folder `fd` the owner (when running as root),
// permission bits (set-id bits dropped), carried attributes and times of
// `meta`, as far as its file system holds them. A refusal is noted in the
// session (and not tried again on that file system this run), never a failure.
// createdMode: the permission bits it was made with, which need no change.
// Learns the unit the file system keeps times in from the first time that
// tells.
void ApplyCarriedMetadata(CopySession& session, CopySession::Device& device, int fd, const FileMeta& meta,
                          mode_t createdMode);

// What a folder made by a run takes over from its source once its contents are
// in place: permission bits, owner, attributes (ACLs, default ACLs) and times.
std::error_code CopyFolderMetadata(CopySession& session, const Folder& from, const Folder& to);

}  // namespace orvel::platform
