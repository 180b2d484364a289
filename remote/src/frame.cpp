#include "remote/frame.h"

#include <cstring>

namespace orvel::remote {

namespace {

void PutU32(char* p, std::uint32_t v) {
  p[0] = static_cast<char>(v >> 24);
  p[1] = static_cast<char>(v >> 16);
  p[2] = static_cast<char>(v >> 8);
  p[3] = static_cast<char>(v);
}

std::uint32_t GetU32(const char* p) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

constexpr bool KnownType(std::uint8_t t) {
  switch (static_cast<MessageType>(t)) {
    case MessageType::Hello:
    case MessageType::Error:
    case MessageType::Ok:
    case MessageType::Progress:
    case MessageType::OpenRoot:
    case MessageType::RootInfo:
    case MessageType::Scan:
    case MessageType::ScanFolders:
    case MessageType::ScanEntries:
    case MessageType::ScanList:
    case MessageType::ScanEnd:
    case MessageType::LookUp:
    case MessageType::Entry:
    case MessageType::Read:
    case MessageType::FileBegin:
    case MessageType::Data:
    case MessageType::DataEnd:
    case MessageType::Digest:
    case MessageType::DigestValue:
    case MessageType::WriteBegin:
    case MessageType::WriteEnd:
    case MessageType::Delete:
    case MessageType::MakeFolder:
    case MessageType::SetFolderTime:
    case MessageType::RemoveLeftovers:
    case MessageType::Flush:
    case MessageType::Release:
    case MessageType::Rename:
    case MessageType::DeleteTree:
      return true;
  }
  return false;
}

}  // namespace

std::size_t BeginFrame(std::string& out, MessageType type, std::uint32_t id) {
  const std::size_t start = out.size();
  out.resize(start + kFrameHeader);
  out[start + 4] = static_cast<char>(type);
  PutU32(out.data() + start + 5, id);
  return start;
}

void EndFrame(std::string& out, std::size_t start) {
  PutU32(out.data() + start, static_cast<std::uint32_t>(out.size() - start - 4));
}

void AppendFrame(std::string& out, MessageType type, std::uint32_t id, std::string_view payload) {
  const std::size_t start = BeginFrame(out, type, id);
  out.append(payload);
  EndFrame(out, start);
}

void FrameReader::Feed(const char* data, std::size_t size) {
  if (bad_ || size == 0) return;
  // What was handed out is done with: move the rest to the front first.
  if (start_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
    end_ -= start_;
    start_ = 0;
  }
  if (buffer_.size() < end_ + size) buffer_.resize(end_ + size);
  std::memcpy(buffer_.data() + end_, data, size);
  end_ += size;
}

bool FrameReader::PendingOtherThan(MessageType type) const {
  return !bad_ && magicSeen_ && end_ - start_ >= 5 && static_cast<std::uint8_t>(buffer_[start_ + 4]) != static_cast<std::uint8_t>(type);
}

FrameReader::Status FrameReader::Fail(std::string problem) {
  bad_ = true;
  problem_ = std::move(problem);
  std::string().swap(buffer_);
  start_ = end_ = 0;
  return Status::Bad;
}

FrameReader::Status FrameReader::Next(Frame& frame) {
  if (bad_) return Status::Bad;
  const std::size_t have = end_ - start_;
  const char* p = buffer_.data() + start_;
  if (!magicSeen_) {
    const std::size_t n = have < kMagic.size() ? have : kMagic.size();
    if (std::memcmp(p, kMagic.data(), n) != 0) {
      // Keep what the far side said instead, as far as a message can show it.
      garbage_.assign(p, have < 512 ? have : 512);
      return Fail("the stream does not begin with the protocol's magic");
    }
    if (have < kMagic.size()) return Status::NeedMore;
    magicSeen_ = true;
    start_ += kMagic.size();
    return Next(frame);
  }
  if (have < 4) return Status::NeedMore;
  const std::uint32_t length = GetU32(p);
  if (length < kFrameHeader - 4) return Fail("a frame shorter than its header");
  if (length > kMaxFrameLength) return Fail("a frame longer than the limit of " + std::to_string(kMaxFrameLength));
  const std::uint8_t type = static_cast<std::uint8_t>(p[4] & 0xff);
  // The type is known before the rest has arrived: a stream of nonsense is
  // refused at once instead of after a megabyte.
  if (have >= 5 && !KnownType(type)) return Fail("a frame of unknown type " + std::to_string(type));
  if (have < 4 + std::size_t{length}) return Status::NeedMore;
  frame.type = static_cast<MessageType>(type);
  frame.id = GetU32(p + 5);
  frame.payload = std::string_view(p + kFrameHeader, length - (kFrameHeader - 4));
  start_ += 4 + std::size_t{length};
  return Status::Frame;
}

}  // namespace orvel::remote
