#pragma once

#include "platform/entry_info.h"
#include "platform/error.h"
#include "platform/folder.h"

#include <string_view>

namespace orvel::platform {

// Whether the entries `name` of two folders hold the same bytes. Regular
// files are read once each, side by side in large blocks, never held whole;
// links are compared by their target texts; a file and a link differ. Nothing
// is followed. Entries that were regular files when looked up are opened at
// once, the seen size compared; others are looked up first, must still be the
// versions seen (their stamps, see EntryInfo; otherwise
// Fault::ChangedSinceList), and a FIFO, socket or device among them is never
// opened (Fault::SpecialFile).
Expected<bool> SameContents(const Folder& a, const Folder& b, std::string_view name, const EntryInfo& aSeen,
                            const EntryInfo& bSeen);

}  // namespace orvel::platform
