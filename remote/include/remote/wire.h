#pragma once

#include "platform/entry_info.h"
#include "platform/file_time.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace orvel::remote {

// The fields of a frame's payload: integers in network byte order (big-endian),
// strings as a u32 length and the bytes. See docs/remote-protocol.md.
class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v);
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);
  void I64(std::int64_t v) { U64(static_cast<std::uint64_t>(v)); }
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  void String(std::string_view text);
  void Time(platform::FileTime t);
  // An error as a domain and a number (see ErrorDomain); none is domain 0.
  void Error(const std::error_code& error);
  std::size_t Size() const { return out_.size(); }

 private:
  std::string& out_;
};

// Reads the fields of one payload. Every read checks the bytes left; the first
// failure sticks, later reads give zeros, and Ok() tells. Nothing here trusts
// a length it was given.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint64_t U64();
  std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
  // A string of at most `limit` bytes, as a view into the payload.
  std::string_view String(std::size_t limit);
  std::string_view Bytes(std::size_t count);
  // A time whose nanoseconds lie in 0 … 999,999,999.
  platform::FileTime Time();
  std::error_code Error();
  // A count of records that are each at least `minRecord` bytes: refused when
  // the rest of the payload could not hold them, so nothing is reserved for
  // records that are not there.
  std::uint32_t Count(std::size_t minRecord);

  bool Ok() const { return ok_; }
  void Fail() { ok_ = false; }
  std::size_t Left() const { return ok_ ? in_.size() - pos_ : 0; }
  // True when every byte was read and nothing failed.
  bool Finished() const { return ok_ && pos_ == in_.size(); }

 private:
  bool Take(std::size_t n, const char*& p);
  std::string_view in_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// Where an error's number comes from on the wire.
enum class ErrorDomain : std::uint8_t {
  None = 0,
  System = 1,    // a Linux errno value
  Fault = 2,     // platform::Fault
  Protocol = 3,  // remote::ProtocolFault
};

// The look-up result with the fields a copy's checks need.
struct WireEntry {
  platform::EntryInfo info;
  platform::Identity identity;
  std::uint64_t size = 0;
  std::uint32_t mode = 0;
  platform::FileTime ctime;
};

}  // namespace orvel::remote
