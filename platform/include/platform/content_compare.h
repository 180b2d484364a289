#pragma once

#include "platform/entry_info.h"
#include "platform/error.h"
#include "platform/folder.h"

#include <string_view>

namespace orvel::platform {

// Whether the entries `name` of two folders hold the same bytes. Each must
// still be the version a look-up saw (its stamp, see EntryInfo), otherwise
// Fault::ChangedSinceList. Regular files are read once each, side by side in
// large blocks, never held whole; links are compared by their target texts; a
// file and a link differ. Nothing is followed, and a FIFO, socket or device is
// never opened (Fault::SpecialFile).
Expected<bool> SameContents(const Folder& a, const Folder& b, std::string_view name, const EntryInfo& aSeen,
                            const EntryInfo& bSeen);

}  // namespace orvel::platform
