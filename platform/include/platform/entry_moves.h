#pragma once

#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/folder.h"

#include <string_view>

namespace orvel::platform {

// Renames the entry `name` of the folder to `newName` in the same folder, when
// it is as expected and nothing is called `newName` yet (EEXIST otherwise).
std::error_code RenameEntryAt(const Folder& folder, std::string_view name, const Expectation& expect,
                              std::string_view newName);

}  // namespace orvel::platform
