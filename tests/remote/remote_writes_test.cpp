// The far side's writes, deletions and made folders: carried out only while the
// destination is as the near side saw it, and never leaving a part behind.
#include "remote/client.h"
#include "remote_pair.h"
#include "support/temp_tree.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace orvel::test {
namespace {

using platform::Expectation;

struct WriteCase {
  const char* name;
  Expectation destination;  // what the near side saw there
  std::uint64_t announced;  // the size told in WriteBegin
  std::string sent;         // what follows
  bool sourceFails;         // the near side abandons the write after sending
  bool done;                // the write takes the destination's place
  bool readOnly = false;     // the destination has no write permission bit
};

class RemoteWrites : public ::testing::TestWithParam<WriteCase> {};

TEST_P(RemoteWrites, ReplaceTheDestinationOnlyWhenWholeAndAsSeen) {
  const WriteCase& w = GetParam();
  TempDir dir;
  WriteTree(dir.Path(), {{"d/old.txt", "old", Time(1000)}});
  if (w.readOnly) {
    ASSERT_EQ(::chmod((dir / "d/old.txt").c_str(), 0444), 0);
  }
  Connected c = ConnectInProcess(dir.Path());
  ASSERT_FALSE(c.client->Handshake());
  ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::Exclusive, false));
  std::error_code answer = remote::MakeError(remote::ProtocolFault::Timeout);
  const remote::FileBeginReply file{false, w.announced, 04640, Time(2000, 5)};
  c.client->Write(
      remote::WriteBeginRequest{"d/", "old.txt", w.destination, file},
      [&](const std::function<void(std::string_view)>& send) {
        send(w.sent);
        return !w.sourceFails;
      },
      [&](std::error_code error) { answer = error; });
  c.client->Settle();
  EXPECT_EQ(!answer, w.done) << answer.message();
  EXPECT_EQ(ReadFile(dir / "d/old.txt"), w.done ? w.sent : "old");
  EXPECT_EQ(TimeOf(dir / "d/old.txt"), w.done ? Time(2000, 5) : Time(1000));
  // The set-id bit is dropped; nothing but the file is there.
  if (w.done) {
    EXPECT_EQ(ModeOf(dir / "d/old.txt") & 07777, 0640u);
  }
  EXPECT_EQ(FolderNames(dir / "d"), std::vector<std::string>{"old.txt"});
  // The connection goes on after a refused write.
  EXPECT_TRUE(c.client->LookUp("d/", "old.txt").ok());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoteWrites,
    ::testing::Values(WriteCase{"AsSeen", Expectation::File(Time(1000)), 5, "hello", false, true},
                      WriteCase{"ChangedSince", Expectation::File(Time(999)), 5, "hello", false, false},
                      WriteCase{"ExpectedAbsent", Expectation{Expectation::Kind::Absent, {}}, 5, "hello", false, false},
                      WriteCase{"ShorterThanAnnounced", Expectation::File(Time(1000)), 9, "hello", false, false},
                      WriteCase{"LongerThanAnnounced", Expectation::File(Time(1000)), 3, "hello", false, false},
                      WriteCase{"SourceFailed", Expectation::File(Time(1000)), 5, "hello", true, false},
                      WriteCase{"Empty", Expectation::File(Time(1000)), 0, "", false, true},
                      WriteCase{"ReadOnlyDestination", Expectation::File(Time(1000)), 5, "hello", false, false, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(RemoteEdits, DeleteAndMakeFoldersFollowTheLocalRules) {
  TempDir dir;
  WriteTree(dir.Path(), {{"keep.txt", "k", Time(1000)}, {"old", std::nullopt, Time(1000)}});
  Connected c = ConnectInProcess(dir.Path());
  ASSERT_FALSE(c.client->Handshake());
  ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::Exclusive, false));
  std::vector<std::error_code> answers;
  const auto note = [&](std::error_code error) { answers.push_back(error); };
  c.client->Delete({"", "keep.txt", Expectation::File(Time(999)), false}, note);  // changed since
  c.client->MakeFolder({"new/deeper/", "leaf"}, note);                           // parents made too
  c.client->MakeFolder({"", "old"}, note);                                       // there already
  c.client->SetFolderTime({"new/", "deeper", {}, Time(3000)}, note);            // made now
  c.client->SetFolderTime({"", "old", {}, Time(3000)}, note);                   // not made now
  c.client->Settle();
  ASSERT_EQ(answers.size(), 5u);
  EXPECT_EQ(answers[0], platform::MakeError(platform::Fault::ChangedSinceList));
  EXPECT_FALSE(answers[1]);
  EXPECT_FALSE(answers[2]);
  EXPECT_FALSE(answers[3]);
  EXPECT_EQ(answers[4], platform::MakeError(platform::Fault::ChangedSinceList));
  EXPECT_TRUE(Exists(dir / "keep.txt"));
  EXPECT_TRUE(Exists(dir / "new/deeper/leaf"));
  EXPECT_EQ(TimeOf(dir / "new/deeper"), Time(3000));
  EXPECT_EQ(TimeOf(dir / "old"), Time(1000));
}

// Moving aside and removing a tree the list saw: never over another entry,
// never an entry that changed since, never outside the folder, and the top
// folder only once it is empty.
TEST(RemoteEdits, RenamesAndTreeRemovalsFollowTheLocalRules) {
  TempDir dir;
  WriteTree(dir.Path(), {{"a", "a", Time(1000)},
                         {"b", "b", Time(1000)},
                         {"gone/sub/g", "g", Time(1000)},
                         {"gone/f", "f", Time(1000)},
                         {"kept/f", "f", Time(1000)},
                         {"kept/h", "h", Time(1000)}});
  Connected c = ConnectInProcess(dir.Path());
  ASSERT_FALSE(c.client->Handshake());
  ASSERT_TRUE(c.client->OpenRoot(remote::LockMode::Exclusive, false));
  std::vector<std::error_code> answers;
  const auto note = [&](std::error_code error) { answers.push_back(error); };
  c.client->Rename({"", "a", Expectation::File(Time(1000)), "b"}, note);
  c.client->Rename({"", "a", Expectation::File(Time(999)), "c"}, note);
  c.client->Rename({"", "a", Expectation::File(Time(1000)), "c"}, note);
  c.client->DeleteTree({"", "gone", false, true, {{"sub/g", false, Time(1000)}, {"sub", true, {}}, {"f", false, Time(1000)}}},
                       note);
  c.client->DeleteTree({"", "kept", false, true, {{"h", false, Time(1000)}, {"f", false, Time(999)}}}, note);
  c.client->DeleteTree({"", "c", false, true, {{"../b", false, Time(1000)}}}, note);
  c.client->Settle();
  ASSERT_EQ(answers.size(), 6u);
  EXPECT_EQ(answers[0], std::errc::file_exists);
  EXPECT_EQ(answers[1], platform::MakeError(platform::Fault::ChangedSinceList));
  EXPECT_FALSE(answers[2]);
  EXPECT_FALSE(answers[3]);
  EXPECT_EQ(answers[4], platform::MakeError(platform::Fault::ChangedSinceList));
  EXPECT_EQ(answers[5], remote::MakeError(remote::ProtocolFault::BadFrame));
  EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"b", "c", "kept"}));
  EXPECT_EQ(FolderNames(dir / "kept"), std::vector<std::string>{"f"});
}

}  // namespace
}  // namespace orvel::test
