#pragma once

#include "platform/entry_info.h"
#include "platform/error.h"

#include <sys/stat.h>

namespace orvel::platform {

// What the system's stat record says, in the program's terms.
inline FileTime MtimeOf(const struct stat& st) {
  return FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

inline Identity IdentityOf(const struct stat& st) {
  return Identity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

inline EntryInfo InfoOf(const struct stat& st) {
  const bool directory = S_ISDIR(st.st_mode);
  return EntryInfo{true, directory, MtimeOf(st), {}, S_ISLNK(st.st_mode),
                   directory ? 0 : static_cast<std::uint64_t>(st.st_size)};
}

// A failed look-up: absence when nothing is there, an error otherwise.
inline EntryInfo MissingOrFailed(int number) {
  EntryInfo info;
  const std::error_code error = SystemError(number);
  if (!IsAbsence(error)) info.error = error;
  return info;
}

// No write permission bit at all: such an entry is neither overwritten nor
// deleted, also when running as root.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & 0222) == 0; }

}  // namespace orvel::platform
