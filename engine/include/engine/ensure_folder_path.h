#pragma once

#include <string>

namespace orvel::engine {

// Creates the folder with any missing parent folders. Succeeds at once when the
// path already is a folder; fails below an existing file and for the bare root.
bool EnsureFolderPath(const std::string& path);

}  // namespace orvel::engine
