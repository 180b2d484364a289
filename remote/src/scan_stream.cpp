#include "remote/scan_stream.h"

#include "remote/frame.h"
#include "remote/messages.h"
#include "remote/protocol.h"
#include "remote/wire.h"

namespace orvel::remote {

namespace {

using engine::SideIndex;

constexpr std::size_t kFramePayloadTarget = 64 * 1024;  // a frame is closed once its payload passes this
constexpr std::size_t kFlushBytes = 256 * 1024;
constexpr std::size_t kMinFolderRecord = 4 + 4 + 8 + 8 + 1 + 5;
constexpr std::size_t kMinEntryRecord = 2 + 1 + 12;
constexpr std::uint8_t kEntryExists = 1, kEntryDirectory = 2, kEntryError = 4, kEntrySize = 8;
// Only in a scan that keeps extras: a stamp follows, and a regular file.
constexpr std::uint8_t kEntryStamp = 16, kEntryRegular = 32;

// Frames of one kind, each begun with a header its count is filled into later.
class FrameBuilder {
 public:
  FrameBuilder(std::string& out, std::uint32_t id, const std::function<bool(std::string&)>& flush)
      : out_(out), id_(id), flush_(flush) {}

  // Starts a frame unless one of this type is open with room left.
  void Open(MessageType type, std::uint32_t key, bool sameKey) {
    if (open_ && type_ == type && sameKey && out_.size() - start_ < kFramePayloadTarget) return;
    Close();
    start_ = BeginFrame(out_, type, id_);
    type_ = type;
    Writer w(out_);
    w.U32(key);
    countAt_ = out_.size();
    w.U32(0);
    count_ = 0;
    open_ = true;
  }
  void Counted() { ++count_; }
  void Close() {
    if (!open_) return;
    for (int i = 0; i < 4; ++i) out_[countAt_ + static_cast<std::size_t>(i)] = static_cast<char>(count_ >> (24 - 8 * i));
    EndFrame(out_, start_);
    open_ = false;
  }
  // Hands what is complete to the sink when enough has gathered.
  bool Flush(bool all) {
    if (open_ || (!all && out_.size() < kFlushBytes) || out_.empty()) return true;
    if (!flush_(out_)) return false;
    out_.clear();
    return true;
  }

 private:
  std::string& out_;
  std::uint32_t id_;
  const std::function<bool(std::string&)>& flush_;
  std::size_t start_ = 0;
  std::size_t countAt_ = 0;
  std::uint32_t count_ = 0;
  MessageType type_ = MessageType::Hello;
  bool open_ = false;
};

FolderState StateOf(const SideIndex& index, SideIndex::FolderId f) {
  if (index.FolderIsOtherRoot(f)) return FolderState::OtherRoot;
  if (index.FolderError(f)) return FolderState::Failed;
  return index.FolderComplete(f) ? FolderState::Complete : FolderState::Partial;
}

bool EncodeList(FrameBuilder& frames, std::string& out, const engine::EntryList& list, std::uint8_t which) {
  // Runs of consecutive ids, as the list keeps them.
  std::uint32_t first = 0, length = 0;
  auto put = [&] {
    frames.Open(MessageType::ScanList, which, true);
    Writer w(out);
    w.U32(first);
    w.U32(length);
    frames.Counted();
  };
  for (const SideIndex::EntryId id : list) {
    if (length > 0 && first + length == id) {
      ++length;
      continue;
    }
    if (length > 0) put();
    first = id;
    length = 1;
  }
  if (length > 0) put();
  frames.Close();
  return frames.Flush(false);
}

}  // namespace

bool EncodeScan(const SideIndex& index, const engine::ScanLists& lists, const engine::ScanSummary& summary,
                std::uint32_t requestId, const std::function<bool(std::string&)>& flush) {
  std::string out;
  FrameBuilder frames(out, requestId, flush);
  for (SideIndex::FolderId f = 0; f < index.FolderCount(); ++f) {
    frames.Open(MessageType::ScanFolders, f, true);
    Writer w(out);
    w.U32(index.FolderParent(f));
    w.String(index.FolderName(f));
    w.U64(index.FolderIdentity(f).device);
    w.U64(index.FolderIdentity(f).inode);
    w.U8(static_cast<std::uint8_t>(StateOf(index, f)));
    w.Error(index.FolderError(f));
    if (index.KeepsExtras()) w.U64(index.FolderFileSystem(f));
    frames.Counted();
    if (out.size() >= kFlushBytes) {
      frames.Close();
      if (!frames.Flush(false)) return false;
    }
  }
  frames.Close();
  SideIndex::FolderId current = SideIndex::kNoFolder;
  for (SideIndex::EntryId e = 0; e < index.EntryCount(); ++e) {
    const SideIndex::FolderId folder = index.EntryFolder(e);
    frames.Open(MessageType::ScanEntries, folder, folder == current);
    current = folder;
    const platform::EntryInfo info = index.EntryInfoOf(e);
    Writer w(out);
    const std::string_view name = index.EntryName(e);
    w.U16(static_cast<std::uint16_t>(name.size()));
    w.Bytes(name);
    // The size goes with files that have one: the plan and the progress count the bytes to copy.
    const bool sized = info.exists && !info.directory && info.size > 0;
    const bool file = index.KeepsExtras() && info.exists && !info.directory;
    const bool stamped = file && info.stamp != 0;
    w.U8(static_cast<std::uint8_t>((info.exists ? kEntryExists : 0) | (info.directory ? kEntryDirectory : 0) |
                                   (info.error ? kEntryError : 0) | (sized ? kEntrySize : 0) |
                                   (stamped ? kEntryStamp : 0) | (file && info.regular ? kEntryRegular : 0)));
    w.Time(info.mtime);
    if (info.error) w.Error(info.error);
    if (sized) w.U64(info.size);
    if (stamped) w.U64(info.stamp);
    frames.Counted();
    if (out.size() >= kFlushBytes) {
      frames.Close();
      current = SideIndex::kNoFolder;
      if (!frames.Flush(false)) return false;
    }
  }
  frames.Close();
  if (!EncodeList(frames, out, lists.files, 0) || !EncodeList(frames, out, lists.folders, 1)) return false;
  std::string payload;
  Encode(payload, ScanEndReply{summary.rootError, summary.rootEntries, summary.unreadable, summary.leftoversRemoved,
                               summary.leftoversUnproven});
  AppendFrame(out, MessageType::ScanEnd, requestId, payload);
  return frames.Flush(true);
}

ScanDecoder::ScanDecoder(SideIndex& index, engine::ScanLists& lists, std::string root, bool keepExtras)
    : index_(index), lists_(lists), keepExtras_(keepExtras) {
  index_.Reset(std::move(root), nullptr, keepExtras);
  lists_.Clear();
}

bool ScanDecoder::Fail(std::string problem) {
  problem_ = "scan from the far side: " + std::move(problem);
  phase_ = Phase::Done;
  return false;
}

bool ScanDecoder::Folders(std::string_view payload) {
  if (phase_ != Phase::Folders) return Fail("folders after the entries");
  Reader r(payload);
  const std::uint32_t first = r.U32();
  const std::uint32_t count = r.Count(kMinFolderRecord);
  if (!r.Ok() || first != index_.FolderCount()) return Fail("folders out of order");
  if (std::size_t{first} + count > kMaxScanFolders) return Fail("more folders than the limit");
  for (std::uint32_t i = 0; i < count; ++i) {
    const SideIndex::FolderId id = first + i;
    const std::uint32_t parent = r.U32();
    const std::string_view name = r.String(kMaxName);
    platform::Identity identity;
    identity.device = r.U64();
    identity.inode = r.U64();
    const std::uint8_t state = r.U8();
    const std::error_code error = r.Error();
    const std::uint64_t fileSystem = keepExtras_ ? r.U64() : 0;
    if (!r.Ok() || state > static_cast<std::uint8_t>(FolderState::OtherRoot)) return Fail("a broken folder record");
    if ((state == static_cast<std::uint8_t>(FolderState::Failed)) != static_cast<bool>(error))
      return Fail("a folder's state and error disagree");
    if (id == 0) {
      if (parent != SideIndex::kNoFolder || !name.empty()) return Fail("the first folder is not the root");
      index_.AddChildFolder(SideIndex::kNoFolder, {}, identity);
    } else {
      if (parent >= id || !IsSafeName(name)) return Fail("a folder that cannot be below the root");
      if (index_.FolderDepth(parent) + 1 > kMaxDepth) return Fail("folders deeper than the limit");
      if (index_.AddChildFolder(parent, name, identity) != id) return Fail("a folder listed twice");
    }
    index_.SetFolderFileSystem(id, fileSystem);
    switch (static_cast<FolderState>(state)) {
      case FolderState::Partial:
        break;
      case FolderState::Complete:
        index_.MarkComplete(id);
        break;
      case FolderState::Failed:
        index_.MarkFailed(id, error);
        break;
      case FolderState::OtherRoot:
        index_.MarkOtherRoot(id);
        break;
    }
  }
  if (!r.Finished()) return Fail("bytes after the folder records");
  return true;
}

bool ScanDecoder::Entries(std::string_view payload) {
  if (phase_ == Phase::Folders) {
    if (index_.FolderCount() == 0) return Fail("entries before the root folder");
    phase_ = Phase::Entries;
    started_.assign(index_.FolderCount(), false);
  }
  if (phase_ != Phase::Entries) return Fail("entries after the lists");
  Reader r(payload);
  const std::uint32_t folder = r.U32();
  const std::uint32_t count = r.Count(kMinEntryRecord);
  if (!r.Ok() || folder >= index_.FolderCount()) return Fail("entries of an unknown folder");
  if (folder != lastFolder_) {
    // A folder's entries come together: one that has had its turn gets no more.
    if (started_[folder]) return Fail("a folder's entries apart");
    started_[folder] = true;
    lastFolder_ = folder;
    names_.clear();
  }
  if (index_.EntryCount() + count > kMaxScanEntries) return Fail("more entries than the limit");
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint16_t size = r.U16();
    const std::string_view name = r.Bytes(size);
    const std::uint8_t flags = r.U8();
    platform::EntryInfo info;
    info.exists = (flags & kEntryExists) != 0;
    info.directory = (flags & kEntryDirectory) != 0;
    info.mtime = r.Time();
    if (flags & kEntryError) {
      info.error = r.Error();
      if (!info.error || info.exists) return Fail("a broken entry error");
    }
    if (flags & kEntrySize) {
      info.size = r.U64();
      if (!info.exists || info.directory) return Fail("a size for what is not a file");
      if (info.size > kMaxFileSize) return Fail("a size no file can have");
    }
    if (flags & (kEntryStamp | kEntryRegular)) {
      if (!keepExtras_ || !info.exists || info.directory) return Fail("a stamp for what is not a file");
      if (flags & kEntryStamp) info.stamp = r.U64();
      info.regular = (flags & kEntryRegular) != 0;
    }
    if (!r.Ok() || flags > 63 || size > kMaxName) return Fail("a broken entry record");
    if (!IsSafeName(name)) return Fail("an entry name that is not a name");
    // A name listed twice would stand for one entry with two states.
    if (names_.contains(name)) return Fail("an entry listed twice");
    const SideIndex::EntryId id = index_.AddEntry(folder, name, info);
    names_.insert(index_.EntryName(id));
  }
  if (!r.Finished()) return Fail("bytes after the entry records");
  return true;
}

bool ScanDecoder::List(std::string_view payload) {
  if (phase_ == Phase::Folders || phase_ == Phase::Entries) {
    phase_ = Phase::Lists;
    names_.clear();
    inFiles_.assign(index_.EntryCount(), false);
    inFolders_.assign(index_.EntryCount(), false);
  }
  if (phase_ != Phase::Lists) return Fail("a list after the end");
  Reader r(payload);
  const std::uint32_t which = r.U32();
  const std::uint32_t runs = r.Count(8);
  if (!r.Ok() || which > 1) return Fail("a broken list");
  std::vector<bool>& seen = which == 0 ? inFiles_ : inFolders_;
  engine::EntryList& list = which == 0 ? lists_.files : lists_.folders;
  for (std::uint32_t i = 0; i < runs; ++i) {
    const std::uint64_t first = r.U32();
    const std::uint64_t length = r.U32();
    if (!r.Ok() || length == 0 || first + length > index_.EntryCount()) return Fail("a list of entries that do not exist");
    for (std::uint64_t id = first; id < first + length; ++id) {
      if (seen[id]) return Fail("an entry listed twice");
      seen[id] = true;
      list.push_back(static_cast<SideIndex::EntryId>(id));
    }
  }
  if (!r.Finished()) return Fail("bytes after the list");
  return true;
}

bool ScanDecoder::End(std::string_view payload, engine::ScanSummary& summary) {
  if (phase_ == Phase::Done) return Fail("a second end");
  ScanEndReply end;
  if (!Decode(payload, end)) return Fail("a broken end");
  if (index_.FolderCount() == 0 && !end.rootError) return Fail("no root folder");
  summary.rootError = end.rootError;
  summary.rootEntries = static_cast<std::size_t>(end.rootEntries);
  summary.unreadable = static_cast<std::size_t>(end.unreadable);
  summary.leftoversRemoved = end.leftoversRemoved;
  summary.leftoversUnproven = end.leftoversUnproven;
  phase_ = Phase::Done;
  std::vector<bool>().swap(started_);
  std::vector<bool>().swap(inFiles_);
  std::vector<bool>().swap(inFolders_);
  return true;
}

}  // namespace orvel::remote
