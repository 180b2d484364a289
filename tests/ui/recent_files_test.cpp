#include "ui/main_window/recent_files.h"

#include "support/temp_tree.h"

#include <QDir>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace orvel::ui {
namespace {

QString Path(int n) { return QStringLiteral("/conditions/file%1.ORV").arg(n); }

class RecentFilesTest : public ::testing::Test {
 protected:
  std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QString::fromStdString(dir / "Orvel.conf"), QSettings::IniFormat);
  }

  test::TempDir dir;
};

TEST_F(RecentFilesTest, KeepsTheTenMostRecentFirstAndMovesARepeatToTheFront) {
  RecentFiles recent;
  for (int n = 1; n <= 11; ++n) recent.Add(Path(n));
  QStringList expected;
  for (int n = 11; n >= 2; --n) expected.append(Path(n));
  EXPECT_EQ(recent.Paths(), expected);

  recent.Add(Path(5));
  expected.removeAll(Path(5));
  expected.prepend(Path(5));
  EXPECT_EQ(recent.Paths(), expected);

  // The same file named another way is the same entry.
  recent.Add("/conditions/sub/../file7.ORV");
  EXPECT_EQ(recent.Paths().front(), Path(7));
  EXPECT_EQ(recent.Paths().size(), 10);
  EXPECT_EQ(recent.Paths().count(Path(7)), 1);

  recent.Remove(Path(7));
  recent.Remove("/not/in/the/list.ORV");
  recent.Add("");
  EXPECT_EQ(recent.Paths().size(), 9);
  EXPECT_EQ(recent.Paths().front(), Path(5));
}

TEST_F(RecentFilesTest, RelativePathsAreKeptAbsolute) {
  RecentFiles recent;
  recent.Add("here.ORV");
  ASSERT_EQ(recent.Paths().size(), 1);
  EXPECT_EQ(recent.Paths().front(), QDir::current().absoluteFilePath("here.ORV"));
}

TEST_F(RecentFilesTest, SaveAndLoadRoundTripAndAShorterListLeavesNoStaleEntries) {
  RecentFiles recent;
  for (int n = 1; n <= 10; ++n) recent.Add(Path(n));
  recent.Add("/home/ユーザー/条件 1.ORV");
  {
    auto settings = OpenSettings();
    recent.Save(*settings);
  }
  RecentFiles loaded;
  {
    auto settings = OpenSettings();
    loaded.Load(*settings);
    EXPECT_EQ(settings->value("Recent File List/File1").toString(), "/home/ユーザー/条件 1.ORV");
    EXPECT_EQ(settings->value("Recent File List/File10").toString(), Path(2));
  }
  EXPECT_EQ(loaded.Paths(), recent.Paths());

  RecentFiles shorter;
  shorter.Add(Path(1));
  shorter.Add(Path(2));
  {
    auto settings = OpenSettings();
    shorter.Save(*settings);
  }
  auto settings = OpenSettings();
  settings->beginGroup("Recent File List");
  EXPECT_EQ(settings->childKeys(), QStringList({"File1", "File2"}));
  settings->endGroup();
  RecentFiles reloaded;
  reloaded.Load(*settings);
  EXPECT_EQ(reloaded.Paths(), QStringList({Path(2), Path(1)}));
}

TEST_F(RecentFilesTest, LoadSkipsGapsAndRepeatsAndReadsNoMoreThanTen) {
  auto settings = OpenSettings();
  settings->beginGroup("Recent File List");
  settings->setValue("File1", Path(1));
  settings->setValue("File2", "");
  settings->setValue("File4", Path(4));
  settings->setValue("File5", Path(1));
  settings->setValue("File11", Path(11));
  settings->endGroup();
  RecentFiles recent;
  recent.Add(Path(99));  // replaced by what is stored
  recent.Load(*settings);
  EXPECT_EQ(recent.Paths(), QStringList({Path(1), Path(4)}));
}

}  // namespace
}  // namespace orvel::ui
