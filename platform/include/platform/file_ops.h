#pragma once

#include "platform/copy_session.h"
#include "platform/entry_info.h"
#include "platform/folder.h"

#include <atomic>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace orvel::platform {

// What an entry must still be when an operation acts on it, so that nothing
// saved, created or deleted since the caller looked is overwritten or removed.
// A failed check gives Fault::ChangedSinceList and touches nothing.
struct Expectation {
  enum class Kind : unsigned char {
    Unchecked,  // anything
    Absent,     // nothing at all
    NoFile,     // nothing, or a folder
    File,       // a non-folder entry with this last-write time
    Folder,     // a folder with this last-write time
  };
  Kind kind = Kind::Unchecked;
  FileTime mtime;

  static Expectation File(FileTime t) { return {Kind::File, t}; }
  static Expectation Folder(FileTime t) { return {Kind::Folder, t}; }
  bool MetBy(const EntryInfo& now) const;
};

// Copies the entry `name` of folder `from` to the entry of the same name in
// folder `to` (overwriting allowed) and reports the error that stopped it. The
// copy never leaves a half-written destination: the contents go to an unnamed
// (or hidden temporary) file in `to`, which takes the destination's place only
// when complete, and only while the destination is still as expected — checked
// again right before it is replaced. On any failure the destination is as it was.
//   - A regular file keeps its contents (holes stay holes), its permission bits
//     (set-user-id and set-group-id dropped), its owner when running as root,
//     its user attributes and ACLs (security and trusted ones as root) and its
//     last-write time with nanoseconds. A source that changes during the copy
//     fails the copy. A file whose other name this session already copied to
//     the same file system becomes a link to that copy.
//   - A symbolic link is copied as a link (its target text), with its own time
//     where the file system is known to set it on the link itself.
//   - A FIFO, socket or device is never opened (Fault::SpecialFile).
//   - A folder source gives EISDIR (folders are made, not copied); a read-only
//     destination Fault::ReadOnly, also when running as root; a folder at the
//     destination EISDIR; a missing source ENOENT.
//   - Whatever the destination's file system lacks is found once per session
//     (see CopySession and DestinationWriter) and the next best way taken.
// `faultSide` tells, after a failure, whose entry it was.
enum class CopyFaultSide : unsigned char { Source, Destination };
std::error_code CopyEntryAt(const Folder& from, std::string_view name, const Expectation& source, const Folder& to,
                            const Expectation& destination, CopySession& session,
                            CopyFaultSide* faultSide = nullptr);
// The same in a session of its own.
std::error_code CopyEntryAt(const Folder& from, std::string_view name, const Expectation& source, const Folder& to,
                            const Expectation& destination);

// Writes `contents` as the file `name` of the folder, all or nothing: a new file
// is filled beside it, flushed to the disk, and takes its place only when
// complete, so a failed write never destroys what was there. A file it
// replaces keeps its permission bits; a new one gets 0666 less the umask. A
// folder at the name is refused (EISDIR).
std::error_code WriteFileAt(const Folder& folder, std::string_view name, std::string_view contents);

// Deletes the entry `name` of the folder when it is as expected: a folder only
// when empty (rmdir, never to the trash), a file or link unless it is read-only,
// to the trash when asked.
std::error_code DeleteEntryAt(const Folder& folder, std::string_view name, const Expectation& expect,
                              bool toTrash);

// mkdir of the child `name` (mode 0777 less the umask). An existing folder there
// counts as made; *madeHere (when asked) tells whether this call made it.
std::error_code MakeFolderAt(const Folder& folder, std::string_view name, bool* madeHere = nullptr);

// What the scans met of entries named like temporaries (see temporary_name.h),
// counted from several threads.
struct LeftoverTally {
  std::atomic<std::uint64_t> removed{0};
  // Named like ours on a file system that holds no marks: left in place and
  // listed like any file, since nothing proves them ours.
  std::atomic<std::uint64_t> unproven{0};
};

// Whether the scan passes over the entry `name` of the folder: only a regular
// file whose mark proves it one of our temporaries (a leftover of a killed run;
// runs on one folder exclude each other). With `remove` (a sync run, under an
// exclusive lock) it is deleted too. Anything else is a user's entry, whatever
// its name. `tally` (may be null) counts what was removed and what could not
// be told.
bool PassOverTemporary(const Folder& folder, std::string_view name, bool remove, LeftoverTally* tally);

}  // namespace orvel::platform
