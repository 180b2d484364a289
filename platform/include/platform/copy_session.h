#pragma once

#include "platform/file_system_traits.h"
#include "platform/unique_fd.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace orvel::platform {

// What a file system was found to lack during a run; each is said once.
enum class CopyNote : unsigned {
  PlainRename = 1u << 0,  // no RENAME_NOREPLACE/RENAME_EXCHANGE/links: a plain rename after the last check
  ModeNotKept = 1u << 1,  // permission bits refused
  OwnerNotKept = 1u << 2,  // owner and group refused
  TimesNotKept = 1u << 3,  // last-write time refused
  AttributesNotKept = 1u << 4,  // extended attributes or ACLs refused
  HardLinksNotKept = 1u << 5,   // a second name of a file became a copy of its own
  LinkTimesLeft = 1u << 6,  // links keep the time of their making (the file system could follow them)
};

// Points of a copy where a probe may look (tests put a change there).
enum class CopyStage {
  ContentsWritten,     // the source is read, not yet checked again
  BeforeDestinationCheck,  // the new file is complete; the destination is checked next
  BeforeExchange,      // the destination was checked; the exchange comes next
};

// What one run learns while it copies, per file system of a destination (by
// device number): which ways of publishing a file work there and what the
// file system keeps, so that each refusal costs one failed call per run, not
// one per file, and is said once. It also remembers the copies of files with
// several names, so that a second name becomes a link to the first copy.
//
// One session per run. Copies may run on several threads at once: what they
// learn is kept in atomics, and the records and the linked copies are guarded.
// Reset, ForgetLinks and TakeNewNotes are for moments when no copy runs.
class CopySession {
 public:
  CopySession() = default;
  CopySession(const CopySession&) = delete;
  CopySession& operator=(const CopySession&) = delete;

  // Forgets everything (a new run).
  void Reset();
  // Forgets the copies that later names may link to (a new pair of roots).
  void ForgetLinks();

  // A copy that learns a way fails may race another that learns the same:
  // each flag only ever turns on, so the order does not matter.
  struct Device {
    FileSystemTraits traits;  // read when the record is made, never changed after
    std::atomic<bool> noTmpfile{false};
    std::atomic<bool> noNoReplace{false};
    std::atomic<bool> noExchange{false};
    std::atomic<bool> noHardLinks{false};
    std::atomic<bool> noXattrs{false};
    std::atomic<bool> noTimes{false};
    std::atomic<std::int64_t> keptUnit{0};  // 0: not learned yet, -1: no usual unit explains what it kept
    std::atomic<unsigned> notes{0};         // CopyNote bits noted
    // Opened when the record is made, before this run writes there, so that
    // its flush hears of every write-back failure since.
    UniqueFd flushFd;
    std::atomic<bool> changed{false};  // since the last FlushChanges
  };
  // The record of the file system of a destination folder (it stays where it
  // is until Reset).
  Device& DeviceOf(std::uint64_t device, int folderFd);
  Device* Find(std::uint64_t device);

  // A change in a folder of the device (an entry put in place, made, renamed
  // or removed): FlushChanges makes it durable.
  void NoteChange(int folderFd, std::uint64_t device) { NoteChange(folderFd, DeviceOf(device, folderFd)); }
  void NoteChange(int folderFd, Device& device);
  // Puts every file system changed since the last call on stable storage, one
  // syncfs each, so that whatever trusts the changes (the remembered state, a
  // far side's answer) comes after them. The file systems that failed.
  struct FlushFailure {
    std::uint64_t device;
    std::string type;
    std::error_code error;
  };
  std::vector<FlushFailure> FlushChanges();
  // Whether anything changed since the last flush.
  bool Changed() const;

  void Note(Device& device, CopyNote note) { device.notes.fetch_or(static_cast<unsigned>(note)); }
  // The notes made since the last call, with their device's traits.
  struct Report {
    std::uint64_t device;
    std::string type;
    CopyNote note;
  };
  std::vector<Report> TakeNewNotes();

  // The unit the destination's file system was seen to keep times in (0: not learned).
  std::int64_t LearnedUnit(std::uint64_t device) const;

  // Copies of files with several names: the source (device, inode) and the copy.
  struct LinkedCopy {
    std::uint64_t destDevice = 0;
    UniqueFd copy;  // O_PATH descriptor of the published copy
    std::uint64_t copyInode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;  // the source's, when it was copied
    std::int64_t copyCtimeNs = 0;  // the copy's, as this run left it
  };
  // The turn of one source file with several names: while a copy holds it, a
  // copy of another of its names waits, so that it links to the first copy
  // instead of making a second one beside it.
  class LinkTurn {
   public:
    LinkTurn(CopySession& session, std::uint64_t device, std::uint64_t inode);
    ~LinkTurn();
    LinkTurn(const LinkTurn&) = delete;
    LinkTurn& operator=(const LinkTurn&) = delete;

   private:
    CopySession& session_;
    std::pair<std::uint64_t, std::uint64_t> key_;
  };
  // Only for the holder of the source's turn: the entry stays its own until the turn ends.
  LinkedCopy* FindCopy(std::uint64_t device, std::uint64_t inode);
  void RememberCopy(std::uint64_t device, std::uint64_t inode, LinkedCopy copy);

  // Called at each stage of every copy when set (tests).
  void SetProbe(std::function<void(CopyStage)> probe) { probe_ = std::move(probe); }
  void Probe(CopyStage stage) const {
    if (probe_) probe_(stage);
  }

 private:
  static constexpr std::size_t kMaxLinkedCopies = 512;  // descriptors held at most
  mutable std::mutex mutex_;
  std::condition_variable turnEnded_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> turns_;  // sources whose copy runs now
  std::map<std::uint64_t, Device> devices_;
  std::map<std::uint64_t, unsigned> reported_;
  std::map<std::pair<std::uint64_t, std::uint64_t>, LinkedCopy> links_;
  std::function<void(CopyStage)> probe_;
};

}  // namespace orvel::platform
