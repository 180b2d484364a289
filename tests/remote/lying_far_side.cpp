// A far side that lies, for the tests of what the near side believes: the real
// server behind a relay that changes what passes. lying_far_side LIE --serve=ROOT
#include "platform/write_all.h"
#include "remote/frame.h"
#include "remote/messages.h"
#include "remote/server.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

using namespace orvel::remote;
namespace {

std::string lie;
std::mutex outMutex;
std::atomic<bool> silent{false};

void Out(MessageType type, std::uint32_t id, std::string_view payload) {
  std::string frame;
  AppendFrame(frame, type, id, payload);
  std::lock_guard lock(outMutex);
  if (!silent) orvel::platform::WriteAll(STDOUT_FILENO, frame.data(), frame.size());
}

void Progress(std::uint32_t id, std::uint64_t entries) {
  std::string payload;
  Encode(payload, ProgressReply{entries, "d/"});
  Out(MessageType::Progress, id, payload);
}

// The scan's file sizes, each made 4 EiB.
std::string HugeSizes(std::string payload) {
  Reader r(payload);
  r.U32();
  for (std::uint32_t i = 0, count = r.U32(); i < count && r.Ok(); ++i) {
    r.Bytes(r.U16());
    const std::uint8_t flags = r.U8();
    r.Time();
    if (flags & 4) r.Error();
    if (flags & 8) payload[payload.size() - r.Left()] = 0x40, r.U64();
    if (flags & 16) r.U64();
  }
  return payload;
}

void Relay(int from, const std::function<void(const Frame&)>& each) {
  FrameReader reader;
  char buffer[65536];
  for (ssize_t n; (n = ::read(from, buffer, sizeof buffer)) > 0;) {
    reader.Feed(buffer, static_cast<std::size_t>(n));
    for (Frame frame; reader.Next(frame) == FrameReader::Status::Frame;) each(frame);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  lie = argv[1];
  int fds[2];
  ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
  std::thread([&] { Serve(fds[1], fds[1], ServerSetup{argv[2] + 8, "lying"}); }).detach();
  orvel::platform::WriteAll(STDOUT_FILENO, kMagic.data(), kMagic.size());
  std::thread([&] {
    Relay(fds[0], [](const Frame& f) {
      std::string payload(f.payload);
      if (lie == "huge-sizes" && f.type == MessageType::ScanEntries) payload = HugeSizes(payload);
      FileBeginReply begin;
      if ((lie == "longer" || lie == "shorter") && f.type == MessageType::FileBegin && Decode(payload, begin)) {
        begin.size = lie == "longer" ? begin.size - 1 : begin.size + 1;
        payload.clear();
        Encode(payload, begin);
      }
      Out(f.type, lie == "other-id" && f.type == MessageType::ScanEnd ? f.id + 1 : f.id, payload);
    });
  }).detach();
  orvel::platform::WriteAll(fds[0], kMagic.data(), kMagic.size());
  int reads = 0;
  Relay(STDIN_FILENO, [&](const Frame& f) {
    if (f.type == MessageType::Read && ++reads == 2 && lie == "silent-second-read") silent = true;
    if (f.type == MessageType::Scan && lie == "stop-scan") ::raise(SIGSTOP);
    if (f.type == MessageType::Scan && lie == "stall-scan") {
      // The same progress for ever, never an answer.
      std::thread([id = f.id] {
        for (;;) Progress(id, 7), std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }).detach();
    }
    // Slower than the near side's patience, but getting on all the time.
    for (int i = 1; f.type == MessageType::Scan && lie == "slow-scan" && i <= 30; ++i)
      Progress(f.id, i), std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (silent || (f.type == MessageType::Scan && (lie == "stall-scan" || lie == "silent-scan"))) return;
    std::string out;
    AppendFrame(out, f.type, f.id, f.payload);
    orvel::platform::WriteAll(fds[0], out.data(), out.size());
  });
  std::_Exit(0);
}
