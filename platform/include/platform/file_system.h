#pragma once

#include "platform/entry_info.h"

#include <string>

namespace orvel::platform {

// Look-ups of a whole path, for what the user names (the root folders, which may
// be links) rather than what a tree holds; a tree's entries are looked up
// through their verified folders (folder.h).

// lstat: a final link is not followed.
EntryInfo LookUp(const std::string& path);
// stat: links are followed.
EntryInfo LookUpFollow(const std::string& path);

// The process's file mode creation mask, read once without changing it.
unsigned ProcessUmask();

// mkdir of a whole path with mode 0777 (less the umask); an error also when the
// path already exists.
std::error_code CreateDirectory(const std::string& path);

}  // namespace orvel::platform
