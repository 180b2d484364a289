#pragma once

#include "platform/entry_info.h"
#include "platform/error.h"
#include "platform/folder.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace orvel::platform {

// The SHA-256 of an entry's contents (a regular file's bytes, a link's target
// text) and their size: what two machines compare instead of moving the bytes.
struct ContentDigest {
  std::uint64_t size = 0;
  std::array<unsigned char, 32> value{};
  friend bool operator==(const ContentDigest&, const ContentDigest&) = default;
};

// The digest of `name` in `folder`, which must still be the version seen (its
// stamp where known, and its size; Fault::ChangedSinceList otherwise). Nothing
// is followed, and a FIFO, socket or device is never opened (Fault::SpecialFile).
Expected<ContentDigest> DigestOf(const Folder& folder, std::string_view name, const EntryInfo& seen);

}  // namespace orvel::platform
