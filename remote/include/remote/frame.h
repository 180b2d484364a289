#pragma once

#include "remote/protocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvel::remote {

struct Frame {
  MessageType type = MessageType::Hello;
  std::uint32_t id = 0;
  std::string_view payload;  // valid until the reader is fed again
};

// Appends one frame to `out`; the payload must be within kMaxPayload.
void AppendFrame(std::string& out, MessageType type, std::uint32_t id, std::string_view payload);

// Starts a frame in `out` whose payload is appended afterwards; EndFrame fills
// in its length. Returns where the frame starts.
std::size_t BeginFrame(std::string& out, MessageType type, std::uint32_t id);
void EndFrame(std::string& out, std::size_t start);

// Cuts a byte stream into frames. The stream begins with kMagic; after it, each
// frame is a u32 length (of what follows it: type, id and payload) and that
// many bytes. Bytes are fed as they arrive, in pieces of any size; a frame is
// given out only once all of it is there. Memory stays within one frame and
// one read, whatever the stream says.
class FrameReader {
 public:
  enum class Status { NeedMore, Frame, Bad };

  void Feed(const char* data, std::size_t size);
  Status Next(Frame& frame);
  // Why the stream is bad (after Status::Bad).
  const std::string& Problem() const { return problem_; }
  // The first bytes when they were not the magic: what the far side printed
  // instead (a login script's greeting, a shell's error), for the message.
  const std::string& Garbage() const { return garbage_; }
  // Whether bytes of an unfinished frame (or of the magic) are waiting.
  bool Partial() const { return end_ > start_; }
  // Whether the next frame, not yet whole, is known to be of another type than
  // `type` (its type byte has arrived).
  bool PendingOtherThan(MessageType type) const;

 private:
  Status Fail(std::string problem);

  std::string buffer_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool magicSeen_ = false;
  bool bad_ = false;
  std::string problem_;
  std::string garbage_;
};

}  // namespace orvel::remote
