// The questions a run asks in the desktop program before it touches a folder:
// a root folder another run holds, and complete sync from an empty base.
#include "platform/folder.h"
#include "platform/folder_lock.h"
#include "support/app_rig.h"
#include "support/hooked_dialogs.h"
#include "support/temp_tree.h"
#include "ui/result_list/result_model.h"

#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace orvel {
namespace {

using platform::FolderLock;
using test::MakeCondition;
using test::TempDir;
using test::Time;
using test::WriteFile;

// The folders as the run names them, with their trailing separator.
QString Busy(const std::string& folder) {
  return QStringLiteral("フォルダは他の同期処理で使用中です\n%1/\n再試行しますか？").arg(QString::fromStdString(folder));
}
const QString kConfirmSync = QStringLiteral("同期実行します\nよろしいですか？");

class BusyFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::AppRig::ClearSettings();
    WriteFile(dir / "a1/new.txt", "new", Time(2000));
    WriteFile(dir / "b1/new.txt", "old", Time(1000));
    WriteFile(dir / "a2/only.txt", "x", Time(1000));
    test::MakeFolder(dir / "b2", Time(1000));
    test::WriteConditionFile(dir / "two.ORV", {MakeCondition("first", dir / "a1", dir / "b1"),
                                               MakeCondition("second", dir / "a2", dir / "b2")});
    rig.Start({QString::fromStdString(dir / "two.ORV")});
  }
  // Another run's lock on a folder, held by this test.
  void Hold(const std::string& folder, FolderLock::Mode mode = FolderLock::Mode::Exclusive) {
    platform::Expected<platform::Folder> opened = platform::Folder::OpenRoot(folder);
    ASSERT_TRUE(opened);
    root = std::move(*opened);
    platform::Expected<FolderLock> taken = FolderLock::Acquire(*root, mode);
    ASSERT_TRUE(taken);
    lock = std::move(*taken);
  }
  QStringList BusyQuestions() const {
    QStringList busy;
    for (const QString& q : rig.dialogs.questions) {
      if (q.startsWith("フォルダは他の同期処理で使用中です")) busy << q;
    }
    return busy;
  }

  TempDir dir;
  test::HookedAppRig rig;
  std::optional<platform::Folder> root;
  FolderLock lock;
};

TEST_F(BusyFolderTest, NoEndsTheRunBeforeAnyRowIsMadeOrExecuted) {
  struct Case {
    const char* label;
    Qt::KeyboardModifiers modifiers;  // F5 or Shift+F5
    std::string held;
    FolderLock::Mode mode;
  };
  const Case cases[] = {
      {"list creation, target held for writing", Qt::NoModifier, dir / "b1", FolderLock::Mode::Exclusive},
      {"sync, base held for writing", Qt::ShiftModifier, dir / "a1", FolderLock::Mode::Exclusive},
      // A sync writes, so even a run that only reads keeps it out.
      {"sync, target held for reading", Qt::ShiftModifier, dir / "b1", FolderLock::Mode::Shared},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    rig.dialogs.questions.clear();
    Hold(c.held, c.mode);
    if (c.modifiers == Qt::ShiftModifier) rig.dialogs.answers = {true};  // the confirmation; then No
    QTest::keyClick(&rig.Frame(), Qt::Key_F5, c.modifiers);
    const QStringList expected = c.modifiers == Qt::ShiftModifier ? QStringList{kConfirmSync, Busy(c.held)}
                                                                  : QStringList{Busy(c.held)};
    EXPECT_EQ(rig.dialogs.questions, expected);
    EXPECT_EQ(rig.View().Results().ItemCount(), 0);
    EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "old");
    EXPECT_FALSE(test::Exists(dir / "b2/only.txt"));  // the second condition never ran
    EXPECT_FALSE(rig.View().Running());
    EXPECT_TRUE(rig.Frame().isEnabled());
    lock.Release();
  }
  // A list creation only reads: another reader does not hold it up.
  rig.dialogs.questions.clear();
  Hold(dir / "b1", FolderLock::Mode::Shared);
  QTest::keyClick(&rig.Frame(), Qt::Key_F5);
  EXPECT_TRUE(rig.dialogs.questions.isEmpty());
  EXPECT_EQ(rig.View().Results().ItemCount(), 2);
}

TEST_F(BusyFolderTest, YesTriesAgainUntilTheFolderIsFree) {
  Hold(dir / "b1");
  // The first Yes meets the lock still held and asks again; the other run
  // ends before the second Yes.
  int busyAsks = 0;
  rig.dialogs.onAsk = [&](const QString& question) {
    if (question.startsWith("フォルダは他の同期処理で使用中です") && ++busyAsks == 2) lock.Release();
  };
  rig.dialogs.answers = {true, true, true};  // the confirmation, then Yes twice
  QTest::keyClick(&rig.Frame(), Qt::Key_F5, Qt::ShiftModifier);
  EXPECT_EQ(BusyQuestions(), (QStringList{Busy(dir / "b1"), Busy(dir / "b1")}));
  EXPECT_EQ(rig.View().Results().ItemCount(), 2);
  EXPECT_EQ(test::ReadFile(dir / "b1/new.txt"), "new");
  EXPECT_EQ(test::ReadFile(dir / "b2/only.txt"), "x");
}

class EmptyBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::AppRig::ClearSettings();
    test::MakeFolder(dir / "a", Time(1000));
    WriteFile(dir / "b/x.txt", "x", Time(1000));
    WriteFile(dir / "b/y.txt", "y", Time(1000));
    engine::CCondition complete = MakeCondition("mirror", dir / "a", dir / "b");
    complete.Complete = 1;
    test::WriteConditionFile(dir / "mirror.ORV", {complete});
  }

  TempDir dir;
};

TEST_F(EmptyBaseTest, AutoRunStillAsksOnceBeforeTheFirstDeletion) {
  const QString question =
      QStringLiteral("「基本フォルダ」は空です\n%1/\n完全同期を続けると「対照フォルダ」の中身がすべて削除されます\n%2/\n本当によろしいですか？")
          .arg(QString::fromStdString(dir / "a"), QString::fromStdString(dir / "b"));
  struct Case {
    bool answer;
    std::vector<std::string> leftInTarget;
  };
  for (const Case& c : {Case{false, {"x.txt", "y.txt"}}, Case{true, {}}}) {
    SCOPED_TRACE(c.answer ? "Yes" : "No");
    test::AppRig rig;
    rig.dialogs.answers = {c.answer};
    // -R: the run starts by itself once the event loop turns, without its confirmation.
    rig.Start({QString::fromStdString(dir / "mirror.ORV"), "-R"});
    QTRY_VERIFY_WITH_TIMEOUT(!rig.dialogs.questions.isEmpty(), 5000);
    EXPECT_FALSE(rig.View().Running());
    EXPECT_EQ(rig.dialogs.questions, QStringList{question});
    EXPECT_EQ(test::FolderNames(dir / "b"), c.leftInTarget);
  }
}

}  // namespace
}  // namespace orvel
