#include "remote/client.h"

#include "remote/reasons.h"
#include "remote/scan_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <csignal>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvel::remote {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kKeptErrors = 4096;
constexpr std::size_t kKeptReplies = 4 << 20;
// Writes, deletions and made folders whose answers are not taken yet: each
// answer is a few bytes, so many may be owed before the window costs a round trip.
constexpr std::size_t kMostOwed = 256;
// Reads whose bytes are not taken yet: each holds a file open on this side, and
// their bytes may wait in memory until their turn.
constexpr std::size_t kMostOwedReads = 32;
constexpr std::uint64_t kMostOwedBytes = 16 << 20;

// write() without a SIGPIPE for a reader that has gone: the error comes back
// as EPIPE instead, whatever the program does with the signal.
ssize_t WriteQuietly(int fd, const char* data, std::size_t size) {
  sigset_t pipe, old;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &old);
  const ssize_t n = ::write(fd, data, size);
  const int error = errno;
  if (n < 0 && error == EPIPE && !sigismember(&old, SIGPIPE)) {
    const timespec zero{};
    ::sigtimedwait(&pipe, nullptr, &zero);
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = error;
  return n;
}

// The last lines of what ssh wrote, for a message.
std::string LastLines(const std::string& text) {
  std::vector<std::string_view> lines;
  std::string_view rest(text);
  while (!rest.empty()) {
    const std::size_t cut = rest.find('\n');
    std::string_view line = rest.substr(0, cut);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
  }
  std::string out;
  for (std::size_t i = lines.size() > 3 ? lines.size() - 3 : 0; i < lines.size(); ++i) {
    if (!out.empty()) out += " / ";
    out.append(lines[i]);
  }
  return out;
}

int Millis(std::chrono::milliseconds ms) { return static_cast<int>(ms.count()); }

// The longest single wait while someone is waiting for the reply.
constexpr std::chrono::milliseconds kWaitSlice{100};

}  // namespace

std::string Explain(const ConnectionFailure& failure, std::string_view where) {
  return std::string(where) + ": " + engine::ReasonText(engine::Language::English, ReasonOf(failure, where));
}

Client::Client(Channel channel, ClientSetup setup) : channel_(std::move(channel)), setup_(std::move(setup)) {
  if (setup_.window == 0) setup_.window = 1;
  // Writes never block: while the far side's replies wait to be read, a
  // blocked write would wait for ever.
  const int flags = ::fcntl(channel_.toServer.Get(), F_GETFL);
  if (flags >= 0) ::fcntl(channel_.toServer.Get(), F_SETFL, flags | O_NONBLOCK);
}

Client::~Client() { Shutdown(); }

bool Client::Fail(std::error_code code, std::string detail) {
  if (!failure_) {
    failure_.code = code;
    failure_.detail = std::move(detail);
  }
  inFlight_.clear();
  output_.clear();
  return false;
}

std::chrono::milliseconds Client::Slice(std::chrono::milliseconds left) const {
  return setup_.waiting ? std::min(left, kWaitSlice) : left;
}

bool Client::KeepWaiting() {
  if (!setup_.waiting || setup_.waiting()) return true;
  // Given up: the far side learns it from the closed connection.
  Interrupt();
  return Fail(std::make_error_code(std::errc::operation_canceled));
}

void Client::DrainErrors() {
  if (!channel_.errors) return;
  char buffer[4096];
  for (;;) {
    pollfd fd{channel_.errors.Get(), POLLIN, 0};
    if (::poll(&fd, 1, 0) <= 0) return;
    const ssize_t n = ::read(channel_.errors.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      channel_.errors.Reset();
      return;
    }
    errors_.append(buffer, static_cast<std::size_t>(n));
    if (errors_.size() > 2 * kKeptErrors) errors_.erase(0, errors_.size() - kKeptErrors);
  }
}

// Waits for the channel's process to end (it has been told by the closed input);
// after `patience` it is ended. Gathers what it wrote on standard error meanwhile.
void Client::Shutdown() {
  channel_.toServer.Reset();
  if (channel_.process <= 0 || exited_) {
    std::lock_guard lock(interruptMutex_);
    exited_ = true;
    channel_.fromServer.Reset();
    return;
  }
  const auto deadline = Clock::now() + std::chrono::seconds(3);
  int signals = 0;
  // Answers the far side sent before it ended still count (a write it finished
  // before the connection broke): they are kept, within reason.
  std::size_t kept = 0;
  bool replies = static_cast<bool>(channel_.fromServer);
  for (;;) {
    std::unique_lock reaping(interruptMutex_);
    const pid_t done = ::waitpid(channel_.process, &waitStatus_, WNOHANG);
    if (done == channel_.process) exited_ = true;
    reaping.unlock();
    if (done == channel_.process || (done < 0 && errno != EINTR)) break;
    if (Clock::now() > deadline + std::chrono::seconds(signals)) {
      ::kill(channel_.process, signals == 0 ? SIGTERM : SIGKILL);
      ++signals;
    }
    pollfd fds[2] = {{channel_.errors ? channel_.errors.Get() : -1, POLLIN, 0},
                     {replies ? channel_.fromServer.Get() : -1, POLLIN, 0}};
    ::poll(fds, 2, 20);
    DrainErrors();
    if (fds[1].revents) KeepReplies(replies, kept);
  }
  // What it wrote before it ended.
  for (pollfd fd{replies ? channel_.fromServer.Get() : -1, POLLIN, 0}; replies && ::poll(&fd, 1, 0) > 0;)
    KeepReplies(replies, kept);
  DrainErrors();
  exited_ = true;
  channel_.fromServer.Reset();
  channel_.errors.Reset();
}

void Client::KeepReplies(bool& more, std::size_t& kept) {
  char buffer[65536];
  const ssize_t n = ::read(channel_.fromServer.Get(), buffer, sizeof buffer);
  if (n > 0 && kept < kKeptReplies) {
    reader_.Feed(buffer, static_cast<std::size_t>(n));
    kept += static_cast<std::size_t>(n);
  } else if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN) || kept >= kKeptReplies) {
    more = false;
  }
}

void Client::FailFromStream(std::error_code fallback, std::string detail) {
  if (failure_) return;
  std::error_code code = fallback;
  if (channel_.process > 0) {
    Shutdown();
    const std::error_code diagnosed = DiagnoseExit(waitStatus_, errors_);
    // A far side that printed something else and then ended: what it ended
    // with tells more (a missing program, a refused login). One ended here for
    // its silence stays a timeout, however its end looked.
    const bool silent = fallback == MakeError(ProtocolFault::Timeout);
    if (!silent && (fallback != MakeError(ProtocolFault::NotAServer) ||
                    diagnosed == MakeError(ProtocolFault::ProgramMissing) ||
                    diagnosed == MakeError(ProtocolFault::AuthRefused) ||
                    diagnosed == MakeError(ProtocolFault::HostUnreachable) ||
                    diagnosed == MakeError(ProtocolFault::HostKeyUnknown) ||
                    diagnosed == MakeError(ProtocolFault::HostKeyChanged)))
      code = diagnosed;
    std::string said = LastLines(errors_);
    if (!said.empty()) detail = detail.empty() ? said : silent ? detail + "; " + said : said + "; " + detail;
  }
  Fail(code, std::move(detail));
}

bool Client::FlushOutput() {
  std::size_t done = 0;
  // Measured from the last byte that went either way.
  auto deadline = Clock::now() + setup_.timeout;
  while (done < output_.size()) {
    if (failure_) return false;
    pollfd fds[3] = {{channel_.toServer.Get(), POLLOUT, 0},
                     {channel_.fromServer.Get(), POLLIN, 0},
                     {channel_.errors ? channel_.errors.Get() : -1, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int ready = ::poll(fds, 3, Millis(Slice(std::max(left, std::chrono::milliseconds(0)))));
    if (ready == 0 && left.count() <= 0) return TimedOut("nothing was taken in");
    if (ready == 0 && !KeepWaiting()) return false;
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Fail(platform::LastError());
    if (fds[2].revents) DrainErrors();
    if (fds[1].revents) {
      // The far side answers while we still send: take its replies in, so that
      // neither side waits for the other.
      char buffer[65536];
      const ssize_t n = ::read(channel_.fromServer.Get(), buffer, sizeof buffer);
      if (n > 0) {
        reader_.Feed(buffer, static_cast<std::size_t>(n));
        fed_ = true;
        deadline = Clock::now() + setup_.timeout;
      } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        FailFromStream(MakeError(ProtocolFault::ConnectionClosed), {});
        return false;
      }
    }
    if (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) {
      const ssize_t n = WriteQuietly(channel_.toServer.Get(), output_.data() + done, output_.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        deadline = Clock::now() + setup_.timeout;
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        FailFromStream(MakeError(ProtocolFault::ConnectionClosed), {});
        return false;
      }
    }
  }
  output_.clear();
  return true;
}

bool Client::ReadMore() {
  fed_ = false;
  if (!FlushOutput()) return false;
  // Replies that came in while the requests went out may be all that is needed.
  if (fed_) return true;
  // Counted from when the far side last got on, not from this read: progress
  // frames that tell nothing new do not keep it alive.
  const auto deadline = lastMoved_ + setup_.timeout;
  for (;;) {
    pollfd fds[2] = {{channel_.fromServer.Get(), POLLIN, 0},
                     {channel_.errors ? channel_.errors.Get() : -1, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int ready = ::poll(fds, 2, Millis(Slice(std::max(left, std::chrono::milliseconds(0)))));
    // Nothing that moves: the connection or the far side is dead, stopped or stuck.
    if (ready == 0 && left.count() <= 0) return TimedOut("no answer");
    if (ready == 0 && !KeepWaiting()) return false;
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return Fail(platform::LastError());
    if (fds[1].revents) DrainErrors();
    if (fds[0].revents == 0) continue;
    char buffer[65536];
    const ssize_t n = ::read(channel_.fromServer.Get(), buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      FailFromStream(MakeError(ProtocolFault::ConnectionClosed),
                     reader_.Partial() ? "the stream ended inside a frame" : std::string());
      return false;
    }
    reader_.Feed(buffer, static_cast<std::size_t>(n));
    // Part of a frame that is more than a progress frame: bytes of a reply.
    if (reader_.PendingOtherThan(MessageType::Progress)) lastMoved_ = Clock::now();
    return true;
  }
}

bool Client::TimedOut(std::string what) {
  // SIGCONT too: a stopped child would keep the SIGTERM pending for ever.
  if (channel_.process > 0 && !exited_) {
    ::kill(channel_.process, SIGTERM);
    ::kill(channel_.process, SIGCONT);
  }
  const auto ms = setup_.timeout.count();
  char seconds[32];
  if (ms % 1000 == 0) {
    std::snprintf(seconds, sizeof seconds, "%lld s", static_cast<long long>(ms / 1000));
  } else {
    std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(ms) / 1000);
  }
  what += setup_.peer.empty() ? " from the far side" : " from " + setup_.peer;
  FailFromStream(MakeError(ProtocolFault::Timeout), what + " for " + seconds);
  return Fail(MakeError(ProtocolFault::Timeout));
}

void Client::NoteMovement(const Frame& frame) {
  if (frame.type == MessageType::Progress) {
    ProgressReply progress;
    if (!Decode(frame.payload, progress)) return;  // its request's handler refuses it
    if (frame.id == progressId_ && progress.entries == progressEntries_ && progress.folder == progressFolder_) return;
    progressId_ = frame.id;
    progressEntries_ = progress.entries;
    progressFolder_.assign(progress.folder);
  }
  lastMoved_ = Clock::now();
}

std::uint32_t Client::Submit(MessageType type, std::string_view payload) {
  const std::uint32_t id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;  // 0 is the greeting's
  if (failure_) return id;
  AppendFrame(output_, type, id, payload);
  inFlight_.push_back(id);
  if (inFlight_.size() > mostInFlight_) mostInFlight_ = inFlight_.size();
  return id;
}

std::error_code Client::ErrorOf(const Frame& frame) {
  ErrorReply reply;
  if (!Decode(frame.payload, reply)) {
    Fail(MakeError(ProtocolFault::BadFrame), "a broken error frame");
    return failure_.code;
  }
  return reply.error;
}

bool Client::Await(std::uint32_t id, const ReplyHandler& handler) {
  // The far side's patience runs from here: this side may have been busy
  // itself, and a new wait begins only after a reply or a new request.
  lastMoved_ = Clock::now();
  for (;;) {
    if (failure_) return false;
    Frame frame;
    const FrameReader::Status status = reader_.Next(frame);
    if (status == FrameReader::Status::NeedMore) {
      if (!ReadMore()) return false;
      continue;
    }
    if (status == FrameReader::Status::Bad) {
      if (!reader_.Garbage().empty()) {
        FailFromStream(MakeError(ProtocolFault::NotAServer), reader_.Garbage());
      } else {
        Fail(MakeError(ProtocolFault::BadFrame), reader_.Problem());
      }
      return false;
    }
    // The far side's last word before it ends: the session is over.
    if (frame.id == 0 && frame.type == MessageType::Error) {
      ErrorReply reply;
      if (!Decode(frame.payload, reply)) return Fail(MakeError(ProtocolFault::BadFrame), "a broken error frame");
      return Fail(reply.error, std::string(reply.text));
    }
    if (inFlight_.empty() || frame.id != inFlight_.front() || frame.id != id)
      return Fail(MakeError(ProtocolFault::BadFrame), "a reply to a request not asked, or out of order");
    NoteMovement(frame);
    if (!handler(frame)) {
      if (!failure_) Fail(MakeError(ProtocolFault::BadFrame), "a reply that does not fit its request");
      return false;
    }
    if (IsFinalReply(frame.type)) {
      inFlight_.pop_front();
      return true;
    }
  }
}

std::error_code Client::Handshake() {
  if (greeted_ || failure_) return failure_.code;
  output_.assign(kMagic);
  std::string payload;
  Encode(payload, Hello{kProtocolVersion, setup_.programVersion});
  AppendFrame(output_, MessageType::Hello, 0, payload);
  inFlight_.push_back(0);
  Hello theirs;
  std::string program;
  const bool ok = Await(0, [&](const Frame& frame) {
    if (frame.type != MessageType::Hello || !Decode(frame.payload, theirs)) return false;
    program.assign(theirs.program);
    return true;
  });
  if (!ok) return failure_.code;
  farVersion_ = program;
  if (theirs.protocol != kProtocolVersion) {
    Fail(MakeError(ProtocolFault::VersionMismatch));
    failure_.args = {program, std::to_string(theirs.protocol), setup_.programVersion,
                     std::to_string(kProtocolVersion)};
    return failure_.code;
  }
  greeted_ = true;
  return {};
}

platform::Expected<RootInfo> Client::OpenRoot(LockMode lock, bool createMissing) {
  Settle();
  std::string payload;
  Encode(payload, OpenRootRequest{lock, createMissing});
  const std::uint32_t id = Submit(MessageType::OpenRoot, payload);
  RootInfo info;
  std::error_code error;
  const bool ok = Await(id, [&](const Frame& frame) {
    if (frame.type == MessageType::Error) return static_cast<bool>(error = ErrorOf(frame));
    RootInfoReply reply;
    if (frame.type != MessageType::RootInfo || !Decode(frame.payload, reply)) return false;
    info = RootInfo{reply.identity, reply.fileSystemId, reply.fileSystemType, reply.locked, reply.created,
                    std::string(reply.path), reply.rootIdentity};
    return true;
  });
  if (!ok) return failure_.code;
  if (error) return error;
  return info;
}

std::error_code Client::Scan(const ScanRequest& request, std::string rootPath, engine::SideIndex& index,
                             engine::ScanLists& lists, engine::ScanSummary& summary,
                             const std::function<void(const ProgressReply&)>& progress) {
  Settle();
  std::string payload;
  Encode(payload, request);
  const std::uint32_t id = Submit(MessageType::Scan, payload);
  ScanDecoder decoder(index, lists, std::move(rootPath), request.keepExtras);
  std::error_code error;
  const bool ok = Await(id, [&](const Frame& frame) {
    bool fits = false;
    switch (frame.type) {
      case MessageType::Progress: {
        ProgressReply reply;
        fits = Decode(frame.payload, reply);
        if (fits && progress) progress(reply);
        break;
      }
      case MessageType::ScanFolders:
        fits = decoder.Folders(frame.payload);
        break;
      case MessageType::ScanEntries:
        fits = decoder.Entries(frame.payload);
        break;
      case MessageType::ScanList:
        fits = decoder.List(frame.payload);
        break;
      case MessageType::ScanEnd:
        fits = decoder.End(frame.payload, summary);
        break;
      case MessageType::Error:
        fits = static_cast<bool>(error = ErrorOf(frame));
        break;
      default:
        break;
    }
    if (!fits && !decoder.Problem().empty()) Fail(MakeError(ProtocolFault::BadFrame), decoder.Problem());
    return fits;
  });
  if (!ok || error) {
    // Nothing half-received is taken for a scan.
    index.Reset({});
    lists.Clear();
  }
  if (!ok) return failure_.code;
  return error;
}

template <typename T>
std::vector<platform::Expected<T>> Client::Pipelined(MessageType type, std::span<const EntryRequest> requests,
                                                     MessageType replyType) {
  Settle();
  std::vector<platform::Expected<T>> results;
  results.reserve(requests.size());
  std::vector<std::uint32_t> ids;
  ids.reserve(requests.size());
  std::string payload;
  while (results.size() < requests.size()) {
    while (ids.size() < requests.size() && ids.size() - results.size() < setup_.window && !failure_) {
      payload.clear();
      Encode(payload, type, requests[ids.size()]);
      ids.push_back(Submit(type, payload));
    }
    T value{};
    std::error_code error;
    const bool ok = !failure_ && Await(ids[results.size()], [&](const Frame& frame) {
      // Only a digest of a large file has anything to report while it runs.
      if (frame.type == MessageType::Progress) return type == MessageType::Digest;
      if (frame.type == MessageType::Error) return static_cast<bool>(error = ErrorOf(frame));
      return frame.type == replyType && Decode(frame.payload, value);
    });
    if (!ok) {
      results.emplace_back(failure_.code);
    } else if (error) {
      results.emplace_back(error);
    } else {
      results.emplace_back(std::move(value));
    }
  }
  return results;
}

platform::Expected<WireEntry> Client::LookUp(std::string_view relFolder, std::string_view name) {
  const EntryRequest request{relFolder, name, {}};
  return std::move(LookUpMany(std::span(&request, 1)).front());
}

std::vector<platform::Expected<WireEntry>> Client::LookUpMany(std::span<const EntryRequest> requests) {
  return Pipelined<WireEntry>(MessageType::LookUp, requests, MessageType::Entry);
}

platform::Expected<DigestReply> Client::Digest(std::string_view relFolder, std::string_view name,
                                               const platform::Expectation& expect) {
  const EntryRequest request{relFolder, name, expect};
  return std::move(DigestMany(std::span(&request, 1)).front());
}

std::vector<platform::Expected<DigestReply>> Client::DigestMany(std::span<const EntryRequest> requests) {
  return Pipelined<DigestReply>(MessageType::Digest, requests, MessageType::DigestValue);
}

platform::Expected<FileBeginReply> Client::ReadFile(std::string_view relFolder, std::string_view name,
                                                    const platform::Expectation& expect,
                                                    const std::function<bool(std::string_view)>& sink,
                                                    const std::function<bool(const FileBeginReply&)>& onBegin) {
  Settle();
  std::string payload;
  Encode(payload, MessageType::Read, EntryRequest{relFolder, name, expect});
  const std::uint32_t id = Submit(MessageType::Read, payload);
  FileBeginReply begin;
  bool begun = false;
  bool wanted = true;
  std::uint64_t total = 0;
  std::error_code error;
  const bool ok = Await(id, [&](const Frame& frame) {
    switch (frame.type) {
      case MessageType::Progress:
        return true;
      case MessageType::FileBegin:
        if (begun) return false;
        begun = true;
        if (!Decode(frame.payload, begin)) return false;
        if (onBegin) wanted = onBegin(begin);
        return true;
      case MessageType::Data:
        // No more than the far side announced.
        if (!begun || frame.payload.size() > begin.size - total) return false;
        total += frame.payload.size();
        if (wanted) wanted = sink(frame.payload);
        return true;
      case MessageType::DataEnd: {
        DataEndReply end;
        return begun && Decode(frame.payload, end) && end.total == total && total == begin.size;
      }
      case MessageType::Error:
        return static_cast<bool>(error = ErrorOf(frame));
      default:
        return false;
    }
  });
  if (!ok) return failure_.code;
  if (error) return error;
  return begin;
}

std::error_code Client::Flush() {
  Settle();
  if (failure_) return failure_.code;
  const std::uint32_t id = Submit(MessageType::Flush, {});
  std::error_code error;
  const bool ok = Await(id, [this, &error](const Frame& frame) {
    // A slow disk: the far side says it is still at work.
    if (frame.type == MessageType::Progress) return true;
    if (frame.type == MessageType::Error) return static_cast<bool>(error = ErrorOf(frame));
    return frame.type == MessageType::Ok;
  });
  if (!ok) return failure_.code;
  return error;
}

std::error_code Client::Release() {
  Settle();
  const std::uint32_t id = Submit(MessageType::Release, {});
  const bool ok = Await(id, [](const Frame& frame) { return frame.type == MessageType::Ok; });
  if (!ok) return failure_.code;
  Shutdown();
  return {};
}

void Client::Queue(MessageType type, std::string_view payload, Done done) {
  SettleTo(kMostOwed - 1);
  const std::uint32_t id = Submit(type, payload);
  owed_.push_back(Owed{id, std::move(done), {}, false, 0});
}

void Client::Write(const WriteBeginRequest& request, const Fill& fill, Done done, WrittenReply* written) {
  SettleTo(kMostOwed - 1);
  std::string payload;
  Encode(payload, request);
  const std::uint32_t id = Submit(MessageType::WriteBegin, payload);
  std::uint64_t total = 0;
  const bool filled = fill([&](std::string_view bytes) {
    while (!bytes.empty() && !failure_) {
      const std::string_view chunk = bytes.substr(0, kMaxData);
      AppendFrame(output_, MessageType::Data, id, chunk);
      total += chunk.size();
      bytes.remove_prefix(chunk.size());
      // Large contents go out as they come, with the answers read meanwhile.
      if (output_.size() >= 4 * kMaxData) FlushOutput();
    }
  });
  payload.clear();
  // A total other than the announced one makes the far side throw the write away.
  Encode(payload, WriteEndRequest{filled ? total : ~std::uint64_t{0}});
  if (!failure_) AppendFrame(output_, MessageType::WriteEnd, id, payload);
  ReplyHandler reply;
  if (written) {
    // The Ok may tell what the destination kept.
    reply = [written](const Frame& frame) {
      if (frame.type != MessageType::Ok) return false;
      return frame.payload.empty() || Decode(frame.payload, *written);
    };
  }
  owed_.push_back(Owed{id, std::move(done), std::move(reply), false, 0});
}

void Client::Delete(const DeleteRequest& request, Done done) {
  std::string payload;
  Encode(payload, request);
  Queue(MessageType::Delete, payload, std::move(done));
}

void Client::MakeFolder(const MakeFolderRequest& request, Done done) {
  std::string payload;
  Encode(payload, request);
  Queue(MessageType::MakeFolder, payload, std::move(done));
}

void Client::SetFolderTime(const SetFolderTimeRequest& request, Done done) {
  std::string payload;
  Encode(payload, request);
  Queue(MessageType::SetFolderTime, payload, std::move(done));
}

void Client::Rename(const RenameRequest& request, Done done) {
  std::string payload;
  Encode(payload, request);
  Queue(MessageType::Rename, payload, std::move(done));
}

void Client::DeleteTree(const DeleteTreeRequest& request, Done done) {
  std::string payload;
  Encode(payload, request);
  Queue(MessageType::DeleteTree, payload, std::move(done));
}

void Client::LookUpLater(const EntryRequest& request, std::function<void(platform::Expected<WireEntry>)> done) {
  SettleTo(kMostOwed - 1);
  std::string payload;
  Encode(payload, MessageType::LookUp, request);
  const std::uint32_t id = Submit(MessageType::LookUp, payload);
  auto entry = std::make_shared<WireEntry>();
  ReplyHandler reply = [entry](const Frame& frame) {
    return frame.type == MessageType::Entry && Decode(frame.payload, *entry);
  };
  Done answered = [entry, done = std::move(done)](std::error_code error) {
    if (!done) return;
    if (error) {
      done(error);
    } else {
      done(std::move(*entry));
    }
  };
  owed_.push_back(Owed{id, std::move(answered), std::move(reply), false, 0});
}

void Client::Fetch(const EntryRequest& request, std::uint64_t expected,
                   std::function<bool(const FileBeginReply&)> onBegin, std::function<bool(std::string_view)> sink,
                   ReadDone done) {
  SettleTo(kMostOwed - 1);
  while (owedReads_ > 0 && (owedReads_ >= kMostOwedReads || owedBytes_ + expected > kMostOwedBytes)) {
    const std::size_t reads = owedReads_;
    while (owedReads_ == reads) SettleTo(owed_.size() - 1);
  }
  std::string payload;
  Encode(payload, MessageType::Read, request);
  const std::uint32_t id = Submit(MessageType::Read, payload);
  // What the reply tells, kept until its end.
  struct State {
    FileBeginReply begin;
    bool begun = false;
    bool wanted = true;
    std::uint64_t total = 0;
  };
  auto state = std::make_shared<State>();
  ReplyHandler reply = [state, onBegin = std::move(onBegin), sink = std::move(sink)](const Frame& frame) {
    State& s = *state;
    switch (frame.type) {
      case MessageType::Progress:
        return true;
      case MessageType::FileBegin:
        if (s.begun || !Decode(frame.payload, s.begin)) return false;
        s.begun = true;
        if (onBegin) s.wanted = onBegin(s.begin);
        return true;
      case MessageType::Data:
        if (!s.begun || frame.payload.size() > s.begin.size - s.total) return false;
        s.total += frame.payload.size();
        if (s.wanted) s.wanted = sink(frame.payload);
        return true;
      case MessageType::DataEnd: {
        DataEndReply end;
        return s.begun && Decode(frame.payload, end) && end.total == s.total && s.total == s.begin.size;
      }
      default:
        return false;
    }
  };
  Done answered = [state, done = std::move(done)](std::error_code error) {
    if (!done) return;
    if (error) {
      done(error);
    } else {
      done(state->begin);
    }
  };
  ++owedReads_;
  owedBytes_ += expected;
  owed_.push_back(Owed{id, std::move(answered), std::move(reply), true, expected});
  // Sent now: the far side reads while this side works on the next rows.
  FlushOutput();
}

void Client::Settle() { SettleTo(0); }

void Client::SettleTo(std::size_t left) {
  while (owed_.size() > left) {
    Owed owed = std::move(owed_.front());
    owed_.pop_front();
    if (owed.read) {
      --owedReads_;
      owedBytes_ -= owed.bytes;
    }
    std::error_code error;
    const auto answer = [&](const Frame& frame) {
      if (frame.type == MessageType::Error) return static_cast<bool>(error = ErrorOf(frame));
      return owed.reply ? owed.reply(frame) : frame.type == MessageType::Ok;
    };
    bool ok = false;
    if (!failure_) {
      ok = Await(owed.id, answer);
    } else if (!owed.reply) {
      // The connection is gone, but its answer may have arrived before.
      Frame frame;
      ok = reader_.Next(frame) == FrameReader::Status::Frame && frame.id == owed.id && answer(frame);
    }
    if (owed.done) owed.done(ok ? error : failure_.code);
  }
}

void Client::Interrupt() {
  std::lock_guard lock(interruptMutex_);
  if (exited_) return;
  if (channel_.process > 0) {
    ::kill(channel_.process, SIGTERM);
  } else if (channel_.fromServer) {
    ::shutdown(channel_.fromServer.Get(), SHUT_RDWR);
  }
}

}  // namespace orvel::remote
