#include "remote/messages.h"

#include "platform/temporary_name.h"

namespace orvel::remote {

namespace {

// Expectation kinds on the wire, in the order platform::Expectation declares them.
constexpr std::uint8_t kLastExpectation = static_cast<std::uint8_t>(platform::Expectation::Kind::Folder);

void PutInfo(Writer& w, const platform::EntryInfo& info) {
  w.U8(static_cast<std::uint8_t>((info.exists ? 1 : 0) | (info.directory ? 2 : 0)));
  w.Time(info.mtime);
  w.Error(info.error);
}

bool GetInfo(Reader& r, platform::EntryInfo& info) {
  const std::uint8_t flags = r.U8();
  info.exists = (flags & 1) != 0;
  info.directory = (flags & 2) != 0;
  info.mtime = r.Time();
  info.error = r.Error();
  // A failed look-up reads as not existing; anything else is a broken sender.
  return r.Ok() && flags <= 3 && !(info.error && info.exists);
}

}  // namespace

bool IsSafeName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  // A name like a temporary's may be a user's file: only the mark tells, there.
  return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool IsSafeRelFolder(std::string_view path) {
  while (!path.empty()) {
    const std::size_t cut = path.find('/');
    if (cut == std::string_view::npos || !IsSafeName(path.substr(0, cut))) return false;
    path.remove_prefix(cut + 1);
  }
  return true;
}

void Encode(std::string& out, const Hello& m) {
  Writer w(out);
  w.U32(m.protocol);
  w.String(m.program);
}

bool Decode(std::string_view payload, Hello& m) {
  Reader r(payload);
  m.protocol = r.U32();
  m.program = r.String(64);
  return r.Finished();
}

void Encode(std::string& out, const ErrorReply& m) {
  Writer w(out);
  w.Error(m.error);
  w.String(m.text.substr(0, kMaxText));
}

bool Decode(std::string_view payload, ErrorReply& m) {
  Reader r(payload);
  m.error = r.Error();
  m.text = r.String(kMaxText);
  // An error frame without an error would turn a failure into a success.
  return r.Finished() && m.error;
}

void Encode(std::string& out, const ProgressReply& m) {
  Writer w(out);
  w.U64(m.entries);
  w.String(m.folder.substr(0, kMaxText));
}

bool Decode(std::string_view payload, ProgressReply& m) {
  Reader r(payload);
  m.entries = r.U64();
  m.folder = r.String(kMaxText);
  return r.Finished();
}

void Encode(std::string& out, const OpenRootRequest& m) {
  Writer w(out);
  w.U8(static_cast<std::uint8_t>(m.lock));
  w.U8(m.createMissing ? 1 : 0);
}

bool Decode(std::string_view payload, OpenRootRequest& m) {
  Reader r(payload);
  const std::uint8_t lock = r.U8();
  const std::uint8_t flags = r.U8();
  m.lock = static_cast<LockMode>(lock);
  m.createMissing = flags == 1;
  return r.Finished() && lock <= 2 && flags <= 1;
}

void Encode(std::string& out, const RootInfoReply& m) {
  Writer w(out);
  w.U64(m.identity.device);
  w.U64(m.identity.inode);
  w.U64(m.fileSystemId);
  w.U64(m.fileSystemType);
  w.U8(static_cast<std::uint8_t>((m.locked ? 1 : 0) | (m.created ? 2 : 0)));
  w.String(m.path);
  if (m.hasRootIdentity) {
    w.U64(m.rootIdentity.fileSystem);
    w.U64(m.rootIdentity.inode);
    w.U64(static_cast<std::uint64_t>(m.rootIdentity.birth));
  }
}

bool Decode(std::string_view payload, RootInfoReply& m) {
  Reader r(payload);
  m.identity.device = r.U64();
  m.identity.inode = r.U64();
  m.fileSystemId = r.U64();
  m.fileSystemType = r.U64();
  const std::uint8_t flags = r.U8();
  m.locked = (flags & 1) != 0;
  m.created = (flags & 2) != 0;
  m.path = r.String(kMaxPath);
  m.hasRootIdentity = r.Ok() && r.Left() > 0;
  if (m.hasRootIdentity) {
    m.rootIdentity.fileSystem = r.U64();
    m.rootIdentity.inode = r.U64();
    m.rootIdentity.birth = static_cast<std::int64_t>(r.U64());
  }
  return r.Finished() && flags <= 3;
}

void Encode(std::string& out, const ScanRequest& m) {
  Writer w(out);
  w.U8(m.target ? 1 : 0);
  w.U8(static_cast<std::uint8_t>((m.subFolders ? 1 : 0) | (m.emptyFolder ? 2 : 0) | (m.recyclerFolder ? 4 : 0) |
                                 (m.chkExt ? 8 : 0) | (m.chkNoExt ? 16 : 0) | (m.removeLeftovers ? 32 : 0) |
                                 (m.keepExtras ? 64 : 0)));
  w.String(m.ext);
  w.String(m.noExt);
  w.U64(m.otherRoot.device);
  w.U64(m.otherRoot.inode);
}

bool Decode(std::string_view payload, ScanRequest& m) {
  Reader r(payload);
  const std::uint8_t side = r.U8();
  const std::uint8_t flags = r.U8();
  m.target = side == 1;
  m.subFolders = (flags & 1) != 0;
  m.emptyFolder = (flags & 2) != 0;
  m.recyclerFolder = (flags & 4) != 0;
  m.chkExt = (flags & 8) != 0;
  m.chkNoExt = (flags & 16) != 0;
  m.removeLeftovers = (flags & 32) != 0;
  m.keepExtras = (flags & 64) != 0;
  m.ext = r.String(kMaxText);
  m.noExt = r.String(kMaxText);
  m.otherRoot.device = r.U64();
  m.otherRoot.inode = r.U64();
  return r.Finished() && side <= 1 && flags < 128;
}

void Encode(std::string& out, const ScanEndReply& m) {
  Writer w(out);
  w.Error(m.rootError);
  w.U64(m.rootEntries);
  w.U64(m.unreadable);
  w.U64(m.leftoversRemoved);
  w.U64(m.leftoversUnproven);
}

bool Decode(std::string_view payload, ScanEndReply& m) {
  Reader r(payload);
  m.rootError = r.Error();
  m.rootEntries = r.U64();
  m.unreadable = r.U64();
  m.leftoversRemoved = r.U64();
  m.leftoversUnproven = r.U64();
  return r.Finished();
}

void Encode(std::string& out, MessageType type, const EntryRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
  if (type != MessageType::LookUp) {
    w.U8(static_cast<std::uint8_t>(m.expect.kind));
    w.Time(m.expect.mtime);
  }
}

bool Decode(std::string_view payload, MessageType type, EntryRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  m.expect = {};
  if (type != MessageType::LookUp) {
    const std::uint8_t kind = r.U8();
    m.expect.mtime = r.Time();
    if (kind > kLastExpectation) return false;
    m.expect.kind = static_cast<platform::Expectation::Kind>(kind);
  }
  // A look-up with no name and no folder: the root itself.
  return r.Finished() && IsSafeRelFolder(m.relFolder) &&
         (IsSafeName(m.name) || (type == MessageType::LookUp && m.name.empty() && m.relFolder.empty()));
}

void Encode(std::string& out, const WireEntry& m) {
  Writer w(out);
  PutInfo(w, m.info);
  w.U64(m.identity.device);
  w.U64(m.identity.inode);
  w.U64(m.size);
  w.U32(m.mode);
  w.Time(m.ctime);
}

bool Decode(std::string_view payload, WireEntry& m) {
  Reader r(payload);
  const bool info = GetInfo(r, m.info);
  m.identity.device = r.U64();
  m.identity.inode = r.U64();
  m.size = r.U64();
  m.mode = r.U32();
  m.ctime = r.Time();
  return info && r.Finished();
}

void Encode(std::string& out, const FileBeginReply& m) {
  Writer w(out);
  w.U8(m.link ? 1 : 0);
  w.U64(m.size);
  w.U32(m.mode);
  w.Time(m.mtime);
}

bool Decode(std::string_view payload, FileBeginReply& m) {
  Reader r(payload);
  const std::uint8_t kind = r.U8();
  m.link = kind == 1;
  m.size = r.U64();
  m.mode = r.U32();
  m.mtime = r.Time();
  return r.Finished() && kind <= 1 && (m.mode & ~07777u) == 0 && m.size <= kMaxFileSize;
}

void Encode(std::string& out, const DataEndReply& m) { Writer(out).U64(m.total); }

bool Decode(std::string_view payload, DataEndReply& m) {
  Reader r(payload);
  m.total = r.U64();
  return r.Finished();
}

void Encode(std::string& out, const DigestReply& m) {
  Writer w(out);
  w.U8(m.algorithm);
  w.U64(m.size);
  w.Bytes(std::string_view(reinterpret_cast<const char*>(m.value.data()), m.value.size()));
}

bool Decode(std::string_view payload, DigestReply& m) {
  Reader r(payload);
  m.algorithm = r.U8();
  m.size = r.U64();
  const std::string_view bytes = r.Bytes(m.value.size());
  if (!r.Finished() || m.algorithm != kDigestSha256) return false;
  for (std::size_t i = 0; i < m.value.size(); ++i) m.value[i] = static_cast<unsigned char>(bytes[i]);
  return true;
}

namespace {

void PutExpectation(Writer& w, const platform::Expectation& e) {
  w.U8(static_cast<std::uint8_t>(e.kind));
  w.Time(e.mtime);
}

bool GetExpectation(Reader& r, platform::Expectation& e) {
  const std::uint8_t kind = r.U8();
  e.mtime = r.Time();
  if (kind > kLastExpectation) return false;
  e.kind = static_cast<platform::Expectation::Kind>(kind);
  return true;
}

}  // namespace

void Encode(std::string& out, const WriteBeginRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
  PutExpectation(w, m.destination);
  Encode(out, m.file);
}

bool Decode(std::string_view payload, WriteBeginRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  if (!GetExpectation(r, m.destination) || !r.Ok()) return false;
  constexpr std::size_t kFileBegin = 1 + 8 + 4 + 12;
  if (r.Left() != kFileBegin) return false;
  return Decode(payload.substr(payload.size() - kFileBegin), m.file) && IsSafeRelFolder(m.relFolder) &&
         IsSafeName(m.name) && (!m.file.link || m.file.size <= kMaxName);
}

void Encode(std::string& out, const WrittenReply& m) {
  Writer w(out);
  w.Time(m.mtime);
  w.U64(m.size);
  w.U64(m.stamp);
}

bool Decode(std::string_view payload, WrittenReply& m) {
  Reader r(payload);
  m.mtime = r.Time();
  m.size = r.U64();
  m.stamp = r.U64();
  m.told = true;
  return r.Finished();
}

void Encode(std::string& out, const WriteEndRequest& m) { Writer(out).U64(m.total); }

bool Decode(std::string_view payload, WriteEndRequest& m) {
  Reader r(payload);
  m.total = r.U64();
  return r.Finished();
}

void Encode(std::string& out, const DeleteRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
  PutExpectation(w, m.expect);
  w.U8(m.toTrash ? 1 : 0);
}

bool Decode(std::string_view payload, DeleteRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  const bool expectation = GetExpectation(r, m.expect);
  const std::uint8_t trash = r.U8();
  m.toTrash = trash == 1;
  return expectation && trash <= 1 && r.Finished() && IsSafeRelFolder(m.relFolder) && IsSafeName(m.name);
}

void Encode(std::string& out, const MakeFolderRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
}

bool Decode(std::string_view payload, MakeFolderRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  return r.Finished() && IsSafeRelFolder(m.relFolder) && IsSafeName(m.name);
}

void Encode(std::string& out, const SetFolderTimeRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
  PutExpectation(w, m.expect);
  w.Time(m.mtime);
}

bool Decode(std::string_view payload, SetFolderTimeRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  const bool expectation = GetExpectation(r, m.expect);
  m.mtime = r.Time();
  // No name and no folder: the root itself.
  return expectation && r.Finished() && IsSafeRelFolder(m.relFolder) &&
         (IsSafeName(m.name) || (m.name.empty() && m.relFolder.empty()));
}

void Encode(std::string& out, const RenameRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
  PutExpectation(w, m.expect);
  w.String(m.newName);
}

bool Decode(std::string_view payload, RenameRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  const bool expectation = GetExpectation(r, m.expect);
  m.newName = r.String(kMaxName);
  return expectation && r.Finished() && IsSafeRelFolder(m.relFolder) && IsSafeName(m.name) && IsSafeName(m.newName);
}

void Encode(std::string& out, const DeleteTreeRequest& m) {
  Writer w(out);
  w.String(m.relFolder);
  w.String(m.name);
  w.U8(static_cast<std::uint8_t>((m.toTrash ? 1 : 0) | (m.last ? 2 : 0)));
  w.U32(static_cast<std::uint32_t>(m.entries.size()));
  for (const TreeEntryRequest& entry : m.entries) {
    w.String(entry.rel);
    w.U8(entry.folder ? 1 : 0);
    w.Time(entry.mtime);
  }
}

bool Decode(std::string_view payload, DeleteTreeRequest& m) {
  Reader r(payload);
  m.relFolder = r.String(kMaxPath);
  m.name = r.String(kMaxName);
  const std::uint8_t flags = r.U8();
  m.toTrash = (flags & 1) != 0;
  m.last = (flags & 2) != 0;
  const std::uint32_t count = r.Count(4 + 1 + 12);
  m.entries.clear();
  m.entries.reserve(count);
  std::string folder;
  for (std::uint32_t i = 0; i < count && r.Ok(); ++i) {
    TreeEntryRequest entry;
    entry.rel = r.String(kMaxPath);
    const std::uint8_t kind = r.U8();
    entry.folder = kind == 1;
    entry.mtime = r.Time();
    // Safe names joined by '/', nothing above the top folder.
    folder.assign(entry.rel).push_back('/');
    if (kind > 1 || entry.rel.empty() || !IsSafeRelFolder(folder)) return false;
    m.entries.push_back(entry);
  }
  return flags <= 3 && r.Finished() && IsSafeRelFolder(m.relFolder) && IsSafeName(m.name);
}

}  // namespace orvel::remote
