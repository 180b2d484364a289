#pragma once

#include <string>
#include <string_view>

namespace orvel::platform {

// A copy is written under a hidden name beside its destination,
// ".<name>.orvel-XXXXXX" (six letters or digits), and renamed over it when
// complete (where the file system has unnamed files, a new file needs no name
// of its own at all). The name alone proves nothing: a user may call a file
// that way. What proves a temporary ours is its mark, an extended attribute
// naming the temporary, set as soon as the file is made and taken off right
// before it takes the destination's place. Only a marked file is passed over
// by the scan and removed as a leftover of a killed run (see file_ops.h).
std::string TemporaryNameFor(std::string_view name);
bool IsTemporaryName(std::string_view name);

// The longest name TemporaryNameFor makes.
inline constexpr std::size_t kMaxTemporaryNameBytes = 256;

// The attribute that marks a temporary; never carried to a copy.
inline constexpr const char* kTemporaryMark = "user.orvel.temporary";

// Marks the open temporary `fd`, made under `tmpName`. False where the file
// system holds no user attributes (or refuses this one): such a temporary
// cannot be told from a user's file later.
bool MarkTemporary(int fd, std::string_view tmpName);
// Takes the mark off again (a file about to be published).
void UnmarkTemporary(int fd);

}  // namespace orvel::platform
