#pragma once

#include <string>

namespace orvel::platform {

// Moves a file to the desktop's trash (freedesktop trash: the home trash or the
// volume's .Trash-<uid>) without any user interface. False when the file cannot
// be trashed; the file then stays where it was.
bool MoveToTrash(const std::string& path);

}  // namespace orvel::platform
