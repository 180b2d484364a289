#pragma once

#include "engine/folder_scan.h"
#include "engine/remove_tree.h"
#include "engine/run_values.h"
#include "engine/side_index.h"
#include "engine/texts.h"
#include "platform/content_digest.h"
#include "platform/entry_info.h"
#include "platform/error.h"
#include "platform/file_ops.h"
#include "platform/file_system_identity.h"
#include "platform/file_system_traits.h"
#include "platform/file_time.h"
#include "platform/folder.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvel::engine {

// A root folder on another machine as its far side opened it.
struct FarRootInfo {
  platform::Identity identity;
  std::uint64_t fileSystemId = 0;
  platform::FileSystemTraits traits;
  bool locked = false;
  bool created = false;  // made by this opening (a missing target)
  // What the remembered sync keys the root by, as the far side sees it (all 0
  // when the far side does not tell it).
  platform::RootIdentity rootIdentity;
};

// What a far file's reading announced before its bytes.
struct FarFile {
  bool link = false;  // the bytes are a link's target text
  std::uint64_t size = 0;
  std::uint32_t mode = 0;  // permission bits
  platform::FileTime mtime;
};

// One write the far side carries out next to the data, with the same checks as
// a local copy: the destination must still meet `destination` right before the
// temporary takes its place.
struct FarWrite {
  std::string_view rel;
  std::string_view name;
  platform::Expectation destination;
  FarFile file;
  // When given: what the destination kept (time, size, stamp), filled in
  // before the write's `done` hears of its success.
  platform::EntryInfo* kept = nullptr;
};

// An entry of a far root with what it must still be.
struct FarEntry {
  std::string_view rel;
  std::string_view name;
  platform::Expectation expect;
};

// The SHA-256 of a file's contents (of a link's target text) and their size.
using FarDigest = platform::ContentDigest;

// A root folder reached through some transport the engine knows nothing of.
// Everything a run does there (scan, look-ups, reads, writes, deletions) runs on
// the far machine with its own verified descriptors; this is the run's handle on
// it. A connection that failed stays failed: every later call fails with the
// same error, and Describe says what happened.
//
// Calls come from one thread at a time; Interrupt may come from any.
class IFarRoot {
 public:
  virtual ~IFarRoot() = default;
  virtual const FarRootInfo& Info() const = 0;
  // The machine and account it lies on; two roots of one machine compare by identity.
  virtual const std::string& Machine() const = 0;

  // The far side's scan: fills index, lists and summary as a local scan of the
  // root `setup.rootPath` would have. `folder` hears where it is now.
  virtual std::error_code Scan(const RunValues& values, const ScanSetup& setup, SideIndex& index, ScanLists& lists,
                               ScanSummary& summary, const std::function<void(std::string_view folder)>& folder) = 0;
  // Ends the connection at once (a cancel during a scan).
  virtual void Interrupt() = 0;

  // An entry outside what the scan listed, without following a link. Never
  // "absent" for a failure: the error then says why. `identity`, when given,
  // hears the entry's device and inode there.
  virtual platform::EntryInfo LookUp(std::string_view rel, std::string_view name,
                                     platform::Identity* identity = nullptr) = 0;
  // LookUp without waiting: `done` hears the entry no later than Settle, in
  // request order with the other requests.
  virtual void LookUpLater(std::string_view rel, std::string_view name,
                           std::function<void(const platform::EntryInfo&)> done) = 0;
  // A link's target text; empty when it cannot be read.
  virtual std::string LinkText(std::string_view rel, std::string_view name) = 0;

  // Streams a file's bytes (a link's text) while it meets `source`: `begin`
  // hears what comes, `sink` the bytes; false from either stops the taking. A
  // failure after some chunks means they are to be thrown away.
  virtual platform::Expected<FarFile> Read(std::string_view rel, std::string_view name,
                                           const platform::Expectation& source,
                                           const std::function<bool(const FarFile&)>& begin,
                                           const std::function<bool(std::string_view)>& sink) = 0;
  // What Read would announce now, without the bytes.
  virtual platform::Expected<FarFile> FileHeader(std::string_view rel, std::string_view name) = 0;

  // The writing requests. Each may be queued and sent without waiting for its
  // answer: `done` hears the result (in request order) no later than Settle.
  using Done = std::function<void(std::error_code)>;
  // Hands the bytes of a file (a link's text) to its argument, chunk by chunk;
  // false when the source failed: the write is then abandoned and leaves nothing.
  using Fill = std::function<bool(const std::function<void(std::string_view)>&)>;
  virtual void Write(const FarWrite& write, const Fill& fill, Done done) = 0;
  virtual void Delete(std::string_view rel, std::string_view name, const platform::Expectation& expect, bool toTrash,
                      Done done) = 0;
  // The folders above it too; an existing folder counts as made.
  virtual void MakeFolder(std::string_view rel, std::string_view name, Done done) = 0;
  // The time of a folder made by this connection's MakeFolder (one that was
  // there before is left as it is), once its contents are in place.
  virtual void SetFolderTime(std::string_view rel, std::string_view name, platform::FileTime mtime, Done done) = 0;
  // The last-write time of a regular file, while it meets `expect`. A far side
  // that cannot do it answers operation_not_supported.
  virtual void SetFileTime(std::string_view, std::string_view, const platform::Expectation&, platform::FileTime,
                           Done done) {
    if (done) done(std::make_error_code(std::errc::operation_not_supported));
  }
  // Renames an entry within its folder while it meets `expect`, never over another.
  virtual void Rename(std::string_view rel, std::string_view name, const platform::Expectation& expect,
                      std::string_view newName, Done done) = 0;
  // RemoveTree there; to the trash, the folder goes there whole.
  virtual void RemoveTree(std::string_view rel, std::string_view name, std::span<const SeenEntry> tree, bool toTrash,
                          Done done) = 0;
  // Read without waiting: `begin` and `sink` hear the bytes and `done` the
  // end no later than Settle, in request order with the other requests.
  // `expected` is the size the list saw.
  using ReadDone = std::function<void(platform::Expected<FarFile>)>;
  virtual void Fetch(std::string_view rel, std::string_view name, const platform::Expectation& source,
                     std::uint64_t expected, std::function<bool(const FarFile&)> begin,
                     std::function<bool(std::string_view)> sink, ReadDone done) = 0;
  // Waits for every answer still owed.
  virtual void Settle() = 0;
  // Puts what the writing requests changed there on stable storage (answered
  // once it is); a far side that cannot gives an error, and nothing of its
  // changes may be trusted then.
  virtual std::error_code Flush() { return std::make_error_code(std::errc::operation_not_supported); }

  // The digests of many files, computed where they lie, so that contents are
  // compared without moving them; the requests are pipelined. Results in the
  // order asked.
  virtual std::vector<platform::Expected<FarDigest>> Digests(std::span<const FarEntry> entries) {
    return std::vector<platform::Expected<FarDigest>>(entries.size(),
                                                      std::make_error_code(std::errc::operation_not_supported));
  }

  // The error's reason: for a broken connection what happened (with what ssh
  // or the far side said) and what to do, otherwise the error's own.
  virtual Reason Describe(std::error_code error) const = 0;
  // What ended the connection (nothing while it works).
  virtual std::error_code Broken() const { return {}; }
};

// Opens far roots; the front end hands one to the engine.
class IFarSides {
 public:
  virtual ~IFarSides() = default;
  // Whether the folder text names a folder on another machine (also one
  // written wrongly: Open then says why).
  virtual bool IsFar(std::string_view folder) const = 0;

  struct Opened {
    std::unique_ptr<IFarRoot> root;
    std::error_code error;  // the far root's own error (ENOENT, ENOTDIR, busy), or the connection's
    Reason reason;          // what to tell the user
  };
  // exclusive: the lock of a sync run, else a shared one; createMissing makes a
  // missing folder and its parents. `waiting` is asked about ten times a second
  // while the far side has not answered (a login can take long); false gives
  // up, and Open then fails with operation_canceled.
  virtual Opened Open(const std::string& folder, bool exclusive, bool createMissing,
                      const std::function<bool()>& waiting = {}) = 0;
  // How long a far side may send nothing that moves before it is given up
  // (std::errc::timed_out).
  virtual std::chrono::milliseconds Patience() const { return std::chrono::seconds(60); }
};

}  // namespace orvel::engine
