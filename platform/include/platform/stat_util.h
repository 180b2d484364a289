#pragma once

#include "platform/entry_info.h"
#include "platform/error.h"

#include <sys/stat.h>
#include <time.h>

namespace orvel::platform {

// What the system's stat record says, in the program's terms.
inline FileTime MtimeOf(const struct stat& st) {
  return FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
}

inline Identity IdentityOf(const struct stat& st) {
  return Identity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// One number for the inode number and the change time: a version that differs
// in either differs here (up to a chance of 2^-48). 48 bits keep the remembered
// state small on disk. Never 0, which stands for "not known".
inline std::uint64_t SettledStampOf(const struct stat& st) {
  std::uint64_t h = static_cast<std::uint64_t>(st.st_ino) * 0x9E3779B97F4A7C15ull;
  h ^= static_cast<std::uint64_t>(st.st_ctim.tv_sec) + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2);
  h ^= static_cast<std::uint64_t>(st.st_ctim.tv_nsec) + 0x85EBCA77C2B2AE63ull + (h << 6) + (h >> 2);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h &= (std::uint64_t{1} << 48) - 1;
  return h != 0 ? h : 1;
}

// The stamp as a look-up tells it: 0 (not known) where the file system keeps
// change times in whole seconds and this one is so recent that a later change
// could share it (an edit right after a copy, in the same second).
inline std::uint64_t ChangeStampOf(const struct stat& st) {
  if (st.st_ctim.tv_nsec == 0) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    if (st.st_ctim.tv_sec >= now.tv_sec - 1) return 0;
  }
  return SettledStampOf(st);
}

// With written: the entry was just written by this program, and what is
// remembered of it is the stamp every later look-up will tell (a recent change
// time does not make it unknown).
inline EntryInfo InfoOf(const struct stat& st, bool written = false) {
  const bool directory = S_ISDIR(st.st_mode);
  EntryInfo info{true, directory, MtimeOf(st), {}, S_ISLNK(st.st_mode)};
  info.size = directory ? 0 : static_cast<std::uint64_t>(st.st_size);
  info.stamp = written ? SettledStampOf(st) : ChangeStampOf(st);
  info.regular = S_ISREG(st.st_mode);
  return info;
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
