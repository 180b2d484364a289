// libFuzzer target: bytes as a far side could send them, through the frame
// reader and every decoder. Nothing may crash, hang, allocate without bound or
// read past a frame (AddressSanitizer and UndefinedBehaviorSanitizer watch).
#include "engine/folder_scan.h"
#include "remote/frame.h"
#include "remote/messages.h"
#include "remote/scan_stream.h"

#include <cstddef>
#include <cstdint>

using namespace orvel;
using namespace orvel::remote;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte decides how the stream is cut into reads.
  const std::size_t piece = 1 + data[0] % 64;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;
  FrameReader reader;
  engine::SideIndex index;
  engine::ScanLists lists;
  ScanDecoder scan(index, lists, "/fuzz/");
  engine::ScanSummary summary;
  for (std::size_t at = 0; at < length; at += piece) {
    reader.Feed(bytes + at, std::min(piece, length - at));
    Frame frame;
    FrameReader::Status status;
    while ((status = reader.Next(frame)) == FrameReader::Status::Frame) {
      const std::string_view p = frame.payload;
      Hello hello;
      ErrorReply error;
      ProgressReply progress;
      OpenRootRequest open;
      RootInfoReply root;
      ScanRequest scanRequest;
      EntryRequest entry;
      WireEntry wire;
      FileBeginReply begin;
      DataEndReply end;
      DigestReply digest;
      RenameRequest rename;
      DeleteTreeRequest tree;
      switch (frame.type) {
        case MessageType::ScanFolders:
          scan.Folders(p);
          break;
        case MessageType::ScanEntries:
          scan.Entries(p);
          break;
        case MessageType::ScanList:
          scan.List(p);
          break;
        case MessageType::ScanEnd:
          scan.End(p, summary);
          break;
        default:
          (void)Decode(p, hello), (void)Decode(p, error), (void)Decode(p, progress), (void)Decode(p, open);
          (void)Decode(p, root), (void)Decode(p, scanRequest), (void)Decode(p, wire), (void)Decode(p, begin);
          (void)Decode(p, end), (void)Decode(p, digest), (void)Decode(p, rename), (void)Decode(p, tree);
          for (MessageType t : {MessageType::LookUp, MessageType::Read, MessageType::Digest}) (void)Decode(p, t, entry);
      }
    }
    if (status == FrameReader::Status::Bad) break;
  }
  // What the decoder accepted must answer look-ups like a scan's index.
  for (engine::SideIndex::EntryId id = 0; id < index.EntryCount() && id < 64; ++id)
    (void)index.LookUp(index.FolderPath(index.EntryFolder(id)), index.EntryName(id));
  return 0;
}
