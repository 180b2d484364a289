// Rows are written as soon as they are final, in list order, each failure line
// right after its row.

#include "cli_process.h"
#include "output.h"
#include "row_stream.h"
#include "support/temp_tree.h"
#include "terminal_progress.h"
#include "terminal_prompt.h"

#include "storage/working_data.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <set>
#include <system_error>

namespace orvel::test {
namespace {

constexpr std::int64_t kT = 1600000000;

// A stream into a pipe, and what a reader of the pipe has been handed so far.
class PipeReader {
 public:
  PipeReader() {
    if (::pipe2(fds_, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    ::fcntl(fds_[0], F_SETFL, O_NONBLOCK);
    file_ = ::fdopen(fds_[1], "w");
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);  // nothing leaves but by a flush
  }
  ~PipeReader() {
    std::fclose(file_);
    ::close(fds_[0]);
  }
  std::FILE* File() const { return file_; }
  const std::string& Delivered() {
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds_[0], buffer, sizeof buffer)) > 0;) seen_.append(buffer, static_cast<std::size_t>(n));
    return seen_;
  }

 private:
  int fds_[2] = {-1, -1};
  std::FILE* file_ = nullptr;
  std::string seen_;
};

engine::ResultRow MakeRow(std::uint32_t folder, engine::Mark mark, bool hasBase, bool hasTarget, engine::Side side) {
  engine::ResultRow row;
  row.folder = folder;
  row.baseTime = {1700000000, 0};
  row.targetTime = {1600000000, 0};
  row.hasBase = hasBase;
  row.hasTarget = hasTarget;
  row.mark = mark;
  row.result = mark;
  row.side = side;
  return row;
}

// The engine's calls of a sync run, one at a time: after each, what a reader
// has been handed. Where the run may wait next (an execution, a new condition, a
// failure's line, the end) that is every final row; elsewhere a part of them.
TEST(RowStreamTest, AnItemIsWrittenOnceFinalAndHandedOverBeforeTheRunWaits) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  using engine::Mark;
  using engine::Side;
  engine::RowStore rows;
  const std::uint32_t folder = rows.InternFolder("/b/", "/t/");
  const int newer = rows.Append("a.txt", MakeRow(folder, Mark::BaseNewer, true, true, Side::Base));
  engine::ResultRow same = MakeRow(folder, Mark::Same, true, true, Side::Base);
  same.targetTime = same.baseTime;
  const int equal = rows.Append("b.txt", same);
  const int extra = rows.Append("c.txt", MakeRow(folder, Mark::Delete, false, true, Side::Target));
  const int unjudged = rows.Append("d", MakeRow(folder, Mark::Failed, true, false, Side::Base));
  rows.SetError(unjudged, {std::make_error_code(std::errc::permission_denied), Side::Base});
  const int equal2 = rows.Append("e.txt", same);
  const int conflict = rows.Append("g.txt", MakeRow(folder, Mark::Conflict, true, true, Side::Base));
  const int only = rows.Append("f.txt", MakeRow(folder, Mark::BaseOnly, true, false, Side::Base));

  PipeReader reader;
  cli::RowStream stream(rows, {.syncRun = true,
                               .out = reader.File(),
                               .err = reader.File(),
                               .paced = true,
                               .language = cli::Language::English});
  const std::string b = "2023/11/14 22:13:20";
  const std::string t = "2020/09/13 12:26:40";
  const std::string row0 = "a.txt\t" + b + "\t>=\t" + b + "\t/b/\n";
  const std::string row1 = "b.txt\t" + b + "\t=\t" + b + "\t/b/\n";
  const std::string row2 = "c.txt\t\tX\t" + t + "\t/t/\n";
  const std::string row3 = "d\t" + b + "\t?\t\t/b/\norvel-cli: /b/d: Permission denied\n";
  const std::string row4 = "e.txt\t" + b + "\t=\t" + b + "\t/b/\n";
  const std::string rowC = "g.txt\t" + b + "\t!\t" + t + "\t/b/\n";
  const std::string row5 = "f.txt\t" + b + "\t?\t\t/b/\norvel-cli: /t/f.txt: Read-only file system\n";
  const struct {
    const char* what;
    std::function<void()> act;
    std::string written;
    bool delivered;
  } steps[] = {
      {"a row to execute is added", [&] { stream.AppendItem(newer); }, "", true},
      {"it is executed",
       [&] { stream.SetItemResult(0, {Mark::BaseSynced, engine::DateCopy::BaseOverTarget, {}}); }, row0, false},
      {"an identical pair needs nothing", [&] { stream.AppendItem(equal); }, row0 + row1, false},
      {"a deletion is added", [&] { stream.AppendItem(extra); }, row0 + row1, true},
      // The deletion was left as it was (a No): the next row makes it final.
      {"an unjudged row is added", [&] { stream.AppendItem(unjudged); }, row0 + row1 + row2 + row3, true},
      {"another identical pair", [&] { stream.AppendItem(equal2); }, row0 + row1 + row2 + row3 + row4, false},
      {"a conflict, never executed", [&] { stream.AppendItem(conflict); }, row0 + row1 + row2 + row3 + row4 + rowC,
       false},
      {"a new condition begins", [&] { stream.Heartbeat(true); }, row0 + row1 + row2 + row3 + row4 + rowC, true},
      {"a copy is added", [&] { stream.AppendItem(only); }, row0 + row1 + row2 + row3 + row4 + rowC, true},
      {"the copy fails",
       [&] {
         stream.SetItemResult(6, {Mark::Failed, engine::DateCopy::None,
                                  {std::make_error_code(std::errc::read_only_file_system), Side::Target}});
       },
       row0 + row1 + row2 + row3 + row4 + rowC + row5, true},
      {"the run ends", [&] { EXPECT_TRUE(stream.Finish()); }, row0 + row1 + row2 + row3 + row4 + rowC + row5, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    const std::string delivered = reader.Delivered();
    if (step.delivered) {
      EXPECT_EQ(delivered, step.written);
    } else {
      EXPECT_EQ(step.written.compare(0, delivered.size(), delivered), 0) << delivered;
    }
  }

  // Without a reader (a file) nothing is handed over before the buffer fills or
  // the run ends, also before an execution.
  PipeReader fileReader;
  cli::RowStream file(rows, {.syncRun = true, .out = fileReader.File(), .err = fileReader.File(), .paced = false});
  file.AppendItem(newer);
  file.SetItemResult(0, {Mark::BaseSynced, engine::DateCopy::BaseOverTarget, {}});
  file.AppendItem(extra);
  file.Heartbeat(true);
  EXPECT_EQ(fileReader.Delivered(), "");
  EXPECT_TRUE(file.Finish());
  EXPECT_EQ(fileReader.Delivered(), row0 + row2);

  // In list creation a row is final when it is added.
  PipeReader listReader;
  cli::RowStream list(rows, {.out = listReader.File(), .err = listReader.File()});
  list.AppendItem(newer);
  std::fflush(listReader.File());
  EXPECT_EQ(listReader.Delivered(), "a.txt\t" + b + "\t>\t" + t + "\t/b/\n");
}

// Every kind of row: copies both ways, an identical pair, one within the
// tolerance, one only in the base, a deletion and a copy that fails.
engine::CCondition MixedTree(const TempDir& dir) {
  WriteFile(dir / "base/newer.txt", "base", Time(kT + 60));
  WriteFile(dir / "target/newer.txt", "target", Time(kT));
  WriteFile(dir / "base/older.txt", "base", Time(kT));
  WriteFile(dir / "target/older.txt", "target", Time(kT + 30));
  WriteFile(dir / "base/same.txt", "same", Time(kT));
  WriteFile(dir / "target/same.txt", "same", Time(kT));
  WriteFile(dir / "base/near.txt", "base", Time(kT + 1));
  WriteFile(dir / "target/near.txt", "target", Time(kT));
  WriteFile(dir / "base/sub/only.txt", "only", Time(kT));
  WriteFile(dir / "target/t/extra.txt", "extra", Time(kT));
  WriteFile(dir / "base/locked.txt", "new", Time(kT + 10));
  WriteFile(dir / "target/locked.txt", "old", Time(kT));
  ::chmod((dir / "target/locked.txt").c_str(), 0444);
  engine::CCondition condition;
  condition.AFolder = dir / "base";
  condition.BFolder = dir / "target";
  condition.Complete = 1;
  condition.DiffTime = 2;
  return condition;
}

// What the output was before rows were streamed: the finished list, row by
// row, each failure after its row.
std::string FinishedList(const cli::RowStream& stream, const engine::RowStore& rows, cli::OutputFormat format) {
  const engine::ResultItems& items = stream.Items();
  std::string text;
  for (int item = 0; item < items.ItemCount(); ++item) {
    if (format == cli::OutputFormat::Json) {
      cli::AppendJsonItem(text, items, rows, item);
    } else {
      cli::AppendTextItem(text, items, item);
    }
    cli::AppendFailureLine(text, items, rows, item, cli::Language::Japanese);
  }
  return text;
}

TEST(RowStreamTest, StreamedRowsEqualTheFinishedList) {
  const std::set<std::string> listed = {"=", ">", "<", ">>", "X"};
  const std::set<std::string> synced = {"=", ">", ">=", "<=", "X=", "?"};
  for (const bool sync : {false, true}) {
    for (const auto format : {cli::OutputFormat::Text, cli::OutputFormat::Json}) {
      for (const bool paced : {true, false}) {
        SCOPED_TRACE(std::string(sync ? "sync" : "list") + (format == cli::OutputFormat::Json ? " json" : " text") +
                     (paced ? " paced" : " buffered"));
        TempDir dir;
        const engine::CCondition condition = MixedTree(dir);
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = ::open_memstream(&buffer, &size);
        ASSERT_NE(out, nullptr);

        cli::TerminalProgress progress(stderr, false);
        cli::TerminalPrompt prompt(stderr, cli::AnswerMode::Yes, &progress);
        // --yes answers questions, never which version of a conflict is lost.
        EXPECT_EQ(prompt.ChooseVersion({}), engine::KeepVersion::Neither);
        storage::WorkingData data(progress, prompt);
        cli::RowStream stream(data.Rows(),
                              {.format = format, .syncRun = sync, .out = out, .err = out, .paced = paced});
        progress.SetHeartbeat([&stream](bool phaseChange) { stream.Heartbeat(phaseChange); });
        data.SetList(stream);
        data.State().Set().Add(condition);
        data.State().ShowLoadedSet();
        const engine::RunOutcome outcome = sync ? *data.SyncRun(false) : data.ListCreation();
        EXPECT_EQ(outcome, engine::RunOutcome::Completed);
        EXPECT_TRUE(stream.Finish());
        std::fclose(out);
        const std::string streamed(buffer, size);
        std::free(buffer);

        EXPECT_EQ(streamed, FinishedList(stream, data.Rows(), format));
        std::set<std::string> shown;
        for (int item = 0; item < stream.ItemCount(); ++item) shown.insert(stream.ItemText(item, 2));
        EXPECT_EQ(shown, sync ? synced : listed);
        ::chmod((dir / "target/locked.txt").c_str(), 0644);
      }
    }
  }
}

// The near side of a pseudo-terminal: questions are asked on it, and answered.
class Terminal {
 public:
  Terminal() {
    main_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (main_ < 0 || ::grantpt(main_) != 0 || ::unlockpt(main_) != 0) throw std::runtime_error("pseudo-terminal");
    far_ = ::open(::ptsname(main_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (far_ < 0) throw std::runtime_error("pseudo-terminal");
  }
  ~Terminal() {
    CloseFar();
    ::close(main_);
  }
  int Far() const { return far_; }
  void CloseFar() {
    if (far_ >= 0) ::close(far_);
    far_ = -1;
  }
  // Reads what the program wrote until it holds `text`; false after limitMs.
  bool ReadUntil(const std::string& text, int limitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    char buffer[4096];
    while (seen_.find(text) == std::string::npos) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd fd = {main_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
      const ssize_t n = ::read(main_, buffer, sizeof buffer);
      if (n <= 0) return false;
      seen_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }
  void Type(const std::string& text) { ASSERT_EQ(::write(main_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
  const std::string& Seen() const { return seen_; }

 private:
  int main_ = -1;
  int far_ = -1;
  std::string seen_;
};

// The first condition's rows can be read while the program still waits for
// the answer to the second condition's question: they did not wait for the end.
TEST(CliStreaming, RowsArriveWhileALaterQuestionWaits) {
  for (const std::string command : {"list", "sync"}) {
    for (const bool json : {false, true}) {
      SCOPED_TRACE(command + (json ? " --json" : ""));
      TempDir dir;
      WriteFile(dir / "b1/one.txt", "1", Time(kT));
      WriteFile(dir / "b1/two.txt", "2", Time(kT));
      MakeFolder(dir / "t1", Time(kT));
      WriteFile(dir / "b2/three.txt", "3", Time(kT));
      WriteFile(dir / "c.ORV",
                "171\r\n// first\r\n01" + dir / "b1" + "\r\n02" + dir / "t1" + "\r\n// second\r\n01" + dir / "b2" +
                    "\r\n02" + dir / "missing/t2" + "\r\n",
                Time(kT));
      std::vector<std::string> args = {command, dir / "c.ORV"};
      if (json) args.push_back("--json");

      Terminal terminal;
      CliProcess process(args, {}, {}, CliSetup{{}, terminal.Far()});
      terminal.CloseFar();
      ASSERT_TRUE(process.ReadOutputUntil("one.txt", 30000));
      ASSERT_TRUE(process.ReadOutputUntil("two.txt", 30000));
      ASSERT_TRUE(terminal.ReadUntil("(y/n)", 30000)) << terminal.Seen();
      EXPECT_NE(terminal.Seen().find("新規に作成して作業を続けますか？"), std::string::npos);
      EXPECT_TRUE(process.Running());

      terminal.Type("n\n");
      const CliResult r = process.Finish(30000);
      EXPECT_EQ(r.status, 1);
      const std::vector<std::string> lines = Lines(RowsOf(r.out));
      ASSERT_EQ(lines.size(), 2u) << r.out;
      const std::string shown = json ? (command == "sync" ? "\"result\":\">=\"" : "\"result\":\">>\"")
                                     : (command == "sync" ? "\t>=\t" : "\t>>\t");
      for (const auto& line : lines) EXPECT_NE(line.find(shown), std::string::npos) << line;
      EXPECT_EQ(Exists(dir / "t1/one.txt"), command == "sync");
      EXPECT_FALSE(Exists(dir / "missing"));
    }
  }
}

}  // namespace
}  // namespace orvel::test
