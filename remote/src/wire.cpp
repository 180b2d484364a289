#include "remote/wire.h"

#include "platform/error.h"
#include "remote/protocol.h"

#include <cstring>

namespace orvel::remote {

void Writer::U16(std::uint16_t v) {
  const char b[2] = {static_cast<char>(v >> 8), static_cast<char>(v)};
  out_.append(b, 2);
}

void Writer::U32(std::uint32_t v) {
  const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
  out_.append(b, 4);
}

void Writer::U64(std::uint64_t v) {
  U32(static_cast<std::uint32_t>(v >> 32));
  U32(static_cast<std::uint32_t>(v));
}

void Writer::String(std::string_view text) {
  U32(static_cast<std::uint32_t>(text.size()));
  out_.append(text);
}

void Writer::Time(platform::FileTime t) {
  I64(t.sec);
  U32(static_cast<std::uint32_t>(t.nsec));
}

void Writer::Error(const std::error_code& error) {
  if (!error) {
    U8(static_cast<std::uint8_t>(ErrorDomain::None));
    U32(0);
  } else if (error.category() == platform::FaultCategory()) {
    U8(static_cast<std::uint8_t>(ErrorDomain::Fault));
    U32(static_cast<std::uint32_t>(error.value()));
  } else if (error.category() == ProtocolCategory()) {
    U8(static_cast<std::uint8_t>(ErrorDomain::Protocol));
    U32(static_cast<std::uint32_t>(error.value()));
  } else {
    // The system's and the generic category both hold errno values here.
    U8(static_cast<std::uint8_t>(ErrorDomain::System));
    U32(static_cast<std::uint32_t>(error.value()));
  }
}

bool Reader::Take(std::size_t n, const char*& p) {
  if (!ok_ || in_.size() - pos_ < n) {
    ok_ = false;
    return false;
  }
  p = in_.data() + pos_;
  pos_ += n;
  return true;
}

std::uint8_t Reader::U8() {
  const char* p;
  return Take(1, p) ? static_cast<std::uint8_t>(p[0]) : 0;
}

std::uint16_t Reader::U16() {
  const char* p;
  if (!Take(2, p)) return 0;
  return static_cast<std::uint16_t>((static_cast<unsigned char>(p[0]) << 8) | static_cast<unsigned char>(p[1]));
}

std::uint32_t Reader::U32() {
  const char* p;
  if (!Take(4, p)) return 0;
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

std::uint64_t Reader::U64() {
  const std::uint64_t high = U32();
  return (high << 32) | U32();
}

std::string_view Reader::String(std::size_t limit) {
  const std::uint32_t size = U32();
  if (size > limit) {
    ok_ = false;
    return {};
  }
  return Bytes(size);
}

std::string_view Reader::Bytes(std::size_t count) {
  const char* p;
  return Take(count, p) ? std::string_view(p, count) : std::string_view{};
}

platform::FileTime Reader::Time() {
  const std::int64_t sec = I64();
  const std::uint32_t nsec = U32();
  if (nsec >= platform::kNanosecondsPerSecond) {
    ok_ = false;
    return {};
  }
  return {sec, static_cast<std::int32_t>(nsec)};
}

std::error_code Reader::Error() {
  const std::uint8_t domain = U8();
  const std::uint32_t value = U32();
  if (!ok_) return {};
  switch (static_cast<ErrorDomain>(domain)) {
    case ErrorDomain::None:
      if (value != 0) break;
      return {};
    case ErrorDomain::System:
      // Linux numbers its errors below 4096; 0 would read as success.
      if (value == 0 || value >= 4096) break;
      return platform::SystemError(static_cast<int>(value));
    case ErrorDomain::Fault:
      if (value < static_cast<std::uint32_t>(platform::Fault::ChangedSinceList) ||
          value > static_cast<std::uint32_t>(platform::Fault::NulInPath))
        break;
      return platform::MakeError(static_cast<platform::Fault>(value));
    case ErrorDomain::Protocol:
      // The faults after NotOpen are the near side's own verdicts (a timeout,
      // a host out of reach): never the far side's to send.
      if (value == 0 || value > static_cast<std::uint32_t>(ProtocolFault::NotOpen)) break;
      return MakeError(static_cast<ProtocolFault>(value));
  }
  ok_ = false;
  return {};
}

std::uint32_t Reader::Count(std::size_t minRecord) {
  const std::uint32_t count = U32();
  if (minRecord > 0 && count > Left() / minRecord) {
    ok_ = false;
    return 0;
  }
  return count;
}

}  // namespace orvel::remote
