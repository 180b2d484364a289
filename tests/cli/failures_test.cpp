// What orvel-cli does with trees that fight back: unreadable folders, busy
// folders, an empty base, nested and respelled roots, and signals.

#include "cli_process.h"
#include "platform/folder_lock.h"
#include "support/temp_tree.h"
#include "support/unprivileged.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <thread>

#include <sys/stat.h>

namespace orvel::test {
namespace {

using ::testing::HasSubstr;

constexpr std::int64_t kT = 1600000000;

// Complete sync once deleted the target's copy of a file in an unreadable base
// folder and ended with status 0.
TEST(CliFailures, AnUnreadableFolderIsReportedAndNothingBelowItIsTouched) {
  TempDir dir;
  WriteFile(dir / "base/sub/keep.txt", "base", Time(kT));
  WriteFile(dir / "base/a.txt", "base", Time(kT));
  WriteFile(dir / "target/sub/keep.txt", "target", Time(kT));
  HandOver(dir.Path());
  ASSERT_EQ(::chmod((dir / "base/sub").c_str(), 0), 0);
  const CliResult sync = RunCliUnprivileged({"sync", dir / "base", dir / "target", "--complete"});
  const CliResult json = RunCliUnprivileged({"list", dir / "base", dir / "target", "--json"});
  ::chmod((dir / "base/sub").c_str(), 0755);
  if (::geteuid() != 0 && ::access((dir / "base/sub").c_str(), R_OK) == 0) GTEST_SKIP() << "permissions not enforced";

  EXPECT_EQ(sync.status, 3) << sync.err;
  EXPECT_THAT(sync.out, HasSubstr("sub\t\t?\t\t" + dir / "base/\n"));
  EXPECT_THAT(sync.out, HasSubstr("a.txt\t"));
  EXPECT_THAT(sync.out, ::testing::Not(HasSubstr("keep.txt")));
  EXPECT_THAT(sync.err, HasSubstr("orvel-cli: " + dir / "base/sub: アクセスが拒否されました\n"));
  EXPECT_EQ(ReadFile(dir / "target/sub/keep.txt"), "target");
  EXPECT_EQ(ReadFile(dir / "target/a.txt"), "base");

  // List creation that cannot read everything says so too.
  EXPECT_EQ(json.status, 3);
  EXPECT_THAT(json.out, HasSubstr("\"name\":\"sub\""));
  EXPECT_THAT(json.out, HasSubstr("\"error\":\"Permission denied\""));
}

TEST(CliFailures, ABusyFolderEndsTheRun) {
  TempDir dir;
  WriteFile(dir / "base/a.txt", "a", Time(kT));
  MakeFolder(dir / "target", Time(kT));
  auto target = platform::Folder::OpenRoot(dir / "target");
  ASSERT_TRUE(target);
  auto lock = platform::FolderLock::Acquire(*target, platform::FolderLock::Mode::Exclusive);
  ASSERT_TRUE(lock);
  // --yes answers the folder question only; a busy folder is never waited for.
  const CliResult r = RunCliWithin(30000, {"sync", dir / "base", dir / "target", "--yes"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_THAT(r.err, HasSubstr(dir / "target"));
  EXPECT_FALSE(Exists(dir / "target/a.txt"));
}

// Complete sync with nothing at all in the base is far more often an unmounted
// disk than an intent.
TEST(CliFailures, AnEmptyBaseStopsCompleteSyncUnlessAllowed) {
  TempDir dir;
  MakeFolder(dir / "base", Time(kT));
  WriteFile(dir / "target/precious.txt", "x", Time(kT));
  for (const std::vector<std::string>& extra : {std::vector<std::string>{}, {"--yes"}}) {
    std::vector<std::string> args = {"sync", dir / "base", dir / "target", "--complete"};
    args.insert(args.end(), extra.begin(), extra.end());
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("--allow-empty-base"));
    EXPECT_TRUE(Exists(dir / "target/precious.txt"));
  }
  const CliResult allowed = RunCli({"sync", dir / "base", dir / "target", "--complete", "--allow-empty-base"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_FALSE(Exists(dir / "target/precious.txt"));
  // Without --complete nothing is deleted, so nothing is asked.
  WriteFile(dir / "target/again.txt", "x", Time(kT));
  EXPECT_EQ(RunCli({"sync", dir / "base", dir / "target"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "base/again.txt"), "x");
}

// The nested-base guard once compared strings: a relative spelling deleted the
// base's own files.
TEST(CliFailures, NestedAndRespelledRootsAreRecognised) {
  TempDir dir;
  WriteFile(dir / "a/sub/own.txt", "base's own", Time(kT));
  WriteFile(dir / "a/extra.txt", "target only", Time(kT));
  const CliResult nested = RunCli({"sync", "a/sub", "./a", "--complete"}, dir.Path());
  EXPECT_EQ(nested.status, 0) << nested.err;
  EXPECT_EQ(ReadFile(dir / "a/sub/own.txt"), "base's own");
  EXPECT_EQ(ReadFile(dir / "a/own.txt"), "base's own");
  EXPECT_FALSE(Exists(dir / "a/extra.txt"));

  const CliResult same = RunCli({"list", "/", "//"});
  EXPECT_EQ(same.status, 1);
  EXPECT_THAT(same.err, HasSubstr("「基本フォルダ」と「対照フォルダ」が同じです"));
}

bool HasEntry(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  bool found = false;
  while (const dirent* e = ::readdir(dir)) {
    if (e->d_name[0] != '.') {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

// SIGTERM and SIGHUP once ended a run in the middle of a copy; they now stop it
// after the entry in progress, as Ctrl+C does.
TEST(CliFailures, TerminationSignalsCancelLikeCtrlC) {
  constexpr int kFiles = 3000;
  TempDir base;
  for (int i = 0; i < kFiles; ++i) WriteFile(base / ("f" + std::to_string(i)), "x", Time(kT));
  for (const int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    TempDir target;
    CliProcess process({"sync", base.Path(), target.Path()});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!HasEntry(target.Path()) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    process.Signal(signal);
    const CliResult r = process.Finish();
    EXPECT_EQ(r.status, 130) << "signal " << r.signal << " " << r.err;
    EXPECT_EQ(r.signal, 0);
    // Everything listed as copied is complete; nothing half-written remains.
    for (const auto& entry : ReadTree(target.Path())) EXPECT_EQ(entry.content, "x") << entry.path;
  }
}

}  // namespace
}  // namespace orvel::test
