// The shell actions: the find and properties commands through the file manager
// on a private session bus (and without one), and the external tool started
// with whole paths.
#include "ui/shell/shell_actions.h"
#include "platform/local_time.h"
#include "support/app_rig.h"
#include "support/temp_tree.h"
#include "ui/main_window/command_ids.h"
#include "ui/main_window/command_table.h"
#include "ui/shell/detached_process.h"
#include "ui/shell/file_manager.h"
#include "ui/dialogs/progress_dialog.h"
#include "ui/dialogs/properties_dialog.h"
#include "ui/result_list/result_model.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

// Readable failures for texts and lists of texts.

namespace orvel {
namespace {

// The text of one value of a properties window, found by its name.
QString Field(const ui::PropertiesDialog& window, const char* name) {
  const auto* label = window.findChild<QLabel*>(QLatin1String(name));
  return label ? label->text() : QStringLiteral("<no field %1>").arg(QLatin1String(name));
}

using test::AppRig;
using test::MakeCondition;
using test::TempDir;
using test::Time;
using test::WriteFile;
namespace cmd = ui::cmd;

// Nothing here may reach the user's own session bus: until the private bus
// runs, the address leads nowhere.
const bool kNoUserBus = setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvel-test-bus", 1) == 0;

// A dbus-daemon of this test program only, without any activatable service, so
// that no real file manager can be started by a call.
class PrivateSessionBus : public ::testing::Environment {
 public:
  static inline QString address;

  void SetUp() override {
    folder_ = std::make_unique<QTemporaryDir>();
    QFile config(folder_->filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly)) return;
    config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                     .arg(folder_->path())
                     .toUtf8());
    config.close();
    daemon_ = std::make_unique<QProcess>();
    daemon_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_->start(QStringLiteral("dbus-daemon"),
                   {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    if (!daemon_->waitForReadyRead(5000)) return;
    address = QString::fromUtf8(daemon_->readLine().trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  }
  void TearDown() override {
    if (daemon_) {
      daemon_->terminate();
      daemon_->waitForFinished(2000);
    }
    daemon_.reset();
    folder_.reset();
  }

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<QProcess> daemon_;
};

::testing::Environment* const kBus = ::testing::AddGlobalTestEnvironment(new PrivateSessionBus);

// org.freedesktop.FileManager1 on its own connection, so that the calls really
// cross the bus.
class FakeFileManager : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  struct Call {
    QString method;
    QStringList uris;
    QString startupId;
  };
  std::vector<Call> calls;
  bool fail = false;

 public Q_SLOTS:
  void ShowItems(const QStringList& uris, const QString& startupId) { Record("ShowItems", uris, startupId); }
  void ShowItemProperties(const QStringList& uris, const QString& startupId) {
    Record("ShowItemProperties", uris, startupId);
  }
  void ShowFolders(const QStringList& uris, const QString& startupId) { Record("ShowFolders", uris, startupId); }

 private:
  void Record(const QString& method, const QStringList& uris, const QString& startupId) {
    calls.push_back({method, uris, startupId});
    if (fail) sendErrorReply(QDBusError::Failed, QStringLiteral("refused"));
  }
};

// Takes the file URLs that would open in the desktop's default program.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> urls;
 public Q_SLOTS:
  void Open(const QUrl& url) { urls.push_back(url); }
};

const std::string kNonUtf8 = "\xff\xfe.bin";

class ShellActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kNoUserBus && kBus);
    ASSERT_FALSE(PrivateSessionBus::address.isEmpty()) << "no private dbus-daemon";
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    ASSERT_EQ(dir.Path().find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-"),
              std::string::npos);
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    AppRig::ClearSettings();
  }
  void TearDown() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    if (registered_) {
      QDBusConnection service = QDBusConnection(QStringLiteral("fake-file-manager"));
      service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
      service.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }
  }
  void RegisterFileManager() {
    QDBusConnection service =
        QDBusConnection::connectToBus(PrivateSessionBus::address, QStringLiteral("fake-file-manager"));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    registered_ = true;
  }

  // "a dir" and "b dir": files on both sides, one on each side only, and names
  // with a blank, "#" and "%", Japanese and bytes that are not UTF-8.
  void ListFolders() {
    for (const std::string& name :
         {std::string("with blank.txt"), std::string("hash#1%.txt"), std::string("日本語.txt"), kNonUtf8}) {
      WriteFile(dir / ("a dir/" + name), "a", Time(2000));
      WriteFile(dir / ("b dir/" + name), "b", Time(1000));
    }
    WriteFile(dir / "a dir/only base.txt", "a", Time(1000));
    WriteFile(dir / "b dir/only target.txt", "b", Time(1000));
    test::WriteConditionFile(dir / "set.ORV", {MakeCondition("pair", dir / "a dir", dir / "b dir")});
    rig.Start({QString::fromStdString(dir / "set.ORV")});
    rig.Frame().Commands().Execute(cmd::kListCreation);
    ASSERT_EQ(rig.View().Results().ItemCount(), 6);
  }
  int ItemNamed(const std::string& name) {
    for (int i = 0; i < rig.View().Results().ItemCount(); ++i) {
      if (rig.View().Results().ItemText(i, ui::ResultModel::kName) == name) return i;
    }
    ADD_FAILURE() << "no line " << name;
    return 0;
  }
  void SelectOnly(const std::vector<std::string>& names) {
    rig.View().clearSelection();
    for (const std::string& name : names) {
      rig.View().selectionModel()->select(rig.View().model()->index(ItemNamed(name), 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  // The command on one line, then the file manager's answer to it.
  FakeFileManager::Call Ask(int command, const std::string& name) {
    SelectOnly({name});
    const std::size_t before = fake.calls.size();
    EXPECT_TRUE(rig.Frame().Commands().Execute(command));
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.calls.size() > before; }, 5000));
    return fake.calls.size() > before ? fake.calls.back() : FakeFileManager::Call{};
  }
  QString Uri(const QString& relative) { return QString::fromStdString("file://" + dir.Path() + "/") + relative; }
  QList<ui::PropertiesDialog*> PropertyWindows() { return rig.Frame().findChildren<ui::PropertiesDialog*>(); }

  TempDir dir;
  AppRig rig;
  FakeFileManager fake;
  UrlCatcher catcher;
  bool registered_ = false;
};

TEST_F(ShellActionsTest, FindCommandsShowTheSidesFileThroughTheFileManager) {
  RegisterFileManager();
  ListFolders();
  FakeFileManager::Call call = Ask(cmd::kFindBase, "with blank.txt");
  EXPECT_EQ(call.method, "ShowItems");
  EXPECT_EQ(call.uris, QStringList{Uri("a%20dir/with%20blank.txt")});
  EXPECT_EQ(call.startupId, "");
  EXPECT_EQ(Ask(cmd::kFindTarget, "hash#1%.txt").uris, QStringList{Uri("b%20dir/hash%231%25.txt")});
  EXPECT_EQ(Ask(cmd::kFindBase, "日本語.txt").uris, QStringList{Uri("a%20dir/%E6%97%A5%E6%9C%AC%E8%AA%9E.txt")});
  call = Ask(cmd::kFindTarget, kNonUtf8);
  EXPECT_EQ(call.uris, QStringList{Uri("b%20dir/%FF%FE.bin")});
  ASSERT_EQ(call.uris.size(), 1);
  // The URI decodes to the very bytes of the path.
  EXPECT_EQ(QByteArray::fromPercentEncoding(call.uris[0].mid(7).toLatin1()).toStdString(), dir / ("b dir/" + kNonUtf8));
  // A file missing on the asked side is still asked for there.
  EXPECT_EQ(Ask(cmd::kFindBase, "only target.txt").uris, QStringList{Uri("a%20dir/only%20target.txt")});
  EXPECT_TRUE(catcher.urls.empty());
}

TEST_F(ShellActionsTest, PropertiesShowTheFileThePathColumnShows) {
  RegisterFileManager();
  ListFolders();
  FakeFileManager::Call call = Ask(cmd::kProperties, "only target.txt");
  EXPECT_EQ(call.method, "ShowItemProperties");
  EXPECT_EQ(call.uris, QStringList{Uri("b%20dir/only%20target.txt")});
  EXPECT_EQ(call.startupId, "");
  EXPECT_EQ(Ask(cmd::kProperties, "only base.txt").uris, QStringList{Uri("a%20dir/only%20base.txt")});
  // The context menu's entry is the same command.
  SelectOnly({"hash#1%.txt"});
  rig.View().ContextMenu()->actions().at(1)->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return fake.calls.size() == 3; }, 5000));
  EXPECT_EQ(fake.calls.back().uris, QStringList{Uri("a%20dir/hash%231%25.txt")});
  QTest::qWait(50);
  EXPECT_TRUE(PropertyWindows().empty());
}

TEST_F(ShellActionsTest, WithoutAFileManagerTheFolderOpensAndAPropertiesWindowShows) {
  ListFolders();
  QElapsedTimer timer;
  timer.start();
  SelectOnly({"with blank.txt"});
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kFindTarget));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.urls.empty(); }, 5000));
  EXPECT_EQ(catcher.urls[0].toEncoded(), Uri("b%20dir/").toUtf8());
  EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), dir / "b dir/");

  SelectOnly({"only base.txt"});
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kProperties));
  ASSERT_TRUE(QTest::qWaitFor([&] { return PropertyWindows().size() == 1; }, 5000));
  EXPECT_LT(timer.elapsed(), 5000);
  ui::PropertiesDialog* window = PropertyWindows()[0];
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(Field(*window, "propertyName"), "only base.txt");
  EXPECT_EQ(Field(*window, "propertyFolder").toStdString(), dir / "a dir/");
  EXPECT_EQ(Field(*window, "propertySize"), "1 バイト");
  EXPECT_EQ(Field(*window, "propertyModified").toStdString(), platform::FormatDate(Time(1000)));
  window->close();  // it deletes itself
  ASSERT_TRUE(QTest::qWaitFor([&] { return PropertyWindows().empty(); }, 1000));
  EXPECT_EQ(catcher.urls.size(), 1u);
}

TEST_F(ShellActionsTest, AFileManagerThatFailsTheCallAlsoFallsBack) {
  RegisterFileManager();
  fake.fail = true;
  ListFolders();
  Ask(cmd::kFindBase, "日本語.txt");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.urls.empty(); }, 5000));
  EXPECT_EQ(catcher.urls[0].toLocalFile().toStdString(), dir / "a dir/");
  // Not in silence: the status bar says that the file manager did not answer, and why.
  EXPECT_TRUE(rig.Frame().ReadyPane()->FullText().startsWith("ファイルマネージャが応答しません: "));
  Ask(cmd::kProperties, "日本語.txt");
  ASSERT_TRUE(QTest::qWaitFor([&] { return PropertyWindows().size() == 1; }, 5000));
  EXPECT_EQ(Field(*PropertyWindows()[0], "propertyName"), "日本語.txt");
}

TEST_F(ShellActionsTest, AnAnsweredCallOpensNothingElse) {
  RegisterFileManager();
  ui::FileManager files(nullptr);
  files.ShowItem(dir / "x/y z");
  files.ShowItemProperties(dir / "x/y z");
  EXPECT_EQ(files.PendingCalls(), 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return files.PendingCalls() == 0; }, 5000));
  ASSERT_EQ(fake.calls.size(), 2u);
  EXPECT_EQ(fake.calls[0].uris, QStringList{Uri("x/y%20z")});
  EXPECT_TRUE(catcher.urls.empty());
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<ui::PropertiesDialog*>(w), nullptr);
}

// ---- the external tool ----

// A tool that writes its arguments, one per line, into a file of its own.
class FakeTool {
 public:
  explicit FakeTool(const std::string& path) : path_(path), calls_(path + ".calls") {
    WriteFile(
        path_,
        "#!/bin/sh\nout=\"" + calls_ + "/$$\"\nprintf '%s\\n' \"$@\" > \"$out.part\"\nmv \"$out.part\" \"$out\"\n",
        Time(1000));
    chmod(path_.c_str(), 0755);
    test::MakeFolder(calls_, Time(1000));
  }
  // The argument lists of the calls so far, waiting up to 5 s for `count` of them
  // and then a little longer for any further one.
  std::vector<std::vector<std::string>> Calls(std::size_t count) {
    (void)QTest::qWaitFor([&] { return Finished().size() >= count; }, 5000);
    QTest::qWait(200);
    std::vector<std::vector<std::string>> calls;
    for (const std::string& name : Finished()) {
      std::vector<std::string> lines;
      const std::string text = test::ReadFile(calls_ + "/" + name);
      for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
      }
      calls.push_back(lines);
    }
    return calls;
  }

 private:
  std::vector<std::string> Finished() {
    std::vector<std::string> names = test::FolderNames(calls_);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& n) { return n.find(".part") != std::string::npos; }),
                names.end());
    return names;
  }
  std::string path_;
  std::string calls_;
};

TEST_F(ShellActionsTest, ExternalToolStartsOneProgramPerPairWithTheWholePaths) {
  ListFolders();
  FakeTool tool(dir / "my tools/compare");
  rig.State().Working().ExeName1 = "Compare";
  rig.State().Working().ExePath1 = dir / "my tools/compare";  // an existing file: blanks and all
  SelectOnly({"only base.txt", "with blank.txt"});
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kExternalTool));
  const auto calls = tool.Calls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], (std::vector<std::string>{dir / "a dir/with blank.txt", dir / "b dir/with blank.txt"}));
  EXPECT_FALSE(rig.View().Progress().isVisible());
  EXPECT_TRUE(rig.Frame().isEnabled());
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());
  EXPECT_TRUE(rig.Frame().ReadyPane()->FullText().contains("1 行には起動しません"));

  // Whatever the line showed when listed: once both files exist, the tool starts.
  WriteFile(dir / "b dir/only base.txt", "b", Time(1000));
  SelectOnly({"only base.txt"});
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kExternalTool));
  EXPECT_EQ(tool.Calls(2).size(), 2u);
}

TEST_F(ShellActionsTest, AToolPathThatIsNoFileIsSplitIntoProgramAndLeadingArguments) {
  ListFolders();
  FakeTool tool(dir / "my tools/compare");
  rig.State().Working().ExeName1 = "Compare";
  rig.State().Working().ExePath1 = "\"" + dir / "my tools/compare" + "\" --diff";
  SelectOnly({kNonUtf8});
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kExternalTool));
  const auto calls = tool.Calls(1);
  ASSERT_EQ(calls.size(), 1u);
  // The name's bytes reach the tool unchanged.
  EXPECT_EQ(calls[0], (std::vector<std::string>{"--diff", dir / ("a dir/" + kNonUtf8), dir / ("b dir/" + kNonUtf8)}));

  // A tool that cannot be started is said in the status bar, with the reason,
  // and leaves the window usable.
  rig.State().Working().ExePath1 = dir / "no such tool";
  ASSERT_TRUE(rig.Frame().Commands().Execute(cmd::kExternalTool));
  EXPECT_TRUE(rig.dialogs.messages.isEmpty());
  EXPECT_TRUE(rig.Frame().ReadyPane()->FullText().startsWith("外部ツールを起動できません: ")) << rig.Frame().ReadyPane()->FullText().toStdString();
  EXPECT_TRUE(rig.Frame().isEnabled());
}

TEST(ToolCommandTest, ExistingFilesStayWholeOtherTextsSplitLikeAShell) {
  TempDir dir;
  WriteFile(dir / "a b", "", Time(1));
  EXPECT_EQ(ui::ToolCommand(dir / "a b", "/x 1", "/y 2"), (std::vector<std::string>{dir / "a b", "/x 1", "/y 2"}));
  EXPECT_EQ(ui::ToolCommand("meld --diff \"-L x\"", "/x", "/y"),
            (std::vector<std::string>{"meld", "--diff", "-L x", "/x", "/y"}));
  EXPECT_TRUE(ui::ToolCommand("", "/x", "/y").empty());
  EXPECT_TRUE(ui::ToolCommand("   ", "/x", "/y").empty());
  EXPECT_FALSE(ui::StartDetached({dir / "no such program", "/x"}));
  EXPECT_FALSE(ui::StartDetached({dir / "a b"}));  // not executable
  EXPECT_FALSE(ui::StartDetached({"orvel-no-such-program-in-path"}));
  EXPECT_TRUE(ui::StartDetached({"true"}));  // found in PATH
}

TEST(StartDetachedTest, AnExecThatFailsIsReportedWithItsReason) {
  TempDir dir;
  // Both files exist, so only the exec itself can tell what is wrong with them.
  WriteFile(dir / "no interpreter", "#!/nonexistent/orvel-interpreter\n", Time(1));
  chmod((dir / "no interpreter").c_str(), 0755);
  WriteFile(dir / "not executable", "#!/bin/sh\n", Time(1));
  const struct {
    std::string program;
    int reason;
  } cases[] = {{dir / "no interpreter", ENOENT}, {dir / "not executable", EACCES}};
  for (const auto& [program, reason] : cases) {
    SCOPED_TRACE(program);
    std::string error;
    EXPECT_FALSE(ui::StartDetached({program, "/x"}, &error));
    EXPECT_NE(error.find(program), std::string::npos) << error;
    EXPECT_NE(error.find(std::strerror(reason)), std::string::npos) << error;
  }
  std::string error;
  EXPECT_FALSE(ui::StartDetached({"orvel-no-such-program-in-path"}, &error));
  EXPECT_NE(error.find("orvel-no-such-program-in-path"), std::string::npos) << error;
}

TEST(StartDetachedTest, TheProgramLeadsASessionOfItsOwnWithTheSignalsReset) {
  TempDir dir;
  const std::string report = dir / "report";
  // Built-ins only until the masks are read: the shell blocks signals while it
  // starts a command.
  WriteFile(dir / "tool",
            "#!/bin/sh\nread -r pid comm state ppid pgrp sid rest < /proc/$$/stat\n"
            "{ echo \"$$ $sid\"; while read -r key value; do\n"
            "  case $key in SigBlk:|SigIgn:) echo \"$key $value\";; esac\n"
            "done < /proc/$$/status; } > \"$1.part\"\nmv \"$1.part\" \"$1\"\n",
            Time(1));
  chmod((dir / "tool").c_str(), 0755);
  // The caller blocks one signal and ignores SIGPIPE; the program must inherit neither.
  sigset_t blocked;
  sigset_t oldMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);
  struct sigaction ignore {};
  struct sigaction oldPipe {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &oldPipe);
  const bool started = ui::StartDetached({dir / "tool", report});
  sigaction(SIGPIPE, &oldPipe, nullptr);
  pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
  ASSERT_TRUE(started);
  ASSERT_TRUE(QTest::qWaitFor([&] { return test::Exists(report); }, 5000));
  std::istringstream lines(test::ReadFile(report));
  std::string pid, sid, label, blockedMask, ignoredMask;
  lines >> pid >> sid >> label >> blockedMask >> label >> ignoredMask;
  EXPECT_EQ(pid, sid);
  EXPECT_EQ(std::stoull(blockedMask, nullptr, 16), 0u) << blockedMask;
  EXPECT_EQ(std::stoull(ignoredMask, nullptr, 16) & (1ULL << (SIGPIPE - 1)), 0u) << ignoredMask;
}

const std::string kLaunching = "Status " + std::to_string(static_cast<int>(engine::RunStatus::Launching));

// Progress of the tool's loop, recorded.
struct RecordingProgress : engine::IProgress {
  std::vector<std::string> calls;
  int cancelAt = -1;  // the PollCancel call (0-based) that reports a cancel
  int polls = 0;
  void Open() override { calls.push_back("Open"); }
  void Close() override { calls.push_back("Close"); }
  void ShowStatus(engine::RunStatus status) override {
    calls.push_back("Status " + std::to_string(static_cast<int>(status)));
  }
  void SetBarRange(int lower, int upper) override {
    calls.push_back("Range " + std::to_string(lower) + " " + std::to_string(upper));
  }
  void SetBarStep(int step) override { calls.push_back("Step " + std::to_string(step)); }
  void SetBarPos(int position) override { calls.push_back("Pos " + std::to_string(position)); }
  bool PollCancel() override { return polls++ == cancelAt; }
  void ShowCondition(int, int, std::string_view) override {}
  void ShowPath(std::string_view) override {}
};

TEST(ExternalToolLoopTest, CountsEachLineAndStopsAtOnceOnCancel) {
  TempDir dir;
  FakeTool tool(dir / "tool");
  engine::RowStore rows;
  ui::ResultModel list(rows);
  const std::uint32_t folder = rows.InternFolder(dir / "a/", dir / "b/");
  for (const char* name : {"one", "two", "three"}) {
    for (const char* side : {"a/", "b/"}) WriteFile(dir / (side + std::string(name)), "x", Time(1));
    engine::ResultRow row;
    row.folder = folder;
    row.hasBase = row.hasTarget = true;
    list.AppendItem(rows.Append(name, row));
  }
  RecordingProgress progress;
  ui::ShellActions actions(list, progress, nullptr);
  actions.ExternalTool({0, 2}, dir / "tool");
  EXPECT_EQ(progress.calls,
            (std::vector<std::string>{"Open", kLaunching, "Range 0 2", "Step 1", "Pos 1", "Pos 2", "Close"}));
  EXPECT_EQ(tool.Calls(2).size(), 2u);

  RecordingProgress cancelled;
  cancelled.cancelAt = 0;
  ui::ShellActions again(list, cancelled, nullptr);
  again.ExternalTool({0, 1, 2}, dir / "tool");
  EXPECT_EQ(cancelled.calls, (std::vector<std::string>{"Open", kLaunching, "Range 0 3", "Step 1", "Close"}));
  EXPECT_EQ(cancelled.polls, 1);
  EXPECT_EQ(tool.Calls(3).size(), 3u);  // the line before the cancel was started
}

// PATH and the current folder for one test, restored afterwards.
class ScopedPathAndFolder {
 public:
  ScopedPathAndFolder(const std::string& path, const std::string& folder) {
    if (const char* old = std::getenv("PATH")) oldPath_ = old;
    oldFolder_ = CurrentFolder();
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(chdir(folder.c_str()), 0);
  }
  ~ScopedPathAndFolder() {
    if (oldPath_) {
      setenv("PATH", oldPath_->c_str(), 1);
    } else {
      unsetenv("PATH");
    }
    EXPECT_EQ(chdir(oldFolder_.c_str()), 0);
  }
  static std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
  }

 private:
  std::optional<std::string> oldPath_;
  std::string oldFolder_;
};

TEST(ExternalToolLoopTest, ABareToolNameIsLookedUpInPathNeverInTheCurrentFolder) {
  TempDir here;
  TempDir bin;
  FakeTool inPath(bin / "orvel-test-tool");
  FakeTool inHere(here / "orvel-test-tool");
  FakeTool inRelative(here / "rel/orvel-test-tool");
  // An empty entry, "." and "rel" all name folders below the current one; the
  // tool's own script needs the system's folders.
  ScopedPathAndFolder scoped(":.:rel:" + bin.Path() + ":/usr/bin:/bin", here.Path());
  engine::RowStore rows;
  ui::ResultModel list(rows);
  engine::ResultRow row;
  row.folder = rows.InternFolder(here / "a/", here / "b/");
  row.hasBase = row.hasTarget = true;
  list.AppendItem(rows.Append("one", row));
  for (const char* side : {"a/one", "b/one"}) WriteFile(here / side, "x", Time(1));
  RecordingProgress progress;
  ui::ShellActions actions(list, progress, nullptr);
  actions.ExternalTool({0}, "orvel-test-tool");
  EXPECT_EQ(inPath.Calls(1), (std::vector<std::vector<std::string>>{{here / "a/one", here / "b/one"}}));
  EXPECT_TRUE(inHere.Calls(0).empty());
  EXPECT_TRUE(inRelative.Calls(0).empty());

  // With no absolute entry in PATH there is nothing to start.
  setenv("PATH", ":.:rel", 1);
  EXPECT_FALSE(ui::StartDetached({"orvel-test-tool", "/a/one", "/b/one"}));
  EXPECT_TRUE(inHere.Calls(0).empty());
}

TEST(ToolCommandTest, RelativePathsBecomeAbsoluteAndABareNameStaysBare) {
  TempDir here;
  WriteFile(here / "compare", "", Time(1));  // a file of the current folder, named like the tool
  ScopedPathAndFolder scoped("/usr/bin:/bin", here.Path());
  const std::string cwd = ScopedPathAndFolder::CurrentFolder();
  ASSERT_FALSE(cwd.empty());
  const struct {
    std::string base;
    std::string target;
    std::vector<std::string> expected;
  } cases[] = {
      {"a/x", "b/x", {"compare", cwd + "/a/x", cwd + "/b/x"}},
      // A relative folder starting with "-" is no option once it is absolute.
      {"-a/x", "./b/x", {"compare", cwd + "/-a/x", cwd + "/./b/x"}},
      {"/abs/x", "rel/x", {"compare", "/abs/x", cwd + "/rel/x"}},
  };
  for (const auto& [base, target, expected] : cases) {
    SCOPED_TRACE(base + " " + target);
    EXPECT_EQ(ui::ToolCommand("compare", base, target), expected);
  }
  EXPECT_EQ(ui::ToolCommand("compare --diff", "x", "/y"),
            (std::vector<std::string>{"compare", "--diff", cwd + "/x", "/y"}));
  // A path with "/" to the same file is that file, as given.
  EXPECT_EQ(ui::ToolCommand("./compare", "/x", "/y"), (std::vector<std::string>{"./compare", "/x", "/y"}));
}

TEST(FileUriTest, EveryNameComesBackAsItsBytes) {
  const std::string names[] = {
      "a?b", "c#d", "e%41", "semi;colon=eq&amp+plus", "at@colon:", "q'(p)*!$", "back\\slash", "new\nline", "日本語",
      kNonUtf8};
  for (const std::string& name : names) {
    const std::string path = "/tmp/x dir/" + name;
    SCOPED_TRACE(path);
    const QString uri = ui::FileUri(path);
    ASSERT_TRUE(uri.startsWith("file:///tmp/x%20dir/")) << uri.toStdString();
    // Nothing after the folder may end the path or be taken for a query.
    for (const QChar c : uri) {
      const char16_t u = c.unicode();
      EXPECT_TRUE(u > 0x20 && u < 0x7F && u != u'?' && u != u'#' && u != u'\\') << uri.toStdString();
    }
    EXPECT_EQ(QByteArray::fromPercentEncoding(uri.mid(7).toLatin1()).toStdString(), path);
    if (name != kNonUtf8) {
      EXPECT_EQ(QUrl::fromEncoded(uri.toLatin1()).toLocalFile().toStdString(), path);
    }
  }
}

TEST(FileUriTest, ARelativePathIsTakenFromTheCurrentFolder) {
  TempDir here;
  ScopedPathAndFolder scoped("/usr/bin:/bin", here.Path());
  const std::string cwd = ScopedPathAndFolder::CurrentFolder();
  ASSERT_EQ(cwd.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-"), std::string::npos);
  EXPECT_EQ(ui::FileUri("sub/a b").toStdString(), "file://" + cwd + "/sub/a%20b");
  EXPECT_EQ(ui::FileUri("").toStdString(), "file://" + cwd + "/");
}

TEST(PropertiesDialogTest, ShowsTheEntryAsItIsOnDisk) {
  TempDir dir;
  WriteFile(dir / "f #1.txt", std::string(1234567, 'x'), Time(1'700'000'000));
  chmod((dir / "f #1.txt").c_str(), 0640);
  ui::PropertiesDialog file(dir / "f #1.txt");
  EXPECT_EQ(Field(file, "propertyName"), "f #1.txt");
  EXPECT_EQ(Field(file, "propertyFolder").toStdString(), dir.Path() + "/");
  EXPECT_EQ(Field(file, "propertyKind"), "ファイル");
  EXPECT_EQ(Field(file, "propertySize"), "1,234,567 バイト");
  EXPECT_EQ(Field(file, "propertyModified").toStdString(), platform::FormatDate(Time(1'700'000'000)));
  EXPECT_EQ(Field(file, "propertyPermissions"), "-rw-r----- (0640)");
  EXPECT_EQ(file.windowTitle(), "f #1.txt のプロパティ");

  ui::PropertiesDialog missing(dir / "gone");
  EXPECT_EQ(Field(missing, "propertyKind"), "見つかりません");
  EXPECT_EQ(Field(missing, "propertySize"), "");

  EXPECT_EQ(ui::PropertiesDialog::PermissionText(S_IFREG | 04755), "-rwsr-xr-x");
  EXPECT_EQ(ui::PropertiesDialog::PermissionText(S_IFDIR | 01770), "drwxrwx--T");
  EXPECT_EQ(ui::PropertiesDialog::PermissionText(S_IFLNK | 02777), "lrwxrwsrwx");
}

}  // namespace
}  // namespace orvel

#include "shell_actions_test.moc"
