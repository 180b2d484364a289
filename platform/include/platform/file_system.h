#pragma once

#include "platform/entry_info.h"

#include <string>

namespace orvel::platform {

// Look-up of one path without following a final symbolic link (lstat).
// Anything that makes the look-up fail (missing, access denied, name too long)
// reads as "nothing there".
EntryInfo LookUp(const std::string& path);

// Look-up that follows symbolic links (stat); used for the root folders of a
// condition, which may be links.
EntryInfo LookUpFollow(const std::string& path);

// True when the entry at path (not followed) has none of the write permission
// bits; such a file counts as read-only and is neither overwritten nor deleted,
// also when running as root.
bool IsReadOnly(const std::string& path);

// The process's file mode creation mask, read once without changing it.
unsigned ProcessUmask();

// mkdir with mode 0777 (less the umask). False on any failure, also when the
// path already exists.
bool CreateDirectory(const std::string& path);

// rmdir: removes an empty folder only.
bool RemoveDirectory(const std::string& path);

// unlink of a file (or link). Refuses a read-only file (see IsReadOnly) and a
// directory.
bool DeleteFile(const std::string& path);

}  // namespace orvel::platform
