#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace orvel::remote {

// What both sides send before their first frame: a NUL and a line end make it
// something no login script or shell prints by chance.
inline constexpr std::string_view kMagic{"ORVEL\0\r\n", 8};
// Raised whenever a frame's meaning changes; both sides must speak the same one.
inline constexpr std::uint32_t kProtocolVersion = 2;

// Hard limits. A frame or field beyond them ends the connection.
inline constexpr std::size_t kFrameHeader = 9;                  // u32 length, u8 type, u32 request id
inline constexpr std::size_t kMaxFrameLength = (1u << 20) + 5;  // type, id and payload
inline constexpr std::size_t kMaxPayload = kMaxFrameLength - 5;
inline constexpr std::size_t kMaxName = 4096;        // one entry name
inline constexpr std::size_t kMaxPath = 256 * 1024;  // a relative folder path (deep trees pass PATH_MAX)
inline constexpr std::size_t kMaxText = 4096;        // messages, versions, extension lists
inline constexpr std::size_t kMaxData = 256 * 1024;  // file contents per data frame
inline constexpr std::uint32_t kMaxDepth = 1u << 20;       // folders on one path from the root
inline constexpr std::uint32_t kMaxScanEntries = 50'000'000;
inline constexpr std::uint32_t kMaxScanFolders = 10'000'000;
// The largest size a file can have (off_t): a larger one is a lie.
inline constexpr std::uint64_t kMaxFileSize = (std::uint64_t{1} << 63) - 1;
// Requests a client keeps in flight before it waits for replies.
inline constexpr std::size_t kDefaultWindow = 32;
// How long the near side waits for a far side that sends nothing, or only
// progress frames that do not move, before it gives up (milliseconds).
inline constexpr std::int64_t kDefaultPatience = 60'000;

enum class MessageType : std::uint8_t {
  Hello = 0x01,
  Error = 0x02,     // reply, final: the request failed
  Ok = 0x03,        // reply, final: done, nothing to tell
  Progress = 0x04,  // reply, not final: a long request is still going on
  OpenRoot = 0x10,
  RootInfo = 0x11,
  Scan = 0x12,
  ScanFolders = 0x13,
  ScanEntries = 0x14,
  ScanList = 0x15,
  ScanEnd = 0x16,
  LookUp = 0x20,
  Entry = 0x21,
  Read = 0x22,
  FileBegin = 0x23,
  Data = 0x24,
  DataEnd = 0x25,
  Digest = 0x26,
  DigestValue = 0x27,
  WriteBegin = 0x30,
  WriteEnd = 0x32,
  Delete = 0x33,
  MakeFolder = 0x34,
  SetFolderTime = 0x35,
  RemoveLeftovers = 0x36,
  Flush = 0x37,  // the changes made so far onto stable storage
  Release = 0x3F,
  Rename = 0x40,
  DeleteTree = 0x41,
};

// Errors of the connection itself, beside errno values and platform faults.
enum class ProtocolFault : std::uint32_t {
  BadFrame = 1,       // a frame or field broke a rule or a limit
  UnknownRequest,     // a request type this side does not know
  Unsupported,        // known, but not carried out by this version
  VersionMismatch,    // the handshake found another protocol version
  NotOpen,            // a request that needs the root before OpenRoot
  ConnectionClosed,   // the stream ended where a frame or reply was due
  Timeout,            // nothing arrived within the time allowed
  HostUnreachable,    // ssh could not reach the host
  AuthRefused,        // ssh was refused: key or password
  ProgramMissing,     // the far side has no orvel-cli (or not at that path)
  FarSideFailed,      // the far program ended or was killed before its reply
  NotAServer,         // the far side printed something that is not the protocol
  HostKeyUnknown,     // ssh does not know the host's key and was not told to trust it
  HostKeyChanged,     // the host's key differs from the one ssh knows for it
  Last = HostKeyChanged,
};

const std::error_category& ProtocolCategory();
inline std::error_code MakeError(ProtocolFault fault) { return {static_cast<int>(fault), ProtocolCategory()}; }

// Whether a reply of this type ends its request.
constexpr bool IsFinalReply(MessageType type) {
  return type != MessageType::Progress && type != MessageType::ScanFolders && type != MessageType::ScanEntries &&
         type != MessageType::ScanList && type != MessageType::FileBegin && type != MessageType::Data;
}

}  // namespace orvel::remote
