#pragma once

#include "engine/folder_scan.h"
#include "engine/run_message.h"
#include "engine/side_index.h"
#include "platform/error.h"
#include "remote/frame.h"
#include "remote/messages.h"
#include "remote/transport.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <system_error>
#include <vector>

namespace orvel::remote {

// Why a connection is of no more use: a ProtocolFault (or an errno), what the
// far side or ssh said about it, and the fault's own arguments (the two sides'
// versions of a VersionMismatch).
struct ConnectionFailure {
  std::error_code code;
  std::string detail;
  engine::MessageArgs args;
  explicit operator bool() const { return static_cast<bool>(code); }
};

// The message for a failed connection, in English, for logs and tests: what
// happened, what ssh or the far side said, and what to do.
std::string Explain(const ConnectionFailure& failure, std::string_view where);

// The far side's root folder as OpenRoot found it.
struct RootInfo {
  platform::Identity identity;
  std::uint64_t fileSystemId = 0;
  std::uint64_t fileSystemType = 0;
  bool locked = false;
  bool created = false;
  std::string path;  // as the far side resolved it, ending in '/'
  platform::RootIdentity rootIdentity;  // all 0 from a far side that does not tell it
};

struct ClientSetup {
  std::string programVersion;  // this side's, told in the handshake and in a mismatch
  // Longest wait for the far side to get on: silence this long, or progress
  // frames that tell of nothing new for this long, mean a far side that is
  // dead, stopped or stuck (a timeout).
  std::chrono::milliseconds timeout{kDefaultPatience};
  std::string peer;  // the host, as messages name it
  std::size_t window = kDefaultWindow;  // requests in flight
  // Asked about ten times a second while a reply is awaited (the program's
  // display turns there); false gives up at once, as a cancel.
  std::function<bool()> waiting;
};

// Speaks the protocol to one server over a channel: a socket pair in tests, a
// child orvel-cli --serve, or ssh. Requests may be pipelined: up to `window`
// are sent before the first reply is waited for, and replies come in request
// order. A reply that breaks the protocol, silence beyond the timeout or the
// end of the stream ends the connection for good (Failure() says why); every
// request after that fails at once with the same code. Not for use by two
// threads at once.
class Client {
 public:
  Client(Channel channel, ClientSetup setup);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Exchanges greetings; a far side of another protocol version fails with
  // ProtocolFault::VersionMismatch and both versions in the detail.
  std::error_code Handshake();
  const std::string& FarVersion() const { return farVersion_; }

  platform::Expected<RootInfo> OpenRoot(LockMode lock, bool createMissing);

  // Runs the far side's scan and fills the index and lists as a local scan of
  // the root `rootPath` (as shown; ends in the separator) would have.
  // `progress` hears about the far scan while it runs.
  std::error_code Scan(const ScanRequest& request, std::string rootPath, engine::SideIndex& index,
                       engine::ScanLists& lists, engine::ScanSummary& summary,
                       const std::function<void(const ProgressReply&)>& progress = {});

  platform::Expected<WireEntry> LookUp(std::string_view relFolder, std::string_view name);
  // The same for many entries, pipelined; results in the order asked.
  std::vector<platform::Expected<WireEntry>> LookUpMany(std::span<const EntryRequest> requests);

  // Streams a file's contents (a link's target text) into `sink`, chunk by
  // chunk. The far side checks `expect` first and that the file did not change
  // while it was read; a failure after some chunks means they are to be thrown
  // away. False from the sink stops the reading (the rest is still received).
  platform::Expected<FileBeginReply> ReadFile(std::string_view relFolder, std::string_view name,
                                              const platform::Expectation& expect,
                                              const std::function<bool(std::string_view)>& sink,
                                              const std::function<bool(const FileBeginReply&)>& begin = {});

  platform::Expected<DigestReply> Digest(std::string_view relFolder, std::string_view name,
                                         const platform::Expectation& expect);
  std::vector<platform::Expected<DigestReply>> DigestMany(std::span<const EntryRequest> requests);

  // The writing requests of a sync run, pipelined: each goes out at once and
  // its answer is taken later; `done` hears it (in request order) when 256 are
  // owed, before a request that waits for its own answer, or in
  // Settle. A broken connection answers all of them with its failure.
  using Done = std::function<void(std::error_code)>;
  // The contents follow in Data frames as `fill` hands them to its argument;
  // false from `fill` abandons the write (the far side throws it away).
  using Fill = std::function<bool(const std::function<void(std::string_view)>&)>;
  // `written`, when given, hears what the destination kept before `done` is called.
  void Write(const WriteBeginRequest& request, const Fill& fill, Done done, WrittenReply* written = nullptr);
  void Delete(const DeleteRequest& request, Done done);
  void MakeFolder(const MakeFolderRequest& request, Done done);
  void SetFolderTime(const SetFolderTimeRequest& request, Done done);
  void Rename(const RenameRequest& request, Done done);
  void DeleteTree(const DeleteTreeRequest& request, Done done);
  // LookUp without waiting: `done` hears the entry when its answer is taken,
  // in request order with the other answers owed.
  void LookUpLater(const EntryRequest& request, std::function<void(platform::Expected<WireEntry>)> done);
  // ReadFile without waiting: the request goes out at once and its reply is
  // taken in request order with the other answers owed; `begin` and `sink` hear
  // it then as ReadFile's would, and `done` its end. `expected` (the size the
  // list saw) keeps the bytes owed within what this side holds in memory.
  using ReadDone = std::function<void(platform::Expected<FileBeginReply>)>;
  void Fetch(const EntryRequest& request, std::uint64_t expected, std::function<bool(const FileBeginReply&)> begin,
             std::function<bool(std::string_view)> sink, ReadDone done);
  // Waits for every answer still owed.
  void Settle();

  // From any thread: ends the connection at once (its process, or the socket).
  void Interrupt();
  // Replaces ClientSetup::waiting (null: wait without asking).
  void SetWaiting(std::function<bool()> waiting) { setup_.waiting = std::move(waiting); }

  // Answers every request owed, then waits until the far side has put what
  // the writing requests changed on stable storage (or failed to).
  std::error_code Flush();

  // Ends the session: the far side lets go of its lock and ends.
  std::error_code Release();

  const ConnectionFailure& Failure() const { return failure_; }
  // The most requests that were in flight at once.
  std::size_t MostInFlight() const { return mostInFlight_; }

 private:
  // One frame of the reply to the request at the front; returns the frame's
  // status: the reply goes on (false) or has ended (true).
  using ReplyHandler = std::function<bool(const Frame&)>;

  std::uint32_t Submit(MessageType type, std::string_view payload);
  bool Await(std::uint32_t id, const ReplyHandler& handler);
  bool FlushOutput();
  bool ReadMore();
  // How long one poll may wait, and whether to go on after a quiet slice.
  std::chrono::milliseconds Slice(std::chrono::milliseconds left) const;
  bool KeepWaiting();
  // Whether the frame shows the far side getting on: any reply but a progress
  // frame that tells what the one before told.
  void NoteMovement(const Frame& frame);
  // Ends the connection for the far side's silence.
  bool TimedOut(std::string what);
  void DrainErrors();
  bool Fail(std::error_code code, std::string detail = {});
  void FailFromStream(std::error_code fallback, std::string detail);
  void Shutdown();
  // One read of the far side's last answers during Shutdown; `more` goes false at their end.
  void KeepReplies(bool& more, std::size_t& kept);
  // The error of a final Error frame, or a protocol failure for one that is broken.
  std::error_code ErrorOf(const Frame& frame);
  // Sends a request answered by Ok or Error, whose answer is taken later.
  void Queue(MessageType type, std::string_view payload, Done done);
  // Takes answers until at most `left` are owed.
  void SettleTo(std::size_t left);
  template <typename T>
  std::vector<platform::Expected<T>> Pipelined(MessageType type, std::span<const EntryRequest> requests,
                                               MessageType replyType);

  Channel channel_;
  ClientSetup setup_;
  FrameReader reader_;
  std::string output_;
  std::deque<std::uint32_t> inFlight_;
  // A queued request whose answer is not taken yet: Ok or Error, or the
  // frames of a file read through `reply`.
  struct Owed {
    std::uint32_t id = 0;
    Done done;
    ReplyHandler reply;
    bool read = false;
    std::uint64_t bytes = 0;  // a read's expected size
  };
  std::deque<Owed> owed_;
  std::size_t owedReads_ = 0;
  std::uint64_t owedBytes_ = 0;
  std::mutex interruptMutex_;  // Interrupt against Shutdown's reaping
  std::uint32_t nextId_ = 1;
  std::chrono::steady_clock::time_point lastMoved_{};  // when the far side last got on
  // The last progress frame: one that repeats it is no sign of life.
  std::uint32_t progressId_ = 0;
  std::uint64_t progressEntries_ = 0;
  std::string progressFolder_;
  std::size_t mostInFlight_ = 0;
  std::string errors_;  // the end of what the channel's process wrote on standard error
  std::string farVersion_;
  ConnectionFailure failure_;
  bool greeted_ = false;
  bool fed_ = false;  // FlushOutput took replies in
  bool exited_ = false;
  int waitStatus_ = 0;
};

}  // namespace orvel::remote
