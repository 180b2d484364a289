#include "remote/server.h"

#include "engine/ensure_folder_path.h"
#include "engine/folder_scan.h"
#include "engine/remove_tree.h"
#include "engine/run_values.h"
#include "engine/side_index.h"
#include "engine/tree_access.h"
#include "platform/file_system.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "platform/entry_moves.h"
#include "platform/path.h"
#include "platform/received_file.h"
#include "platform/trash.h"
#include "platform/write_all.h"
#include "remote/file_reading.h"
#include "remote/frame.h"
#include "remote/messages.h"
#include "remote/scan_stream.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <climits>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace orvel::remote {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kOutputBatch = 256 * 1024;
constexpr auto kProgressEvery = std::chrono::seconds(1);

// The write being received: its folder, its file, and the first thing that
// went wrong (its Data frames are then read and dropped until WriteEnd).
// Declared outside the server: a nested class's member initializers are not
// usable by std::optional until the server's class is complete (clang).
struct IncomingWrite {
  std::uint32_t id = 0;
  std::unique_ptr<platform::Folder> folder;
  std::unique_ptr<platform::ReceivedFile> file;
  std::error_code error;
  std::uint64_t received = 0;
  platform::FileTime mtime;
  std::string name;
};

class Server {
 public:
  Server(int in, int out, const ServerSetup& setup) : in_(in), out_(out), setup_(setup) {}
  int Run();

 private:
  class ScanProgress;

  bool Handle(const Frame& frame);
  void Reply(MessageType type, std::uint32_t id, const std::string& payload = {}) {
    AppendFrame(output_, type, id, payload);
  }
  void ReplyError(std::uint32_t id, const std::error_code& error, std::string_view text = {});
  bool Flush();
  void OpenRoot(std::uint32_t id, std::string_view payload);
  bool Scan(std::uint32_t id, std::string_view payload);
  void LookUp(std::uint32_t id, const EntryRequest& request);
  bool Read(std::uint32_t id, const EntryRequest& request);
  void Digest(std::uint32_t id, const EntryRequest& request);
  // A write's frames: WriteBegin, Data…, WriteEnd, one write at a time. False
  // for frames out of that order, which end the session.
  bool WriteBegin(const Frame& frame);
  bool WriteData(const Frame& frame);
  bool WriteEnd(const Frame& frame);
  void Delete(std::uint32_t id, std::string_view payload);
  void MakeFolder(std::uint32_t id, std::string_view payload);
  void SetFolderTime(std::uint32_t id, std::string_view payload);
  void Rename(std::uint32_t id, std::string_view payload);
  void DeleteTree(std::uint32_t id, std::string_view payload);
  // Puts this session's changes on stable storage before answering; false
  // when the output broke meanwhile.
  bool FlushChanges(std::uint32_t id);
  void NoteChange(const platform::Folder& folder) { session_.NoteChange(folder.Fd(), folder.Id().device); }
  platform::Expected<platform::Folder> FolderOf(std::string_view relFolder) const;

  using Incoming = IncomingWrite;

  int in_;
  int out_;
  const ServerSetup& setup_;
  std::string output_;
  bool broken_ = false;  // the output failed: nothing more can be said
  bool released_ = false;
  std::optional<platform::Folder> root_;
  platform::FolderLock lock_;
  LockMode lockMode_ = LockMode::None;
  std::string rootPath_;  // ends in the separator
  platform::CopySession session_;  // what the writes learn of the file systems here
  std::optional<Incoming> incoming_;
  std::vector<platform::Identity> made_;  // the folders MakeFolder made in this session
};

// Keeps the near side informed during a long scan, which is also how it knows
// the connection is alive.
class Server::ScanProgress : public engine::ScanControl {
 public:
  ScanProgress(Server& server, std::uint32_t id, const engine::SideIndex& index)
      : server_(server), id_(id), index_(index), last_(Clock::now()) {}
  bool Running() const override { return !server_.broken_; }
  void EnterFolder(std::string_view path) override {
    const auto now = Clock::now();
    if (now - last_ < kProgressEvery) return;
    last_ = now;
    std::string payload;
    const std::string_view rel = path.substr(std::min(path.size(), server_.rootPath_.size()));
    Encode(payload, ProgressReply{index_.EntryCount(), rel});
    server_.Reply(MessageType::Progress, id_, payload);
    server_.Flush();
  }
  bool CancelAfterEntry() override { return server_.broken_; }

 private:
  Server& server_;
  std::uint32_t id_;
  const engine::SideIndex& index_;
  Clock::time_point last_;
};

void Server::ReplyError(std::uint32_t id, const std::error_code& error, std::string_view text) {
  std::string payload;
  Encode(payload, ErrorReply{error, text});
  Reply(MessageType::Error, id, payload);
}

bool Server::Flush() {
  if (broken_) return false;
  if (!output_.empty() && !platform::WriteAll(out_, output_.data(), output_.size())) broken_ = true;
  output_.clear();
  return !broken_;
}

platform::Expected<platform::Folder> Server::FolderOf(std::string_view relFolder) const {
  return root_->OpenBeneath(relFolder);
}

void Server::OpenRoot(std::uint32_t id, std::string_view payload) {
  OpenRootRequest request;
  if (!Decode(payload, request)) return ReplyError(id, MakeError(ProtocolFault::BadFrame));
  if (root_) return ReplyError(id, MakeError(ProtocolFault::BadFrame), "the folder is open already");
  RootInfoReply info;
  const std::string& path = setup_.root;
  if (request.createMissing) {
    const platform::EntryInfo there = platform::LookUpFollow(path);
    if (!there.exists && !there.error) {
      if (!engine::EnsureFolderPath(path)) return ReplyError(id, platform::SystemError(EACCES), path);
      info.created = true;
    }
  }
  platform::Expected<platform::Folder> opened = platform::Folder::OpenRoot(path);
  if (!opened) return ReplyError(id, opened.error(), path);
  if (request.lock != LockMode::None) {
    platform::Expected<platform::FolderLock> lock = platform::FolderLock::Acquire(
        *opened, request.lock == LockMode::Shared ? platform::FolderLock::Mode::Shared
                                                  : platform::FolderLock::Mode::Exclusive);
    if (lock) {
      lock_ = std::move(*lock);
      info.locked = true;
    } else if (lock.error() == platform::MakeError(platform::Fault::Busy)) {
      return ReplyError(id, lock.error(), path);
    }
    // A file system without locks is worked on unlocked, as locally.
  }
  lockMode_ = request.lock;
  struct statfs fs;
  if (::fstatfs(opened->Fd(), &fs) == 0) {
    std::uint64_t fsid = 0;
    static_assert(sizeof fs.f_fsid == sizeof fsid);
    std::memcpy(&fsid, &fs.f_fsid, sizeof fsid);
    info.fileSystemId = fsid;
    info.fileSystemType = static_cast<std::uint64_t>(fs.f_type);
  }
  info.identity = opened->Id();
  info.hasRootIdentity = true;
  info.rootIdentity = platform::RootIdentityOf(opened->Fd());
  char resolved[PATH_MAX];
  rootPath_ = platform::WithTrailingSeparator(::realpath(path.c_str(), resolved) ? std::string(resolved) : path);
  info.path = rootPath_;
  if (info.created) made_.push_back(opened->Id());
  root_ = std::move(*opened);
  std::string reply;
  Encode(reply, info);
  Reply(MessageType::RootInfo, id, reply);
}

bool Server::Scan(std::uint32_t id, std::string_view payload) {
  ScanRequest request;
  if (!Decode(payload, request)) {
    ReplyError(id, MakeError(ProtocolFault::BadFrame));
    return true;
  }
  if (!root_) {
    ReplyError(id, MakeError(ProtocolFault::NotOpen));
    return true;
  }
  // Temporaries are removed only by a run that holds the folder alone.
  if (request.removeLeftovers && lockMode_ != LockMode::Exclusive) {
    ReplyError(id, MakeError(ProtocolFault::BadFrame), "leftovers are removed only under an exclusive lock");
    return true;
  }
  engine::RunValues values;
  values.aFolder = values.bFolder = rootPath_;
  values.subFolder = request.subFolders;
  values.emptyFolder = request.emptyFolder;
  values.recyclerFolder = request.recyclerFolder;
  values.chkExt = request.chkExt;
  values.chkNoExt = request.chkNoExt;
  values.ext = engine::NormaliseExtensionList(request.ext);
  values.noExt = engine::NormaliseExtensionList(request.noExt);
  engine::ScanSetup scanSetup;
  scanSetup.side = request.target ? engine::ScanSide::Target : engine::ScanSide::Base;
  scanSetup.root = &*root_;
  scanSetup.rootPath = rootPath_;
  scanSetup.subFolders = request.subFolders;
  scanSetup.otherRoot = request.otherRoot;
  scanSetup.removeLeftovers = request.removeLeftovers;
  scanSetup.keepExtras = request.keepExtras;
  platform::LeftoverTally leftovers;
  scanSetup.leftovers = &leftovers;
  engine::SideIndex index;
  engine::ScanLists lists;
  ScanProgress progress(*this, id, index);
  engine::FolderScan scan(values, progress);
  engine::ScanSummary summary = scan.Scan(scanSetup, index, lists);
  summary.leftoversRemoved = leftovers.removed.load();
  summary.leftoversUnproven = leftovers.unproven.load();
  if (broken_) return false;
  if (!Flush()) return false;
  return EncodeScan(index, lists, summary, id, [this](std::string& frames) {
    if (broken_ || !platform::WriteAll(out_, frames.data(), frames.size())) broken_ = true;
    return !broken_;
  });
}

void Server::LookUp(std::uint32_t id, const EntryRequest& request) {
  WireEntry entry;
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (folder) {
    entry = LookUpEntry(*folder, request.name);
  } else if (!platform::IsAbsence(folder.error())) {
    entry.info.error = folder.error();
  }
  std::string payload;
  Encode(payload, entry);
  Reply(MessageType::Entry, id, payload);
}

bool Server::Read(std::uint32_t id, const EntryRequest& request) {
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (!folder) {
    ReplyError(id, folder.error());
    return true;
  }
  platform::Expected<OpenedFile> file = OpenForReading(*folder, request.name, request.expect);
  if (!file) {
    ReplyError(id, file.error());
    return true;
  }
  std::string payload;
  Encode(payload, file->begin);
  Reply(MessageType::FileBegin, id, payload);
  std::uint64_t total = 0;
  if (file->begin.link) {
    Reply(MessageType::Data, id, file->linkText);
    total = file->linkText.size();
  } else {
    std::vector<char> buffer(kMaxData);
    for (;;) {
      const ssize_t n = ::read(file->fd.Get(), buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ReplyError(id, platform::LastError());
        return true;
      }
      if (n == 0) break;
      AppendFrame(output_, MessageType::Data, id, std::string_view(buffer.data(), static_cast<std::size_t>(n)));
      total += static_cast<std::uint64_t>(n);
      if (output_.size() >= kOutputBatch && !Flush()) return false;
    }
    std::error_code changed = CheckUnchanged(*file);
    if (!changed && total != file->begin.size) changed = platform::MakeError(platform::Fault::ChangedSinceList);
    if (changed) {
      ReplyError(id, changed);
      return true;
    }
  }
  payload.clear();
  Encode(payload, DataEndReply{total});
  Reply(MessageType::DataEnd, id, payload);
  return true;
}

void Server::Digest(std::uint32_t id, const EntryRequest& request) {
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (!folder) return ReplyError(id, folder.error());
  auto last = Clock::now();
  platform::Expected<DigestReply> digest = DigestEntryAt(*folder, request.name, request.expect, [&](std::uint64_t done) {
    if (Clock::now() - last < kProgressEvery) return;
    last = Clock::now();
    // The bytes read so far: a progress that moves, which the near side waits for.
    std::string progress;
    Encode(progress, ProgressReply{done, request.name});
    Reply(MessageType::Progress, id, progress);
    Flush();
  });
  if (!digest) return ReplyError(id, digest.error());
  std::string payload;
  Encode(payload, *digest);
  Reply(MessageType::DigestValue, id, payload);
}

bool Server::WriteBegin(const Frame& frame) {
  if (incoming_) {
    ReplyError(0, MakeError(ProtocolFault::BadFrame), "a write began inside another");
    return false;
  }
  Incoming& in = incoming_.emplace();
  in.id = frame.id;
  WriteBeginRequest request;
  if (!Decode(frame.payload, request)) {
    in.error = MakeError(ProtocolFault::BadFrame);
    return true;
  }
  if (!root_) {
    in.error = MakeError(ProtocolFault::NotOpen);
    return true;
  }
  in.mtime = request.file.mtime;
  in.name.assign(request.name);
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (!folder) {
    in.error = folder.error();
    return true;
  }
  in.folder = std::make_unique<platform::Folder>(std::move(*folder));
  in.file = std::make_unique<platform::ReceivedFile>(session_, *in.folder, request.name, request.destination);
  in.error = in.file->Begin(request.file.link, request.file.mode, request.file.size);
  return true;
}

bool Server::WriteData(const Frame& frame) {
  if (!incoming_ || frame.id != incoming_->id) {
    ReplyError(0, MakeError(ProtocolFault::BadFrame), "data outside a write");
    return false;
  }
  Incoming& in = *incoming_;
  in.received += frame.payload.size();
  if (!in.error) in.error = in.file->Append(frame.payload);
  return true;
}

bool Server::WriteEnd(const Frame& frame) {
  if (!incoming_ || frame.id != incoming_->id) {
    ReplyError(0, MakeError(ProtocolFault::BadFrame), "the end of a write not begun");
    return false;
  }
  Incoming in = std::move(*incoming_);
  incoming_.reset();
  WriteEndRequest end;
  if (!in.error && (!Decode(frame.payload, end) || end.total != in.received))
    in.error = platform::MakeError(platform::Fault::ChangedSinceList);
  if (!in.error) in.error = in.file->Finish(in.mtime);
  // A write that failed leaves nothing: the file goes with `in`.
  if (in.error) {
    ReplyError(frame.id, in.error);
    return true;
  }
  // What the destination kept (a file system may round the time), for the
  // remembered sync; one look-up, where the file was just written.
  std::string payload;
  const platform::EntryInfo kept = in.folder->LookUpWritten(in.name);
  if (kept.IsFile()) Encode(payload, WrittenReply{kept.mtime, kept.size, kept.stamp});
  Reply(MessageType::Ok, frame.id, payload);
  return true;
}

void Server::Delete(std::uint32_t id, std::string_view payload) {
  DeleteRequest request;
  if (!Decode(payload, request)) return ReplyError(id, MakeError(ProtocolFault::BadFrame));
  if (!root_) return ReplyError(id, MakeError(ProtocolFault::NotOpen));
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (!folder) return ReplyError(id, folder.error());
  NoteChange(*folder);
  if (const std::error_code error = platform::DeleteEntryAt(*folder, request.name, request.expect, request.toTrash))
    return ReplyError(id, error);
  Reply(MessageType::Ok, id);
}

void Server::MakeFolder(std::uint32_t id, std::string_view payload) {
  MakeFolderRequest request;
  if (!Decode(payload, request)) return ReplyError(id, MakeError(ProtocolFault::BadFrame));
  if (!root_) return ReplyError(id, MakeError(ProtocolFault::NotOpen));
  // The missing folders above it too, each inside its verified parent.
  engine::TreeAccess tree;
  tree.Attach(*root_);
  std::string rel(request.relFolder);
  rel.append(request.name);
  engine::TreeAccess::Made newFolders;
  platform::Expected<const platform::Folder*> made = tree.MakeFolders(rel, &newFolders);
  for (const engine::TreeAccess::Made::Folder& folder : newFolders.folders) made_.push_back(folder.identity);
  if (!made) return ReplyError(id, made.error());
  if (!newFolders.folders.empty()) NoteChange(**made);
  Reply(MessageType::Ok, id);
}

void Server::SetFolderTime(std::uint32_t id, std::string_view payload) {
  SetFolderTimeRequest request;
  if (!Decode(payload, request)) return ReplyError(id, MakeError(ProtocolFault::BadFrame));
  if (!root_) return ReplyError(id, MakeError(ProtocolFault::NotOpen));
  platform::Expected<platform::Folder> parent = FolderOf(request.relFolder);
  if (!parent) return ReplyError(id, parent.error());
  if (request.expect.kind == platform::Expectation::Kind::File) {
    // A file's time (the same bytes as the other side's), while it is the
    // regular file the list saw: nothing here follows a link.
    const platform::EntryInfo now = parent->LookUp(request.name);
    if (now.error) return ReplyError(id, now.error);
    if (!request.expect.MetBy(now) || !now.regular) return ReplyError(id, platform::MakeError(platform::Fault::ChangedSinceList));
    const platform::CName name(request.name);
    const timespec times[2] = {{0, UTIME_OMIT}, {request.mtime.sec, request.mtime.nsec}};
    if (!name.Valid() || ::utimensat(parent->Fd(), name.Get(), times, AT_SYMLINK_NOFOLLOW) != 0)
      return ReplyError(id, name.Valid() ? platform::LastError() : platform::MakeError(platform::Fault::NulInPath));
    return Reply(MessageType::Ok, id);
  }
  // No name: the folder itself (the root a session made).
  platform::Expected<platform::Folder> folder = request.name.empty() ? parent->Reopen() : parent->OpenChild(request.name);
  if (!folder) return ReplyError(id, folder.error());
  // Without an expectation only a folder this session made is touched: one
  // that was there before keeps its time.
  const bool ours = std::find(made_.begin(), made_.end(), folder->Id()) != made_.end();
  if (request.expect.kind == platform::Expectation::Kind::Unchecked ? !ours
                                                                    : !request.expect.MetBy(parent->LookUp(request.name)))
    return ReplyError(id, platform::MakeError(platform::Fault::ChangedSinceList));
  const timespec times[2] = {{0, UTIME_OMIT}, {request.mtime.sec, request.mtime.nsec}};
  if (::futimens(folder->Fd(), times) != 0) return ReplyError(id, platform::LastError());
  Reply(MessageType::Ok, id);
}

void Server::Rename(std::uint32_t id, std::string_view payload) {
  RenameRequest request;
  if (!Decode(payload, request)) return ReplyError(id, MakeError(ProtocolFault::BadFrame));
  if (!root_) return ReplyError(id, MakeError(ProtocolFault::NotOpen));
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (!folder) return ReplyError(id, folder.error());
  NoteChange(*folder);
  if (const std::error_code error = platform::RenameEntryAt(*folder, request.name, request.expect, request.newName))
    return ReplyError(id, error);
  Reply(MessageType::Ok, id);
}

void Server::DeleteTree(std::uint32_t id, std::string_view payload) {
  DeleteTreeRequest request;
  if (!Decode(payload, request)) return ReplyError(id, MakeError(ProtocolFault::BadFrame));
  if (!root_) return ReplyError(id, MakeError(ProtocolFault::NotOpen));
  platform::Expected<platform::Folder> folder = FolderOf(request.relFolder);
  if (!folder) return ReplyError(id, folder.error());
  NoteChange(*folder);
  std::error_code error;
  if (request.toTrash) {
    const platform::EntryInfo top = folder->LookUp(request.name);
    error = top.error                            ? top.error
            : !top.exists || !top.directory      ? platform::MakeError(platform::Fault::ChangedSinceList)
                                                 : platform::TrashEntryAt(*folder, request.name,
                                                                          folder->LookUpIdentity(request.name));
  } else {
    std::vector<engine::SeenEntry> tree;
    tree.reserve(request.entries.size());
    for (const TreeEntryRequest& entry : request.entries) tree.push_back({entry.rel, entry.folder, entry.mtime});
    error = engine::RemoveTree(*folder, request.name, tree, request.last);
  }
  if (error) return ReplyError(id, error);
  Reply(MessageType::Ok, id);
}

bool Server::FlushChanges(std::uint32_t id) {
  if (!root_) {
    ReplyError(id, MakeError(ProtocolFault::NotOpen));
    return true;
  }
  // A slow disk may take minutes: the near side hears every second that the
  // far side is still at work, as during a long scan.
  std::future<std::vector<platform::CopySession::FlushFailure>> flushed =
      std::async(std::launch::async, [this] { return session_.FlushChanges(); });
  while (flushed.wait_for(kProgressEvery) != std::future_status::ready) {
    std::string payload;
    Encode(payload, ProgressReply{0, {}});
    Reply(MessageType::Progress, id, payload);
    if (!Flush()) {
      flushed.wait();
      return false;
    }
  }
  const std::vector<platform::CopySession::FlushFailure> failed = flushed.get();
  if (failed.empty()) {
    Reply(MessageType::Ok, id);
  } else {
    ReplyError(id, failed.front().error, "the changes on the " + failed.front().type + " file system may not be on the disk");
  }
  return true;
}

// False when serving must end (the output broke, or the root was released).
bool Server::Handle(const Frame& frame) {
  switch (frame.type) {
    case MessageType::OpenRoot:
      OpenRoot(frame.id, frame.payload);
      return true;
    case MessageType::Scan:
      return Scan(frame.id, frame.payload);
    case MessageType::LookUp:
    case MessageType::Read:
    case MessageType::Digest: {
      EntryRequest request;
      if (!Decode(frame.payload, frame.type, request)) {
        ReplyError(frame.id, MakeError(ProtocolFault::BadFrame));
        return true;
      }
      if (!root_) {
        ReplyError(frame.id, MakeError(ProtocolFault::NotOpen));
        return true;
      }
      if (frame.type == MessageType::LookUp) {
        LookUp(frame.id, request);
      } else if (frame.type == MessageType::Digest) {
        Digest(frame.id, request);
      } else {
        return Read(frame.id, request);
      }
      return true;
    }
    case MessageType::Release:
      incoming_.reset();
      lock_.Release();
      root_.reset();
      Reply(MessageType::Ok, frame.id);
      released_ = true;
      return false;
    case MessageType::WriteBegin:
      return WriteBegin(frame);
    case MessageType::Data:
      return WriteData(frame);
    case MessageType::WriteEnd:
      return WriteEnd(frame);
    case MessageType::Delete:
      Delete(frame.id, frame.payload);
      return true;
    case MessageType::MakeFolder:
      MakeFolder(frame.id, frame.payload);
      return true;
    case MessageType::SetFolderTime:
      SetFolderTime(frame.id, frame.payload);
      return true;
    case MessageType::Rename:
      Rename(frame.id, frame.payload);
      return true;
    case MessageType::DeleteTree:
      DeleteTree(frame.id, frame.payload);
      return true;
    case MessageType::RemoveLeftovers:
      ReplyError(frame.id, MakeError(ProtocolFault::Unsupported));
      return true;
    case MessageType::Flush:
      return FlushChanges(frame.id);
    default:
      ReplyError(frame.id, MakeError(ProtocolFault::UnknownRequest));
      return true;
  }
}

int Server::Run() {
  std::string hello(kMagic);
  std::string payload;
  Encode(payload, Hello{kProtocolVersion, setup_.programVersion});
  AppendFrame(hello, MessageType::Hello, 0, payload);
  output_ = std::move(hello);
  if (!Flush()) return 1;

  FrameReader reader;
  std::vector<char> buffer(64 * 1024);
  bool greeted = false;
  for (;;) {
    Frame frame;
    FrameReader::Status status;
    while ((status = reader.Next(frame)) == FrameReader::Status::Frame) {
      if (!greeted) {
        Hello theirs;
        if (frame.type != MessageType::Hello || !Decode(frame.payload, theirs)) {
          ReplyError(0, MakeError(ProtocolFault::BadFrame), "the stream does not begin with a greeting");
          Flush();
          return 1;
        }
        if (theirs.protocol != kProtocolVersion) {
          ReplyError(0, MakeError(ProtocolFault::VersionMismatch),
                     "orvel-cli " + setup_.programVersion + " speaks protocol " + std::to_string(kProtocolVersion));
          Flush();
          return 1;
        }
        greeted = true;
        continue;
      }
      const bool goOn = Handle(frame);
      if (broken_) return 1;
      if (!goOn) return Flush() && released_ ? 0 : 1;
      if (output_.size() >= kOutputBatch && !Flush()) return 1;
    }
    if (status == FrameReader::Status::Bad) {
      ReplyError(0, MakeError(ProtocolFault::BadFrame), reader.Problem());
      Flush();
      return 1;
    }
    // Everything asked so far is answered before waiting for more: a pipelined
    // batch of requests costs one write.
    if (!Flush()) return 1;
    const ssize_t n = ::read(in_, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return reader.Partial() ? 1 : 0;  // the near side has gone
    reader.Feed(buffer.data(), static_cast<std::size_t>(n));
  }
}

}  // namespace

int Serve(int in, int out, const ServerSetup& setup) { return Server(in, out, setup).Run(); }

}  // namespace orvel::remote
