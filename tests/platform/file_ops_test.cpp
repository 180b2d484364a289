// Copy, delete and folder creation through verified folders.
#include "platform/file_ops.h"
#include "platform/temporary_name.h"

#include "support/loop_mount.h"
#include "support/temp_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <fcntl.h>
#include <unistd.h>

namespace orvel::platform {
namespace {

using test::Exists;
using test::FolderNames;
using test::ModeOf;
using test::ReadFile;
using test::SetTime;
using test::TempDir;
using test::Time;
using test::TimeOf;
using test::WriteFile;
using test::WriteLeftover;

std::string LinkTarget(const std::string& path) {
  std::error_code ec;
  return std::filesystem::read_symlink(path, ec).string();
}

std::string Binary(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 7) & 0xff);
  return data;
}

Folder Open(const std::string& path) {
  Expected<Folder> folder = Folder::OpenRoot(path);
  EXPECT_TRUE(folder) << path << ": " << folder.error().message();
  return folder ? std::move(*folder) : Folder{};
}

// Copies the entry `name` of folder `from` into folder `to`.
std::error_code Copy(const std::string& from, const std::string& to, const std::string& name,
                     Expectation source = {}, Expectation destination = {}) {
  return CopyEntryAt(Open(from), name, source, Open(to), destination);
}

std::error_code Changed() { return MakeError(Fault::ChangedSinceList); }
std::error_code Errno(int e) { return SystemError(e); }

TEST(CopyEntryTest, KeepsContentsPermissionBitsAndNanosecondTimeButNoSetIdBits) {
  TempDir dir;
  const std::string content = Binary(300 * 1024);
  WriteFile(dir / "a/plain.bin", content, Time(1'600'000'000, 123'456'789));
  ASSERT_EQ(::chmod((dir / "a/plain.bin").c_str(), 0750), 0);
  // Copies belong to whoever runs the sync: a set-user-id file of someone else
  // must not become a set-user-id file of root.
  WriteFile(dir / "a/setid", "#!/bin/sh\n", Time(1'600'000'000));
  ASSERT_EQ(::chmod((dir / "a/setid").c_str(), 06755), 0);
  test::MakeFolder(dir / "b", Time(1));

  ASSERT_FALSE(Copy(dir / "a", dir / "b", "plain.bin"));
  ASSERT_FALSE(Copy(dir / "a", dir / "b", "setid"));

  EXPECT_EQ(ReadFile(dir / "b/plain.bin"), content);
  EXPECT_EQ(ModeOf(dir / "b/plain.bin") & 07777, 0750u);
  EXPECT_TRUE(S_ISREG(ModeOf(dir / "b/plain.bin")));
  EXPECT_EQ(TimeOf(dir / "b/plain.bin"), Time(1'600'000'000, 123'456'789));
  EXPECT_EQ(ModeOf(dir / "b/setid") & 07777, 0755u);
  EXPECT_EQ(ReadFile(dir / "a/plain.bin"), content);
  EXPECT_EQ(FolderNames(dir / "b"), (std::vector<std::string>{"plain.bin", "setid"}));
}

// As root a copy keeps its owner, like cp -a, but never the file's capabilities:
// they are privileges, like the set-id bits.
TEST(CopyEntryTest, AsRootACopyKeepsItsOwnerButNoCapabilities) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file away or capabilities";
  TempDir dir;
  WriteFile(dir / "a/tool", "#!/bin/sh\n", Time(1'600'000'000));
  ASSERT_EQ(::chown((dir / "a/tool").c_str(), 65534, 65533), 0);
  // struct vfs_cap_data, revision 2: cap_net_raw permitted and effective.
  const std::uint32_t cap[5] = {0x02000001, 1u << 13, 0, 0, 0};
  if (::setxattr((dir / "a/tool").c_str(), "security.capability", cap, sizeof cap, 0) != 0)
    GTEST_SKIP() << "no capabilities here: " << std::strerror(errno);
  test::MakeFolder(dir / "b", Time(1));
  ASSERT_FALSE(Copy(dir / "a", dir / "b", "tool"));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "b/tool").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65533u);
  char value[64];
  EXPECT_LT(::getxattr((dir / "b/tool").c_str(), "security.capability", value, sizeof value), 0);
}

// Holes stay holes and every byte of the data around them is copied, also a
// data region that ends on a block boundary.
TEST(CopyEntryTest, SparseDataRegionsArrivePrecisely) {
  TempDir dir;
  test::MakeFolder(dir / "a", Time(1));
  test::MakeFolder(dir / "b", Time(1));
  const int fd = ::open((dir / "a/sparse").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  const std::string block = Binary(4096);
  for (const off_t at : {off_t{0}, off_t{1} << 20, (off_t{3} << 20) + 4096})
    ASSERT_EQ(::pwrite(fd, block.data(), block.size(), at), 4096);
  ASSERT_EQ(::ftruncate(fd, off_t{4} << 20), 0);
  ::close(fd);
  ASSERT_FALSE(Copy(dir / "a", dir / "b", "sparse"));
  EXPECT_TRUE(ReadFile(dir / "b/sparse") == ReadFile(dir / "a/sparse"));
}

// Where the destination's file system has neither renames that never replace,
// exchanges nor links, the new file takes its place by a plain rename: the
// last look right before it still keeps it off a file that appeared or changed.
TEST(CopyEntryTest, APlainRenameStillNeverLandsOnWhatChanged) {
  struct Case {
    const char* what;
    bool destinationThere;
    const char* after;
  };
  for (const Case c : {Case{"a file appeared", false, "appeared"}, Case{"the file was rewritten", true, "OLD"}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "a/doc", "new", Time(1'700'000'000));
    test::MakeFolder(dir / "b", Time(1));
    if (c.destinationThere) WriteFile(dir / "b/doc", "old", Time(1'600'000'000));
    Folder to = Open(dir / "b");
    CopySession session;
    CopySession::Device& device = session.DeviceOf(to.Id().device, to.Fd());
    device.noTmpfile = device.noNoReplace = device.noExchange = device.noHardLinks = true;
    session.SetProbe([&](CopyStage stage) {
      if (stage == CopyStage::BeforeDestinationCheck) WriteFile(dir / "b/doc", c.after, Time(1'600'000'000));
    });
    const Expectation destination = c.destinationThere ? Expectation::File(Time(1'600'000'000))
                                                       : Expectation{Expectation::Kind::Absent, {}};
    EXPECT_EQ(CopyEntryAt(Open(dir / "a"), "doc", {}, to, destination, session), Changed());
    EXPECT_EQ(ReadFile(dir / "b/doc"), c.after);
    EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{"doc"});
  }
}

// A second name of a file links to the first name's copy only while the source
// is as it was copied: rewritten since (same size, its time put back), the
// second name gets a copy of its own.
TEST(CopyEntryTest, ASecondNameNeverLinksToACopyOfAnOlderVersion) {
  TempDir dir;
  WriteFile(dir / "a/one", "v1", Time(1'700'000'000));
  ASSERT_EQ(::link((dir / "a/one").c_str(), (dir / "a/two").c_str()), 0);
  test::MakeFolder(dir / "b", Time(1));
  CopySession session;
  ASSERT_FALSE(CopyEntryAt(Open(dir / "a"), "one", {}, Open(dir / "b"), {}, session));
  WriteFile(dir / "a/one", "v2", Time(1'700'000'000));
  ASSERT_FALSE(CopyEntryAt(Open(dir / "a"), "two", {}, Open(dir / "b"), {}, session));
  EXPECT_EQ(ReadFile(dir / "b/one"), "v1");
  EXPECT_EQ(ReadFile(dir / "b/two"), "v2");
}

TEST(CopyEntryTest, CopiesEmptyFileAndReadOnlySource) {
  TempDir dir;
  WriteFile(dir / "a/empty", "", Time(1'000, 1));
  WriteFile(dir / "a/locked", "keep", Time(2'000, 2));
  ASSERT_EQ(::chmod((dir / "a/locked").c_str(), 0444), 0);
  test::MakeFolder(dir / "b", Time(1));

  ASSERT_FALSE(Copy(dir / "a", dir / "b", "empty"));
  ASSERT_FALSE(Copy(dir / "a", dir / "b", "locked"));

  EXPECT_EQ(ReadFile(dir / "b/empty"), "");
  EXPECT_EQ(TimeOf(dir / "b/empty"), Time(1'000, 1));
  EXPECT_EQ(ReadFile(dir / "b/locked"), "keep");
  EXPECT_EQ(ModeOf(dir / "b/locked") & 07777, 0444u);
}

// A file of another file system that refuses the kernel copy (here /proc,
// which also reports no size) still arrives whole through plain reads.
TEST(CopyEntryTest, CopiesPseudoFileThroughReads) {
  TempDir dir;
  ASSERT_FALSE(Copy("/proc/self", dir.Path(), "cmdline"));
  const std::string copied = ReadFile(dir / "cmdline");
  EXPECT_FALSE(copied.empty());
  EXPECT_EQ(copied, ReadFile("/proc/self/cmdline"));
}

TEST(CopyEntryTest, ReplacesExistingDestinationWithoutLeftovers) {
  TempDir dir;
  WriteFile(dir / "a/new.txt", "new contents", Time(1'700'000'000, 5));
  WriteFile(dir / "b/new.txt", "old and longer contents", Time(1'500'000'000, 7));
  ASSERT_EQ(::chmod((dir / "b/new.txt").c_str(), 0600), 0);
  ASSERT_EQ(::chmod((dir / "a/new.txt").c_str(), 0664), 0);

  ASSERT_FALSE(Copy(dir / "a", dir / "b", "new.txt", Expectation::File(Time(1'700'000'000, 5)),
                    Expectation::File(Time(1'500'000'000, 7))));

  EXPECT_EQ(ReadFile(dir / "b/new.txt"), "new contents");
  EXPECT_EQ(TimeOf(dir / "b/new.txt"), Time(1'700'000'000, 5));
  EXPECT_EQ(ModeOf(dir / "b/new.txt") & 07777, 0664u);
  EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{"new.txt"});
}

TEST(CopyEntryTest, RefusalsTouchNothing) {
  TempDir dir;
  WriteFile(dir / "a/ro", "newer", Time(1'700'000'000));
  WriteFile(dir / "b/ro", "older", Time(1'600'000'000, 42));
  ASSERT_EQ(::chmod((dir / "b/ro").c_str(), 0444), 0);
  // Read-only means no write bit at all: a file only its group may write is replaced.
  WriteFile(dir / "a/group", "new", Time(1'700'000'000));
  WriteFile(dir / "b/group", "old", Time(1'600'000'000));
  ASSERT_EQ(::chmod((dir / "b/group").c_str(), 0460), 0);
  test::MakeFolder(dir / "a/folder", Time(2));
  WriteFile(dir / "a/taken", "x", Time(3));
  test::MakeFolder(dir / "b/taken", Time(3));
  ASSERT_EQ(::mkfifo((dir / "a/pipe").c_str(), 0644), 0);

  struct Case {
    const char* name;
    std::error_code expected;
  };
  const Case cases[] = {
      {"ro", MakeError(Fault::ReadOnly)},        // no write bit: refused also to root
      {"folder", Errno(EISDIR)},                 // folders are made, not copied
      {"taken", Errno(EISDIR)},                  // never over a folder
      {"pipe", MakeError(Fault::SpecialFile)},   // never opened: it would wait for a writer
      {"absent", Errno(ENOENT)},
      {"group", {}},
  };
  ::alarm(10);
  for (const Case& c : cases) EXPECT_EQ(Copy(dir / "a", dir / "b", c.name), c.expected) << c.name;
  ::alarm(0);
  EXPECT_EQ(ReadFile(dir / "b/ro"), "older");
  EXPECT_EQ(TimeOf(dir / "b/ro"), Time(1'600'000'000, 42));
  EXPECT_EQ(ModeOf(dir / "b/ro") & 07777, 0444u);
  EXPECT_TRUE(std::filesystem::is_empty(dir / "b/taken"));
  EXPECT_EQ(ReadFile(dir / "b/group"), "new");
  EXPECT_EQ(FolderNames(dir / "b"), (std::vector<std::string>{"group", "ro", "taken"}));
}

// A write that hits the file size limit stands for a full disk: the copy must
// fail without touching an existing destination or leaving a temporary file.
TEST(CopyEntryTest, CopyFailingMidwayLeavesDestinationAsItWas) {
  TempDir dir;
  WriteFile(dir / "src/big", Binary(1024 * 1024), Time(1'700'000'000));
  WriteFile(dir / "dst/big", "previous version", Time(1'600'000'000, 9));
  test::MakeFolder(dir / "fresh", Time(1));

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(10);
    if (Copy(dir / "src", dir / "dst", "big") != Errno(EFBIG)) ::_exit(11);
    if (Copy(dir / "src", dir / "fresh", "big") != Errno(EFBIG)) ::_exit(12);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);

  EXPECT_EQ(ReadFile(dir / "dst/big"), "previous version");
  EXPECT_EQ(TimeOf(dir / "dst/big"), Time(1'600'000'000, 9));
  EXPECT_EQ(FolderNames(dir / "dst"), std::vector<std::string>{"big"});
  EXPECT_TRUE(FolderNames(dir / "fresh").empty());
}

TEST(CopyEntryTest, CopiesSymbolicLinkAsLinkWithItsOwnTime) {
  TempDir dir;
  WriteFile(dir / "src/target.txt", "pointed at", Time(1'111'111'111, 1));
  ASSERT_EQ(::symlink("target.txt", (dir / "src/link").c_str()), 0);
  ASSERT_EQ(::symlink("../nowhere", (dir / "src/dangling").c_str()), 0);
  test::SetTime(dir / "src/link", Time(1'234'567'890, 987'654'321));
  test::SetTime(dir / "src/dangling", Time(1'300'000'000, 3));
  test::MakeFolder(dir / "dst", Time(1));
  WriteFile(dir / "dst/dangling", "a file to be replaced by the link", Time(5));

  ASSERT_FALSE(Copy(dir / "src", dir / "dst", "link"));
  ASSERT_FALSE(Copy(dir / "src", dir / "dst", "dangling"));

  EXPECT_TRUE(S_ISLNK(ModeOf(dir / "dst/link")));
  EXPECT_EQ(LinkTarget(dir / "dst/link"), "target.txt");
  EXPECT_EQ(TimeOf(dir / "dst/link"), Time(1'234'567'890, 987'654'321));
  EXPECT_TRUE(S_ISLNK(ModeOf(dir / "dst/dangling")));
  EXPECT_EQ(LinkTarget(dir / "dst/dangling"), "../nowhere");
  EXPECT_EQ(TimeOf(dir / "dst/dangling"), Time(1'300'000'000, 3));
  EXPECT_EQ(FolderNames(dir / "dst"), (std::vector<std::string>{"dangling", "link"}));  // no target.txt
}

TEST(CopyEntryTest, ReplacesLinkAtDestinationInsteadOfWritingThroughIt) {
  TempDir dir;
  WriteFile(dir / "a/dst", "fresh", Time(1'700'000'000));
  WriteFile(dir / "victim", "must stay", Time(1'000'000'000));
  test::MakeFolder(dir / "b", Time(1));
  ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "b/dst").c_str()), 0);

  ASSERT_FALSE(Copy(dir / "a", dir / "b", "dst"));

  EXPECT_TRUE(S_ISREG(ModeOf(dir / "b/dst")));
  EXPECT_EQ(ReadFile(dir / "b/dst"), "fresh");
  EXPECT_EQ(ReadFile(dir / "victim"), "must stay");
  EXPECT_EQ(TimeOf(dir / "victim"), Time(1'000'000'000));
}

TEST(CopyEntryTest, OddAndLongestNamesSurviveByteExact) {
  TempDir dir;
  // The temporary name adds a prefix and a suffix; a name already at the
  // length limit must still be replaceable.
  for (const std::string& name : {std::string("line\nbreak \xff\xfe\x80 ") + "\xe6\x97\xa5.txt", std::string(255, 'n')}) {
    WriteFile(dir / ("a/" + name), "new", Time(1'650'000'000, 77));
    WriteFile(dir / ("b/" + name), "old", Time(1'600'000'000, 1));
    ASSERT_FALSE(Copy(dir / "a", dir / "b", name));
    EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{name});
    EXPECT_EQ(ReadFile(dir / ("b/" + name)), "new");
    EXPECT_EQ(TimeOf(dir / ("b/" + name)), Time(1'650'000'000, 77));
    std::filesystem::remove_all(dir / "a");
    std::filesystem::remove_all(dir / "b");
  }
}

// A copy acts only on the entries as the caller saw them, and says why not.
TEST(CopyEntryTest, EntriesThatChangedAreLeftAlone) {
  TempDir dir;
  WriteFile(dir / "a/x", "new", Time(1'700'000'000, 5));
  WriteFile(dir / "b/x", "old", Time(1'600'000'000, 7));
  const auto source = Expectation::File(Time(1'700'000'000, 5));
  const auto destination = Expectation::File(Time(1'600'000'000, 7));

  struct Case {
    const char* what;
    Expectation source;
    Expectation destination;
  };
  const Case cases[] = {
      {"the source is newer than listed", Expectation::File(Time(1'700'000'000, 6)), destination},
      {"the destination was saved", source, Expectation::File(Time(1'600'000'001, 7))},
      {"the destination appeared", source, Expectation{Expectation::Kind::NoFile, {}}},
      {"a folder was listed", source, Expectation::Folder(Time(1'600'000'000, 7))},
  };
  for (const Case& c : cases) EXPECT_EQ(Copy(dir / "a", dir / "b", "x", c.source, c.destination), Changed()) << c.what;
  EXPECT_EQ(ReadFile(dir / "b/x"), "old");
  EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{"x"});

  EXPECT_FALSE(Copy(dir / "a", dir / "b", "x", source, destination));
  EXPECT_EQ(ReadFile(dir / "b/x"), "new");

  // A source that vanished since it was listed, and a destination that did.
  EXPECT_EQ(Copy(dir / "a", dir / "b", "gone", source, {}), Changed());
  test::MakeFolder(dir / "c", Time(1));
  EXPECT_EQ(Copy(dir / "a", dir / "c", "x", source, destination), Changed());
  EXPECT_FALSE(Exists(dir / "c/x"));
}

// A copy listed as new (nothing, or a folder, at the destination) lands beside
// nothing: whatever stands there by then is kept, a folder saying so with
// EISDIR, anything else as a change, and no temporary is left.
TEST(CopyEntryTest, ANewFileNeverLandsOnWhatAppeared) {
  TempDir dir;
  for (const std::string name : {"folder", "file", "readonly", "link", "free"}) WriteFile(dir / ("a/" + name), "new", Time(2));
  test::MakeFolder(dir / "b/folder", Time(1));
  WriteFile(dir / "b/file", "saved", Time(1));
  WriteFile(dir / "b/readonly", "kept", Time(1));
  ASSERT_EQ(::chmod((dir / "b/readonly").c_str(), 0444), 0);
  ASSERT_EQ(::symlink("nowhere", (dir / "b/link").c_str()), 0);
  const Expectation noFile{Expectation::Kind::NoFile, {}};
  const Expectation absent{Expectation::Kind::Absent, {}};
  const struct {
    const char* name;
    Expectation destination;
    std::error_code expected;
  } cases[] = {
      {"folder", noFile, Errno(EISDIR)}, {"folder", absent, Changed()},  {"file", noFile, Changed()},
      {"readonly", noFile, Changed()},   {"link", noFile, Changed()},    {"link", absent, Changed()},
      {"free", absent, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Copy(dir / "a", dir / "b", c.name, Expectation::File(Time(2)), c.destination), c.expected) << c.name;
  }
  EXPECT_EQ(ReadFile(dir / "b/file"), "saved");
  EXPECT_EQ(ReadFile(dir / "b/readonly"), "kept");
  EXPECT_EQ(ReadFile(dir / "b/free"), "new");
  EXPECT_TRUE(std::filesystem::is_empty(dir / "b/folder"));
  EXPECT_EQ(FolderNames(dir / "b"), (std::vector<std::string>{"file", "folder", "free", "link", "readonly"}));
}

// A file saved while the copy runs is never replaced by it: the destination is
// checked again right before the new file takes its place. The save is made the
// moment the copy opens its source, after the first check.
TEST(CopyEntryTest, SaveDuringTheCopyWins) {
  TempDir dir;
  WriteFile(dir / "a/doc", Binary(32 * 1024 * 1024), Time(1'700'000'000));
  WriteFile(dir / "b/doc", "old", Time(1'600'000'000));
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, (dir / "a/doc").c_str(), IN_OPEN), 0);
  std::thread saver([&] {
    char event[sizeof(inotify_event) + 256];
    if (::read(watch, event, sizeof event) > 0) WriteFile(dir / "b/doc", "saved meanwhile", Time(1'650'000'000));
  });
  const std::error_code error = Copy(dir / "a", dir / "b", "doc", Expectation::File(Time(1'700'000'000)),
                                     Expectation::File(Time(1'600'000'000)));
  saver.join();
  ::close(watch);
  EXPECT_EQ(ReadFile(dir / "b/doc"), "saved meanwhile");
  EXPECT_EQ(error, Changed());
  EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{"doc"});
}

// The last checks of a copy, each with a change made at the one moment only it
// can see: the source written to while it was read, the destination rewritten
// with its old time put back (only the change time tells), and the destination
// replaced between its check and the exchange.
TEST(CopyEntryTest, ChangesAtTheLastMomentAreSeen) {
  struct Case {
    const char* what;
    CopyStage stage;
    const char* name;
    std::function<void(const TempDir&)> change;
    const char* destinationAfter;
  };
  const Case cases[] = {
      {"source written", CopyStage::ContentsWritten, "doc",
       [](const TempDir& d) { WriteFile(d / "a/doc", "new, longer", Time(1'700'000'000)); }, "old"},
      {"destination rewritten, time restored", CopyStage::BeforeDestinationCheck, "doc",
       [](const TempDir& d) { WriteFile(d / "b/doc", "OLD", Time(1'600'000'000)); }, "OLD"},
      {"destination replaced", CopyStage::BeforeExchange, "doc",
       [](const TempDir& d) {
         WriteFile(d / "other", "odd", Time(1'600'000'000));
         std::filesystem::rename(d / "other", d / "b/doc");
       },
       "odd"},
      {"link replaced, text of the same length", CopyStage::ContentsWritten, "link",
       [](const TempDir& d) {
         std::filesystem::remove(d / "a/link");
         ASSERT_EQ(::symlink("nowherE", (d / "a/link").c_str()), 0);
         SetTime(d / "a/link", Time(1'700'000'000));
       },
       nullptr},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "a/doc", "new", Time(1'700'000'000));
    ASSERT_EQ(::symlink("nowhere", (dir / "a/link").c_str()), 0);
    SetTime(dir / "a/link", Time(1'700'000'000));
    WriteFile(dir / "b/doc", "old", Time(1'600'000'000));
    CopySession session;
    session.SetProbe([&](CopyStage stage) {
      if (stage == c.stage) c.change(dir);
    });
    const Expectation destination = c.destinationAfter ? Expectation::File(Time(1'600'000'000))
                                                       : Expectation{Expectation::Kind::NoFile, {}};
    EXPECT_EQ(CopyEntryAt(Open(dir / "a"), c.name, Expectation::File(Time(1'700'000'000)), Open(dir / "b"),
                          destination, session),
              Changed())
        << c.what;
    if (c.destinationAfter) {
      EXPECT_EQ(ReadFile(dir / "b/doc"), c.destinationAfter) << c.what;
    }
    EXPECT_EQ(FolderNames(dir / "b"), std::vector<std::string>{"doc"}) << c.what;
  }
}

// What `cp -a` keeps: holes, user attributes and ACLs, and a second name of a
// file as a link to the first copy; a failure names the side it happened on.
TEST(CopyEntryTest, KeepsHolesAttributesAndHardLinks) {
  TempDir dir;
  WriteFile(dir / "a/one", "linked", Time(1'700'000'000, 3));
  ASSERT_EQ(::link((dir / "a/one").c_str(), (dir / "a/two").c_str()), 0);
  ASSERT_EQ(::setxattr((dir / "a/one").c_str(), "user.xdg.origin.url", "http://x", 8, 0), 0);
  const bool acl = test::RunCommand("setfacl -m u:65534:r " + dir / "a/one") == 0;
  const int image = ::open((dir / "a/image").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(image, 0);
  ASSERT_EQ(::pwrite(image, "data", 4, 64 << 20), 4);
  ASSERT_EQ(::ftruncate(image, 128 << 20), 0);
  ::close(image);
  test::MakeFolder(dir / "b", Time(1));
  CopySession session;
  for (const char* name : {"one", "two", "image"}) ASSERT_FALSE(CopyEntryAt(Open(dir / "a"), name, {}, Open(dir / "b"), {}, session)) << name;

  struct stat one {}, two {}, src {}, copy {};
  ASSERT_EQ(::stat((dir / "b/one").c_str(), &one), 0);
  ASSERT_EQ(::stat((dir / "b/two").c_str(), &two), 0);
  EXPECT_EQ(one.st_ino, two.st_ino);
  char value[64];
  EXPECT_EQ(::getxattr((dir / "b/one").c_str(), "user.xdg.origin.url", value, sizeof value), 8);
  if (acl) {
    EXPECT_GT(::getxattr((dir / "b/one").c_str(), "system.posix_acl_access", value, sizeof value), 0);
  }
  ASSERT_EQ(::stat((dir / "a/image").c_str(), &src), 0);
  ASSERT_EQ(::stat((dir / "b/image").c_str(), &copy), 0);
  EXPECT_EQ(copy.st_size, 128 << 20);
  EXPECT_LE(copy.st_blocks, src.st_blocks + copy.st_blksize / 512);

  CopyFaultSide side = CopyFaultSide::Destination;
  ASSERT_EQ(::chmod((dir / "a/one").c_str(), 0), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(CopyEntryAt(Open(dir / "a"), "one", {}, Open(dir / "b"), {}, session, &side), Errno(EACCES));
    EXPECT_EQ(side, CopyFaultSide::Source);
  }
  EXPECT_EQ(CopyEntryAt(Open(dir / "a"), "gone", {}, Open(dir / "b"), {}, session, &side), Errno(ENOENT));
  EXPECT_EQ(side, CopyFaultSide::Source);
}

TEST(DeleteEntryTest, DeletesFilesLinksAndEmptyFoldersAsSeenOnly) {
  TempDir dir;
  WriteFile(dir / "file", "x", Time(10));
  WriteFile(dir / "saved", "x", Time(11));
  WriteFile(dir / "locked", "x", Time(12));
  ASSERT_EQ(::chmod((dir / "locked").c_str(), 0444), 0);
  WriteFile(dir / "full/inner", "x", Time(13));
  test::MakeFolder(dir / "empty", Time(14));
  ASSERT_EQ(::symlink("/", (dir / "link").c_str()), 0);
  const Folder folder = Open(dir.Path());

  EXPECT_FALSE(DeleteEntryAt(folder, "file", Expectation::File(Time(10)), false));
  EXPECT_EQ(DeleteEntryAt(folder, "saved", Expectation::File(Time(10)), false), Changed());
  EXPECT_EQ(DeleteEntryAt(folder, "locked", {}, false), MakeError(Fault::ReadOnly));
  EXPECT_EQ(DeleteEntryAt(folder, "full", {}, false), Errno(ENOTEMPTY));
  EXPECT_FALSE(DeleteEntryAt(folder, "empty", Expectation::Folder(Time(14)), false));
  EXPECT_FALSE(DeleteEntryAt(folder, "link", {}, false));  // the link, never what it points at
  EXPECT_EQ(DeleteEntryAt(folder, "absent", {}, false), Errno(ENOENT));
  EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::string>{"full", "locked", "saved"}));
}

TEST(MakeFolderTest, MakesOrFindsAFolderButNeverPassesAFileOrLink) {
  TempDir dir;
  WriteFile(dir / "file", "x", Time(1));
  ASSERT_EQ(::symlink("/tmp", (dir / "link").c_str()), 0);
  const Folder folder = Open(dir.Path());
  EXPECT_FALSE(MakeFolderAt(folder, "new"));
  EXPECT_FALSE(MakeFolderAt(folder, "new"));  // made meanwhile: fine
  EXPECT_EQ(MakeFolderAt(folder, "file"), Errno(EEXIST));
  EXPECT_EQ(MakeFolderAt(folder, "link"), Errno(EEXIST));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new"));
}

TEST(TemporaryNameTest, OnlyAMarkedTemporaryIsPassedOverAndRemoved) {
  TempDir dir;
  const std::string ours = TemporaryNameFor("report.txt");
  EXPECT_TRUE(ours.starts_with(".report.txt.orvel-"));
  EXPECT_EQ(ours.size(), std::string(".report.txt.orvel-").size() + 6);
  EXPECT_TRUE(IsTemporaryName(ours));
  EXPECT_LE(TemporaryNameFor(std::string(255, 'n')).size(), 255u);
  for (const char* other : {"report.txt", ".report.txt.orvel-", ".report.txt.orvel-abc", ".x.orvel-ab_def",
                            "x.orvel-abcdef", ".orvel-abcdef", "report.orvel-ab12cd"})
    EXPECT_FALSE(IsTemporaryName(other)) << other;

  WriteLeftover(dir / ours, "partial", Time(1));
  WriteFile(dir / ".users.orvel-abc123", "mine", Time(1));  // the name alone proves nothing
  WriteLeftover(dir / ".moved.orvel-abc123", "x", Time(1));
  ASSERT_EQ(::rename((dir / ".moved.orvel-abc123").c_str(), (dir / ".renamed.orvel-abc123").c_str()), 0);
  test::MakeFolder(dir / ".d.orvel-abcdef", Time(1));
  ASSERT_EQ(::mkfifo((dir / ".p.orvel-abcdef").c_str(), 0600), 0);
  const Folder folder = Open(dir.Path());
  LeftoverTally tally;
  for (const char* other : {".users.orvel-abc123", ".renamed.orvel-abc123", ".d.orvel-abcdef", ".p.orvel-abcdef", "x"})
    EXPECT_FALSE(PassOverTemporary(folder, other, true, &tally)) << other;
  EXPECT_TRUE(PassOverTemporary(folder, ours, false, &tally));
  EXPECT_TRUE(Exists(dir / ours));  // listing alone removes nothing
  EXPECT_TRUE(PassOverTemporary(folder, ours, true, &tally));
  EXPECT_EQ(tally.removed.load(), 1u);
  EXPECT_EQ(tally.unproven.load(), 0u);
  EXPECT_EQ(FolderNames(dir.Path()),
            (std::vector<std::string>{".d.orvel-abcdef", ".p.orvel-abcdef", ".renamed.orvel-abc123", ".users.orvel-abc123"}));
}

// A copy made through a named temporary never carries the mark, nor a source's.
TEST(TemporaryNameTest, CopiesNeverCarryTheMark) {
  TempDir dir;
  WriteLeftover(dir / "from/.a.orvel-abc123", "x", Time(1));
  ASSERT_EQ(::rename((dir / "from/.a.orvel-abc123").c_str(), (dir / "from/a").c_str()), 0);
  WriteFile(dir / "to/a", "old", Time(0));  // replaced through a temporary with a name
  const Folder from = Open(dir / "from");
  const Folder to = Open(dir / "to");
  ASSERT_FALSE(CopyEntryAt(from, "a", Expectation{}, to, Expectation{}));
  EXPECT_TRUE(::getxattr((dir / "to/a").c_str(), kTemporaryMark, nullptr, 0) < 0 && errno == ENODATA);
  EXPECT_EQ(ReadFile(dir / "to/a"), "x");
}

}  // namespace
}  // namespace orvel::platform
