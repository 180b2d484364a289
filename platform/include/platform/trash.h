#pragma once

#include "platform/entry_info.h"
#include "platform/folder.h"

#include <string>
#include <string_view>
#include <system_error>

namespace orvel::platform {

// Moves a file to the desktop's trash (freedesktop trash: the home trash or the
// volume's .Trash-<uid>) without any user interface. The trash takes a path, so
// the path is rebuilt from the verified folder and checked to name that very
// folder without any link, and the entry to be the one with `identity`, right
// before it is handed over. On failure the file stays where it was.
std::error_code TrashEntryAt(const Folder& folder, std::string_view name, const Identity& identity);

// The same for a path given whole (its folders are followed as they are).
std::error_code MoveToTrash(const std::string& path);

}  // namespace orvel::platform
