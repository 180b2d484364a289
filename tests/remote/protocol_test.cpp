// Frames and payloads from a far side that cannot be trusted: cut anywhere,
// oversized, or lying about what they hold.
#include "engine/folder_scan.h"
#include "remote/frame.h"
#include "remote/messages.h"
#include "remote/scan_stream.h"
#include "remote/wire.h"

#include <gtest/gtest.h>

namespace orvel::remote {
namespace {

std::string Stream(MessageType type, std::uint32_t id, std::string_view payload) {
  std::string out(kMagic);
  AppendFrame(out, type, id, payload);
  return out;
}

TEST(FrameReader, GivesFramesWhateverTheStreamIsCutInto) {
  std::string stream = Stream(MessageType::Hello, 0, "abc");
  AppendFrame(stream, MessageType::Ok, 7, "");
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, stream.size()}) {
    FrameReader reader;
    std::vector<std::pair<std::uint32_t, std::string>> got;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
      Frame frame;
      while (reader.Next(frame) == FrameReader::Status::Frame) got.emplace_back(frame.id, frame.payload);
    }
    EXPECT_EQ(got, (std::vector<std::pair<std::uint32_t, std::string>>{{0, "abc"}, {7, ""}})) << piece;
    EXPECT_FALSE(reader.Partial());
  }
}

TEST(FrameReader, RefusesBrokenStreamsAtOnce) {
  std::string tooLong(kMagic);
  tooLong += std::string("\x00\x20\x00\x00\x01", 5);  // 2 MiB announced
  std::string unknownType(kMagic);
  unknownType += std::string("\x00\x00\x00\x05\x7e", 5);
  std::string tooShort(kMagic);
  tooShort += std::string("\x00\x00\x00\x02\x01\x00", 6);
  const std::pair<std::string, bool> cases[] = {
      {"Welcome to the NAS!\n", true}, {tooLong, false}, {unknownType, false}, {tooShort, false}};
  for (const auto& [bytes, garbage] : cases) {
    FrameReader reader;
    reader.Feed(bytes.data(), bytes.size());
    Frame frame;
    EXPECT_EQ(reader.Next(frame), FrameReader::Status::Bad) << bytes;
    EXPECT_EQ(!reader.Garbage().empty(), garbage);
  }
}

TEST(Messages, DecodersRefuseWhatBreaksTheirRules) {
  std::string lookUp;
  Encode(lookUp, MessageType::LookUp, EntryRequest{"a/b/", "c", {}});
  EntryRequest request;
  ASSERT_TRUE(Decode(lookUp, MessageType::LookUp, request));
  EXPECT_EQ(request.relFolder, "a/b/");
  for (const auto& [rel, name] : std::vector<std::pair<std::string, std::string>>{
           {"../", "x"}, {"a/", ".."}, {"a", "x"}, {"", "a/b"}, {"", std::string("a\0b", 3)}, {"/", "x"}}) {
    std::string payload;
    Encode(payload, MessageType::LookUp, EntryRequest{rel, name, {}});
    EXPECT_FALSE(Decode(payload, MessageType::LookUp, request)) << rel << name;
  }
  // Named like a temporary: only the mark on the file tells, so the name passes.
  std::string lookalike;
  Encode(lookalike, MessageType::LookUp, EntryRequest{"", ".x.orvel-ABC123", {}});
  EXPECT_TRUE(Decode(lookalike, MessageType::LookUp, request));
  // Cut short, with bytes to spare, an error that says "no error", a time past a second.
  EXPECT_FALSE(Decode(std::string_view(lookUp).substr(0, lookUp.size() - 1), MessageType::LookUp, request));
  EXPECT_FALSE(Decode(lookUp + "x", MessageType::LookUp, request));
  std::string noError;
  Writer(noError).Error({});
  Writer(noError).String("fine");
  ErrorReply error;
  EXPECT_FALSE(Decode(noError, error));
  std::string badTime;
  Writer w(badTime);
  w.U8(0), w.U64(0), w.U32(0), w.Time({1, 0}), w.U8(0);
  w.I64(0), w.U32(1'000'000'000);
  FileBeginReply begin;
  EXPECT_FALSE(Decode(badTime, begin));
}

// Strings beyond their limits, a count no bytes could hold (nothing is
// reserved for it) and an error only the near side may conclude are refused.
TEST(Messages, DecodersHoldStringsAndCountsToTheirLimits) {
  std::string lookUp, progress, tree, verdict;
  Encode(lookUp, MessageType::LookUp, EntryRequest{"", std::string(kMaxName + 1, 'n'), {}});
  Writer(progress).U64(1), Writer(progress).String(std::string(kMaxText + 1, 'f'));
  Writer(tree).String(""), Writer(tree).String("d"), Writer(tree).U8(2), Writer(tree).U32(0xFFFFFFFF);
  Writer(verdict).Error(MakeError(ProtocolFault::Timeout)), Writer(verdict).String("");  // the near side's own
  EntryRequest entry;
  ProgressReply told;
  DeleteTreeRequest deletion;
  ErrorReply error;
  EXPECT_FALSE(Decode(verdict, error));
  EXPECT_FALSE(Decode(lookUp, MessageType::LookUp, entry));
  EXPECT_FALSE(Decode(progress, told));
  EXPECT_FALSE(Decode(tree, deletion));
}

// A scan stream made by hand: the root "r" holding the folder "d" with one file.
struct ScanBuilder {
  std::string folders, entries, list;
  ScanBuilder() {
    Writer f(folders);
    f.U32(0), f.U32(2);
    f.U32(engine::SideIndex::kNoFolder), f.String(""), f.U64(1), f.U64(2), f.U8(1), f.Error({});
    f.U32(0), f.String("d"), f.U64(1), f.U64(3), f.U8(1), f.Error({});
    Writer e(entries);
    e.U32(1), e.U32(1), e.U16(1), e.Bytes("x"), e.U8(9), e.Time({5, 6}), e.U64(4096);
    Writer l(list);
    l.U32(0), l.U32(1), l.U32(0), l.U32(1);
  }
};

TEST(ScanDecoder, FillsTheIndexAndRefusesWhatCouldLeadOutOfTheTree) {
  ScanBuilder good;
  engine::SideIndex index;
  engine::ScanLists lists;
  {
    ScanDecoder decoder(index, lists, "/r/");
    ASSERT_TRUE(decoder.Folders(good.folders));
    ASSERT_TRUE(decoder.Entries(good.entries));
    ASSERT_TRUE(decoder.List(good.list)) << decoder.Problem();
    EXPECT_EQ(index.LookUp("d/", "x").info.mtime, (platform::FileTime{5, 6}));
    EXPECT_EQ(index.LookUp("d/", "x").info.size, 4096u);
    EXPECT_EQ(lists.files.size(), 1u);
  }
  auto replace = [](std::string text, std::string_view from, std::string_view to) {
    return text.replace(text.find(from), from.size(), to);
  };
  struct Broken {
    const char* why;
    std::string folders, entries, list;
  };
  const Broken cases[] = {
      {"folder named ..", replace(good.folders, std::string("\0\0\0\1d", 5), std::string("\0\0\0\2..", 6)),
       good.entries, good.list},
      {"entry with a slash", good.folders, replace(good.entries, std::string("\0\1x", 3), std::string("\0\3a/b", 5)),
       good.list},
      {"entry of an unknown folder", good.folders, replace(good.entries, std::string("\0\0\0\1\0\0\0\1", 8),
                                                          std::string("\0\0\0\7\0\0\0\1", 8)),
       good.list},
      {"an entry twice", good.folders, good.entries + good.entries, good.list},
      {"a size on a folder", good.folders, replace(good.entries, "x\x09", "x\x0b"), good.list},
      {"a stamp the scan was not asked for", good.folders, replace(good.entries, "x\x09", "x\x19") + "12345678",
       good.list},
      {"list past the entries", good.folders, good.entries, std::string("\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\2", 16)},
      {"a count larger than the frame", good.folders,
       replace(good.entries, std::string("\0\0\0\1\0\1", 6), std::string("\xff\xff\xff\xff\0\1", 6)), good.list},
  };
  for (const Broken& c : cases) {
    ScanDecoder decoder(index, lists, "/r/");
    const bool ok = decoder.Folders(c.folders) && decoder.Entries(c.entries) && decoder.List(c.list);
    EXPECT_FALSE(ok) << c.why;
    EXPECT_FALSE(decoder.Problem().empty()) << c.why;
  }
}

}  // namespace
}  // namespace orvel::remote
