#pragma once

#include "platform/file_time.h"

#include <cstdint>
#include <system_error>

namespace orvel::platform {

// Device and inode number: what a folder or file is, whatever it is called.
struct Identity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool Known() const { return device != 0 || inode != 0; }
  friend bool operator==(const Identity&, const Identity&) = default;
};

// What a look-up of one entry tells: whether something is there, whether it is a
// directory, and its last-write time. A symbolic link is an entry of its own (not
// a directory), described by the link itself. A look-up that failed for another
// reason than absence carries the error and reads as not existing.
struct EntryInfo {
  bool exists = false;
  bool directory = false;
  FileTime mtime;
  std::error_code error;
  bool link = false;  // a symbolic link
  // The size (st_size of a file, 0 for a folder), and what the remembered sync
  // tells versions by besides the time: a stamp of the inode number and change
  // time (which every write, also one that puts the old time back, moves).
  std::uint64_t size = 0;
  std::uint64_t stamp = 0;
  bool regular = false;  // a regular file (not a link, FIFO, socket or device)

  bool IsFile() const { return exists && !directory; }
  bool Failed() const { return static_cast<bool>(error); }
};

}  // namespace orvel::platform
