#pragma once

#include "platform/entry_info.h"
#include "platform/file_ops.h"
#include "platform/file_system_identity.h"
#include "remote/protocol.h"
#include "remote/wire.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orvel::remote {

// The payloads of the frames, one struct per message type, with their encoding
// and a decoder that accepts only a payload read to its last byte within every
// limit (false otherwise; the struct is then of no use). Views point into the
// frame's payload.

struct Hello {
  std::uint32_t protocol = kProtocolVersion;
  std::string_view program;  // the program's version, "1.73"
};
void Encode(std::string& out, const Hello& m);
bool Decode(std::string_view payload, Hello& m);

struct ErrorReply {
  std::error_code error;
  std::string_view text;  // what the far side can add (a path, a reason)
};
void Encode(std::string& out, const ErrorReply& m);
bool Decode(std::string_view payload, ErrorReply& m);

struct ProgressReply {
  std::uint64_t entries = 0;
  std::string_view folder;  // relative to the root
};
void Encode(std::string& out, const ProgressReply& m);
bool Decode(std::string_view payload, ProgressReply& m);

enum class LockMode : std::uint8_t { None = 0, Shared = 1, Exclusive = 2 };

struct OpenRootRequest {
  LockMode lock = LockMode::None;
  bool createMissing = false;  // make the folder and its missing parents
};
void Encode(std::string& out, const OpenRootRequest& m);
bool Decode(std::string_view payload, OpenRootRequest& m);

struct RootInfoReply {
  platform::Identity identity;
  std::uint64_t fileSystemId = 0;    // f_fsid of statfs
  std::uint64_t fileSystemType = 0;  // f_type of statfs
  bool locked = false;               // false also where the file system has no locks
  bool created = false;
  std::string_view path;  // the root as the far side resolved it
  // Trailing and optional: what the remembered sync keys the root by
  // (platform::RootIdentityOf there); absent from an older far side.
  bool hasRootIdentity = false;
  platform::RootIdentity rootIdentity;
};
void Encode(std::string& out, const RootInfoReply& m);
bool Decode(std::string_view payload, RootInfoReply& m);

struct ScanRequest {
  bool target = false;  // the side: base or target
  bool subFolders = true;
  bool emptyFolder = false;
  bool recyclerFolder = true;
  bool chkExt = false;
  bool chkNoExt = false;
  bool removeLeftovers = false;
  bool keepExtras = false;  // the remembered sync: entries' stamps, folders' file systems
  std::string_view ext;    // as RunValues holds them
  std::string_view noExt;
  platform::Identity otherRoot;  // the other tree's root when it is on the same machine
};
void Encode(std::string& out, const ScanRequest& m);
bool Decode(std::string_view payload, ScanRequest& m);

// A folder of the scan's index. States as the index keeps them.
enum class FolderState : std::uint8_t { Partial = 0, Complete = 1, Failed = 2, OtherRoot = 3 };

struct ScanEndReply {
  std::error_code rootError;
  std::uint64_t rootEntries = 0;
  std::uint64_t unreadable = 0;
  // Leftovers removed, and names like them that nothing proved ours.
  std::uint64_t leftoversRemoved = 0;
  std::uint64_t leftoversUnproven = 0;
};
void Encode(std::string& out, const ScanEndReply& m);
bool Decode(std::string_view payload, ScanEndReply& m);

struct EntryRequest {
  std::string_view relFolder;  // "" or "a/b/"
  std::string_view name;
  platform::Expectation expect;  // Read and Digest only
};
void Encode(std::string& out, MessageType type, const EntryRequest& m);
bool Decode(std::string_view payload, MessageType type, EntryRequest& m);

void Encode(std::string& out, const WireEntry& m);
bool Decode(std::string_view payload, WireEntry& m);

struct FileBeginReply {
  bool link = false;  // the data is the link's target text
  std::uint64_t size = 0;
  std::uint32_t mode = 0;
  platform::FileTime mtime;
};
void Encode(std::string& out, const FileBeginReply& m);
bool Decode(std::string_view payload, FileBeginReply& m);

struct DataEndReply {
  std::uint64_t total = 0;
};
void Encode(std::string& out, const DataEndReply& m);
bool Decode(std::string_view payload, DataEndReply& m);

inline constexpr std::uint8_t kDigestSha256 = 1;
struct DigestReply {
  std::uint8_t algorithm = kDigestSha256;
  std::uint64_t size = 0;
  std::array<unsigned char, 32> value{};
  friend bool operator==(const DigestReply&, const DigestReply&) = default;
};
void Encode(std::string& out, const DigestReply& m);
bool Decode(std::string_view payload, DigestReply& m);

// The writing requests (the sync run's, near side to far side).
struct WriteBeginRequest {
  std::string_view relFolder;
  std::string_view name;
  platform::Expectation destination;
  FileBeginReply file;  // what follows: a file or a link, its size, mode and time
};
void Encode(std::string& out, const WriteBeginRequest& m);
bool Decode(std::string_view payload, WriteBeginRequest& m);

// The answer to a WriteEnd: Ok, optionally with what the destination kept
// (time, size and stamp), which the remembered sync records.
struct WrittenReply {
  platform::FileTime mtime;
  std::uint64_t size = 0;
  std::uint64_t stamp = 0;
  bool told = false;  // set by Decode: the answer carried them
};
void Encode(std::string& out, const WrittenReply& m);
bool Decode(std::string_view payload, WrittenReply& m);

struct WriteEndRequest {
  std::uint64_t total = 0;  // bytes sent; anything but the announced size abandons the write
};
void Encode(std::string& out, const WriteEndRequest& m);
bool Decode(std::string_view payload, WriteEndRequest& m);

struct DeleteRequest {
  std::string_view relFolder;
  std::string_view name;
  platform::Expectation expect;
  bool toTrash = false;
};
void Encode(std::string& out, const DeleteRequest& m);
bool Decode(std::string_view payload, DeleteRequest& m);

struct MakeFolderRequest {
  std::string_view relFolder;
  std::string_view name;
};
void Encode(std::string& out, const MakeFolderRequest& m);
bool Decode(std::string_view payload, MakeFolderRequest& m);

struct SetFolderTimeRequest {
  std::string_view relFolder;
  std::string_view name;
  platform::Expectation expect;  // Unchecked: only a folder this session made
  platform::FileTime mtime;
};
void Encode(std::string& out, const SetFolderTimeRequest& m);
bool Decode(std::string_view payload, SetFolderTimeRequest& m);

// Renames an entry within its folder while it is as expected, never over
// another entry (a file moved aside before its replacement, and put back).
struct RenameRequest {
  std::string_view relFolder;
  std::string_view name;
  platform::Expectation expect;
  std::string_view newName;
};
void Encode(std::string& out, const RenameRequest& m);
bool Decode(std::string_view payload, RenameRequest& m);

// One entry of a folder tree to remove, below its top, deepest first.
struct TreeEntryRequest {
  std::string_view rel;  // "a/b" below the top folder
  bool folder = false;
  platform::FileTime mtime;  // what the list saw (files only)
};

// Removes the folder tree `name` entry by entry, each only while it is what the
// list saw; a tree too large for one frame comes in several, the top folder
// going with the last. To the trash: the top folder goes there whole.
struct DeleteTreeRequest {
  std::string_view relFolder;
  std::string_view name;
  bool toTrash = false;
  bool last = true;  // the top folder goes after these entries
  std::vector<TreeEntryRequest> entries;
};
void Encode(std::string& out, const DeleteTreeRequest& m);
bool Decode(std::string_view payload, DeleteTreeRequest& m);

// Whether a name from the far side can stand for an entry of a folder: not
// empty, no '/', no NUL, not "." or "..", not one of our temporaries.
bool IsSafeName(std::string_view name);
// Whether a relative folder path is empty or safe names each followed by '/'.
bool IsSafeRelFolder(std::string_view path);

}  // namespace orvel::remote
